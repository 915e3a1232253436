#pragma once
// What the party detail form holds while one informed party (informado) is on the screen: mode,
// declarant, the choice flags, the selected person-kind option, the ticked vinculation types and
// the texts of the boxes the checks and the save read. The form gathers its controls into this
// state; validation (party_validation.h) and the save (party_store.h) work on it.

#include <QString>
#include <QStringList>

namespace klv::party {

inline const QString kNuevo = QStringLiteral("Nuevo");
inline const QString kModificar = QStringLiteral("Modificar");
// Names of the forms in the message catalogue and for their callers.
inline const QString kFrmPartesVinc = QStringLiteral("FrmPartesVinc");
inline const QString kFrmPartesVincDet = QStringLiteral("FrmPartesVincDet");
inline const QString kFrmTransacciones = QStringLiteral("FrmTransacciones");
// Caption of the detail form (title of the document messages of the validation).
inline const QString kCaptionDet = QStringLiteral("Registro de Informados");
// Home country code (PARAM '976').
inline const QString kPaisPeru = QStringLiteral("9589");
// Text of the empty birth-date box.
inline const QString kFechaVacia = QStringLiteral("__/__/____");
// Most vinculation types a party carries.
constexpr int kMaxTiposVinc = 100;

// The person-kind option selected on the form.
enum class Kind { None, Natural, Juridica, Otro };

// Control that takes the focus after a failed check.
enum class Focus { None, CboTipDoc, TxtNumDoc, TxtNombre, TxtApellido_P, TxtApellido_M, TxtRazSoc, TxtNatJurO, CboCodPais };

}  // namespace klv::party

namespace klv {

struct PartyState {
    QString mode;       // party::kNuevo or party::kModificar
    QString docIdD;     // declarant's RUC (caption of Label7(8))
    QString nombreD;    // declarant's name (Label7(9))

    QString sConDom;    // "1" domiciled, "0" not domiciled, "" not chosen
    QString sNatJur;    // "N", "J", "O", "" not chosen
    QString sParFis;    // "1" tax haven (ChkPaisBN ticked), "0" not, "" not set yet
    QString sParVin;    // "S" related, "N" not related, "" not answered
    party::Kind opcion = party::Kind::None;  // the person-kind option selected

    // The ticked vinculation types: distinct codes ("01".."14"), at most kMaxTiposVinc.
    QStringList tipos;

    // Texts of the boxes, as typed (untrimmed).
    QString cboTipDoc;       // document-type entry: the two-digit code first
    QString txtNumDoc;
    QString txtNombre;
    QString txtApellidoP;
    QString txtApellidoM;
    QString txtRazSoc;
    QString txtNatJurO;
    QString cboCodPais;      // country entry: the four-character code first
    QString cboTipResid;     // legal-address type entry: the two-digit code first
    QString txtDirRedLegal;
    QString mebFecNac;       // "dd/mm/yyyy" with '_' in the places not typed

    // The document-type code (first two characters of the entry) and its numeric value.
    QString tipoCodigo() const { return cboTipDoc.left(2); }
    int tipoNumero() const;

    // udf_nTiposVinc: the number of ticked types.
    int udf_nTiposVinc() const { return static_cast<int>(tipos.size()); }
};

}  // namespace klv
