#pragma once
// What the declaration form holds while a declaration is open: its mode, its flags, the declarant
// and period typed on the identification tab and the answers to the header questions. The form
// gathers its controls into this state; the checks, the working copy and the save work on it.

#include "app_context.h"
#include "keys.h"

#include <QString>

namespace klv {

inline const QString kModoNuevo = QStringLiteral("Nuevo");
inline const QString kModoModificar = QStringLiteral("Modificar");
// Name of the declaration form in the message catalogue and for the forms it opens.
inline const QString kFrmDeclara = QStringLiteral("Frm_KLV_Declara");
// Caption of the declaration form (title of some of its messages).
inline const QString kCaptionDeclara = QStringLiteral("8027 Precios de Transferencia");

// Control that should take the focus after a failed check.
enum class DeclFocus { None, CboNumDoc, MkePeriodo };

struct DeclarationState {
    QString mode;            // kModoNuevo, kModoModificar or empty
    bool loading = false;    // true while the form loads
    bool modified = false;   // user changes not saved yet

    QString cboNumDoc;       // text of the declarant combo; its first 11 characters are the RUC
    QString razonSocial;     // declarant's name (TxtRazsoc)
    QString periodo;         // text of the period box, as typed
    bool periodoEnabled = true;

    QString answer1;         // question 1, foreign-currency accounts: "1" Si, "0" No, "" unanswered
    QString answer2;         // question 2, technical study: "1", "0", ""
    QString rectifica;       // rectification (from 2012): "1", "0", ""
    QString rucAutor;        // question 3: RUC of the study's author (TxtRUC)
    QString rutaEstudio;     // question 4: path of the attached study (TxtRuta)

    QString ruc() const { return cboNumDoc.left(11); }
    // The period as a number: the value of the trimmed text, 0 when empty.
    int periodValue() const;
    // Key of the declaration shown: document type 6, the RUC, the period text and the form code.
    DeclarationKey key(const AppContext& ctx) const;
    // The rectification question and the attached study exist from 2012.
    bool rectificationShown() const { return periodValue() >= 2012; }
};

}  // namespace klv
