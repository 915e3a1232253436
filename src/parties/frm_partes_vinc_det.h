#pragma once
// The party detail form (caption "Registro de Informados"): one informed party of a declarant for
// entry (mode "Nuevo") or change (mode "Modificar"). Its choice rules make the controls follow
// each other (domicile -> country and person kinds, person kind -> document types and name
// fields, document type -> number length, country -> tax-haven mark, related answer -> types
// button). The form gathers its controls into a PartyState; validation, save and load are the
// logic's (party_validation.h, party_store.h).

#include "app_context.h"
#include "party_state.h"

#include <QDialog>
#include <QStringList>
#include <array>
#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace klv {

struct StoredParty;

class FrmPartesVincDet : public QDialog {
    Q_OBJECT
public:
    explicit FrmPartesVincDet(AppContext& ctx, QWidget* parent = nullptr);
    ~FrmPartesVincDet() override;

    // Opens the form modally for the declarant: mode "Nuevo", or "Modificar" on `parte`. True when
    // the party was saved.
    static bool run(AppContext& ctx, QWidget* parent, const QString& mode, const QString& docIdD,
                    const QString& nombreD, const Party* parte);
    // udp_CargaEspecial: mode "Modificar" preset on one party of the declarant (the transaction
    // form's check of a non-domiciled party). True when the party was saved.
    static bool runEspecial(AppContext& ctx, QWidget* parent, const QString& docIdD, const Party& parte);

    void udp_Modo_Accion(const QString& mode);
    // Lays the form out, clears it and, in mode "Modificar", loads the party: every read in one
    // call, the controls filled afterwards. The declarant's name is looked up when `nombreD` is
    // empty. Throws what the read threw, DbError 3021 when the party is gone.
    void Form_Load(const QString& docIdD, const QString& nombreD, const Party* parte);

    void udp_LimpiarControles();
    void udp_HabilitaDirLegal(int modo, bool habilitar);

    // Handlers, also run by the controls' signals (a value set from code runs them too). Those that
    // read (the countries, a country's tax-haven mark, a kind's document types) make one call,
    // and show its failure; while the form loads they take what the load read.
    void OptConDomicilioSi_Click();
    void OptConDomicilioNo_Click();
    void CboCodPais_Click();
    void ChkPaisBN_Click();
    void OptNatJurN_Click();
    void OptNatJurJ_Click();
    void OptNatJurO_Click();
    void CboTipDoc_Click();
    void OptParteVinSi_Click();
    void OptParteVinNo_Click();
    void CmdTipoVinc_Click();
    void cmdAceptar_Click();
    void CmdSalir_Click();

    // The controls gathered as the checks and the save read them.
    PartyState gatherState() const;
    const PartyState& state() const { return st_; }
    bool modificado() const { return bModificado_; }
    bool saved() const { return saved_; }
    // Replaces the ticked vinculation types (what the chooser's Aceptar does).
    void setTipos(const QStringList& tipos) { st_.tipos = tipos; }

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Loaded;
    // Whether a country is a tax haven and, when asked for, the countries read again.
    struct PaisLeido {
        bool paraiso = false;
        QStringList paises;
    };

    void build();
    void installFilters();
    void setModified();
    bool nuevo() const { return st_.mode == party::kNuevo; }
    // Unselects an option from code (its rule does not run) and forgets what it had set.
    void unselect(QRadioButton* option);
    void resetDomicileChoices();
    // The countries again (read by a call, or those the load read); a failed read is shown and
    // leaves the list as it was.
    void refillCountries();
    // Throws what the call threw.
    PaisLeido leerPais(const QString& code, bool paises);
    // The stored party on the controls, the document types given as its list.
    void udp_CargarEdit(const QString& docIdD, const StoredParty& p, const QStringList& tiposDoc);
    void selectPais(const QString& code);
    // A person-kind option's rule: records the kind when the option is selected; in mode "Nuevo"
    // also the document types and fields it opens.
    void applyKind(QRadioButton* option, party::Kind kind, const QString& letter);
    void setNatJurOEnabled(bool enabled);
    void showNames(bool names);
    void focusOn(party::Focus focus);
    void finish();

    AppContext& ctx_;
    PartyState st_;
    std::unique_ptr<Loaded> loaded_;  // while Form_Load fills the controls
    bool bNuevo_ = false;
    bool bCargaEspecial_ = false;
    bool bModificado_ = false;
    bool bCargando_ = false;
    bool saved_ = false;
    bool closing_ = false;

    QLabel* Label7[12] = {};
    QGroupBox* FraDomicilio = nullptr;
    QRadioButton* OptConDomicilioSi = nullptr;
    QRadioButton* OptConDomicilioNo = nullptr;
    QComboBox* CboCodPais = nullptr;
    QCheckBox* ChkPaisBN = nullptr;
    QGroupBox* FraNatJur = nullptr;
    QRadioButton* OptNatJurN = nullptr;
    QRadioButton* OptNatJurJ = nullptr;
    QRadioButton* OptNatJurO = nullptr;
    QLineEdit* TxtNatJurO = nullptr;
    QComboBox* CboTipDoc = nullptr;
    QLineEdit* TxtNumDoc = nullptr;
    QLineEdit* TxtNombre = nullptr;
    QLineEdit* TxtApellido_P = nullptr;
    QLineEdit* TxtApellido_M = nullptr;
    QLineEdit* TxtRazSoc = nullptr;
    QComboBox* cboTipResid = nullptr;
    QLineEdit* txtDirRedLegal = nullptr;
    QLineEdit* mebFecNac = nullptr;
    QGroupBox* Fra_PreParVin = nullptr;
    QRadioButton* OptParteVinSi = nullptr;
    QRadioButton* OptParteVinNo = nullptr;
    QPushButton* CmdTipoVinc = nullptr;
    QPushButton* CmdAceptar = nullptr;
    QPushButton* CmdSalir = nullptr;
};

}  // namespace klv
