// The identification tab of the declaration form Frm_KLV_Declara: the declarant and the period
// (their checks and the status bar), the change of tab with the header's checks, the header
// questions, the attached study and the rectification question, and the keys the period and the
// author's RUC boxes refuse.
#include "frm_klv_declara.h"

#include "declaration_checks.h"
#include "frm_klv_declara_common.h"
#include "long_work.h"
#include "status_panels.h"
#include "transaction_grid_model.h"
#include "window_helpers.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <exception>

namespace klv {

using namespace declaration_form;

namespace {

// What the tab change reads, in one call: whether the declaration is stored, then the header's
// checks and the 2008 rule.
struct TabRead {
    bool exists = false;
    std::exception_ptr existsFailure;
    bool validated = false;
    HeaderCheck header;
    bool rule2008 = true;
    std::exception_ptr failure;
};

}  // namespace

// --- Identification tab ------------------------------------------------------------------------

void Frm_KLV_Declara::CboNumDoc_Click() {
    const QString r = ruc();
    const bool ownOnly = r != outsideDeclarant_;
    DeclarantNames d;
    std::exception_ptr failure;
    try {
        d = LongWork::call(ctx_, this, [r, ownOnly](AppContext& w) { return readDeclarant(w, r, ownOnly); });
    } catch (const std::exception&) {
        failure = std::current_exception();
    }
    applyDeclarant(d, failure);
}

void Frm_KLV_Declara::applyDeclarant(const DeclarantNames& d, const std::exception_ptr& failure) {
    if (failure) reportFailure(failure);
    const QString r = ruc();
    const bool empresa = d.empresa();
    Label10[1]->setVisible(empresa);
    TxtRazsoc->setVisible(empresa);
    for (QWidget* w : {static_cast<QWidget*>(Label10[3]), static_cast<QWidget*>(Label10[4]),
                       static_cast<QWidget*>(Label10[5]), static_cast<QWidget*>(TxtNombre_1),
                       static_cast<QWidget*>(TxtApellido_P), static_cast<QWidget*>(TxtApellido_M)})
        w->setVisible(!empresa);
    showFromStart(TxtRazsoc, d.nombre);
    TxtNombre_1->setText(empresa ? QString() : d.nombre1);
    TxtApellido_P->setText(empresa ? QString() : d.apellidoP);
    TxtApellido_M->setText(empresa ? QString() : d.apellidoM);

    if (st_.mode == kModoNuevo) {
        MkePeriodo->setFocus();
        if (!r.trimmed().isEmpty()) clearAttachment();
    }
    setModified();
}

void Frm_KLV_Declara::MkePeriodo_Change() {
    if (MkePeriodo->text().size() != 4) return;
    applyPeriodLayout(kPreguntaEstTecCorta);
    if (st_.mode == kModoNuevo) clearAttachment();
    // From 2013 a declarant without the obligation names no author of the study.
    setRucAutorEnabled(!(period() >= 2013 && OptEstTecTra_No->isChecked()));
    if (!TxtRUC->isEnabled()) TxtRUC->clear();
}

void Frm_KLV_Declara::MkePeriodo_LostFocus() {
    if (CboNumDoc->currentText().isEmpty()) {
        udp_Mensaje(ctx_, 1, kFrmDeclara);
        CboNumDoc->setFocus();
        return;
    }
    if (!checkPeriodAndPublish()) return;
    applyPeriodLayout(kPreguntaEstTecCorta);
}

bool Frm_KLV_Declara::checkPeriodAndPublish() {
    bool lookup = false;
    if (!checkPeriodYear(lookup)) return false;
    if (!lookup) return true;
    const QString r = ruc(), periodo = MkePeriodo->text();
    bool exists = false;
    std::exception_ptr failure;
    try {
        exists = LongWork::call(ctx_, this, [r, periodo](AppContext& w) { return udf_Form_Existe(w, 6, r, periodo); });
    } catch (const std::exception&) {
        failure = std::current_exception();
    }
    return publishPeriod(exists, failure);
}

bool Frm_KLV_Declara::checkPeriodYear(bool& lookup) {
    const int p = period();
    lookup = false;
    if (p > ctx_.clock->year()) {
        udp_Mensaje(ctx_, 11, kFrmDeclara);
        return false;
    }
    lookup = p > 2005;
    return true;
}

bool Frm_KLV_Declara::publishPeriod(bool exists, const std::exception_ptr& failure) {
    if (failure) {
        reportFailure(failure);
        return false;
    }
    if (exists && st_.mode == kModoNuevo) {
        ctx_.msg(kMsgDeclaracionExiste, MsgStyle::Critical);
        return false;
    }
    if (ctx_.panels) {
        ctx_.panels->setPanelRuc(ruc());
        ctx_.panels->setPanelNombre(TxtRazsoc->text());
        ctx_.panels->setPanelPeriodo(MkePeriodo->text());
    }
    setModified();
    return true;
}

void Frm_KLV_Declara::applyPeriodLayout(const QString& shortCaption) {
    const bool from2012 = period() >= 2012;
    LblEstTecTra->setText(from2012 ? shortCaption : kPreguntaEstTecLarga);
    FraAdjuntar->setVisible(from2012);
    FraRectificatoria->setVisible(from2012);
}

void Frm_KLV_Declara::TabDeclaraciones_Click(int /*previousTab*/) {
    // Selecting a tab from inside this handler must not run it again: with an invalid header the
    // tabs would bounce, repeating every message.
    if (inTabHandler_) return;
    FlagScope guard(inTabHandler_);
    try {
        bool lookup = false;
        if (!CboNumDoc->currentText().isEmpty()) {
            if (!checkPeriodYear(lookup)) return;
        } else {
            udp_Mensaje(ctx_, 1, kFrmDeclara);
            CboNumDoc->setFocus();
        }
        const bool validate = TabDeclaraciones->currentIndex() == kTabTransacciones;
        if (lookup || validate) {
            // One call: whether the declaration is stored, then the header's checks and the 2008
            // rule (each showing its message as it runs) on the state as the period's check leaves
            // it.
            DeclarationState st = gatheredState();
            if (lookup && !st.loading) st.modified = true;
            const bool nuevo = st_.mode == kModoNuevo;
            const QString r = ruc(), periodo = MkePeriodo->text();
            TabRead t;
            try {
                t = LongWork::call(ctx_, this, [lookup, validate, st, nuevo, r, periodo](AppContext& w) {
                    TabRead t;
                    if (lookup) {
                        try {
                            t.exists = udf_Form_Existe(w, 6, r, periodo);
                        } catch (const std::exception&) {
                            t.existsFailure = std::current_exception();
                            return t;
                        }
                        if (t.exists && nuevo) return t;
                    }
                    if (validate) {
                        try {
                            t.header = udf_Validar(w, st);
                            t.validated = true;
                            t.rule2008 = udf_Validar_det_2008(w, st);
                        } catch (const std::exception&) {
                            t.failure = std::current_exception();
                        }
                    }
                    return t;
                });
            } catch (const std::exception& e) {
                if (!lookup) throw;
                reportFailure(e);
                return;
            }
            if (lookup && !publishPeriod(t.exists, t.existsFailure)) return;
            if (validate) {
                gatherState();
                if (t.validated) {
                    if (t.header.ok) {
                        setHelpContext(ctx_.help, this, kHelpTransacciones);
                    } else {
                        selectTab(kTabIdentificacion);
                        focusOn(t.header.focus);
                    }
                }
                if (t.failure) std::rethrow_exception(t.failure);
                if (!t.rule2008) selectTab(kTabTransacciones);
            }
        }
    } catch (const std::exception& e) {
        reportFailure(e);
    }
    if (TabDeclaraciones->currentIndex() == kTabIdentificacion) {
        setHelpContext(ctx_.help, this, kHelpIdentificacion);
        // The key and the answers the transactions depend on are locked while there are any.
        lockKey(model_->totalRows() > 0);
    } else {
        setHelpContext(ctx_.help, this, kHelpTransacciones);
    }
}

void Frm_KLV_Declara::OptAutoMonExt_Si_Click() {
    if (OptAutoMonExt_Si->isChecked()) st_.answer1 = QStringLiteral("1");
    setModified();
}

void Frm_KLV_Declara::OptAutoMonExt_No_Click() {
    if (OptAutoMonExt_No->isChecked()) st_.answer1 = QStringLiteral("0");
    setModified();
}

void Frm_KLV_Declara::OptEstTecTra_Si_Click() {
    const bool si = OptEstTecTra_Si->isChecked();
    if (si) st_.answer2 = QStringLiteral("1");
    if (period() >= 2012) {
        FraAdjuntar->setEnabled(si);
        if (!si) {
            TxtRuta->clear();
            TxtTam->clear();
        }
    }
    setRucAutorEnabled(true);
    setModified();
}

void Frm_KLV_Declara::OptEstTecTra_No_Click() {
    const bool no = OptEstTecTra_No->isChecked();
    if (no) st_.answer2 = QStringLiteral("0");
    if (period() >= 2012 && no) {
        FraAdjuntar->setEnabled(false);
        TxtRuta->clear();
        TxtTam->clear();
        // A new declaration forgets the study it had attached; a stored one keeps it, also when
        // a new declaration is typed over the key of a stored one.
        if (st_.mode == kModoNuevo) {
            try {
                gatherState();
                const DeclarationKey key = st_.key(ctx_);
                LongWork::call(ctx_, this, [key](AppContext& w) {
                    if (!udf_Form_Existe(w, key.tipDocD, key.docIdD, key.periodo)) deleteAttachedStudy(w, key);
                });
            } catch (const std::exception& e) {
                reportFailure(e);
            }
        }
    }
    if (period() >= 2013) {
        setRucAutorEnabled(false);
        TxtRUC->clear();
    }
    setModified();
}

void Frm_KLV_Declara::CmdAdjuntar_Click() {
    if (!ctx_.forms.importDialog) {
        ctx_.msg(kMsgEnDesarrollo, MsgStyle::Exclamation);
        return;
    }
    const OpenDeclaration decl = openDeclaration();
    ctx_.forms.importDialog(this, kCallerAttach, &decl);
    Form_Activate();
}

void Frm_KLV_Declara::TxtRuta_Change() {
    TxtRuta->setToolTip(TxtRuta->text());  // the whole path, however narrow the box
    if (period() < 2012) return;
    ChkETPT->setChecked(!TxtRuta->text().trimmed().isEmpty() && OptEstTecTra_Si->isChecked());
}

void Frm_KLV_Declara::OptRectifica_Click(int index) {
    st_.rectifica.clear();
    if (index == 0) st_.rectifica = QStringLiteral("0");
    if (index == 1) {
        st_.rectifica = QStringLiteral("1");
        if (!st_.loading) ctx_.msg(kMsgRecuerdeRectificar, MsgStyle::Exclamation, kCaptionDeclara);
    }
    setModified();
}

bool Frm_KLV_Declara::eventFilter(QObject* watched, QEvent* event) {
    if (watched == MkePeriodo || watched == TxtRUC) {
        if (event->type() == QEvent::KeyPress) {
            // Shift+Insert (and in the period box the context-menu key) empty the clipboard, so
            // nothing is pasted that way.
            auto* key = static_cast<QKeyEvent*>(event);
            const bool shiftInsert = key->key() == Qt::Key_Insert && key->modifiers() == Qt::ShiftModifier;
            const bool menuKey = watched == MkePeriodo && key->key() == Qt::Key_Menu;
            if (shiftInsert || menuKey) {
                QApplication::clipboard()->setText(QString());
                return true;
            }
        } else if (watched == MkePeriodo && event->type() == QEvent::FocusOut && !st_.loading && !closing_) {
            // Leaving the box for another control of the form (not another window or a popup).
            switch (static_cast<QFocusEvent*>(event)->reason()) {
            case Qt::MouseFocusReason:
            case Qt::TabFocusReason:
            case Qt::BacktabFocusReason:
            case Qt::ShortcutFocusReason:
            case Qt::OtherFocusReason:
                MkePeriodo_LostFocus();
                break;
            default:
                break;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace klv
