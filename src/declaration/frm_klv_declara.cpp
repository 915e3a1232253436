// The declaration form Frm_KLV_Declara: its opening (the declarant list, a stored declaration
// with its working copy rebuilt, or an empty one, and the grid, read in one call), its height, its
// activation, and the helpers its handlers share. The widgets are built in
// frm_klv_declara_build.cpp, the identification tab's handlers are in frm_klv_declara_header.cpp,
// the grid and the transactions tab in frm_klv_declara_grid.cpp, Grabar, Validar and Salir in
// frm_klv_declara_buttons.cpp.
#include "frm_klv_declara.h"

#include "combo_fillers.h"
#include "frm_klv_declara_common.h"
#include "long_work.h"
#include "param_lookups.h"
#include "status_panels.h"
#include "wait_cursor.h"
#include "window_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QShowEvent>
#include <QTabWidget>
#include <algorithm>
#include <exception>

namespace klv {

using namespace declaration_form;

Frm_KLV_Declara::EditRead Frm_KLV_Declara::readEdit(AppContext& w, const QStringList& declarants, DeclarationState st,
                                                    const QString& outsideDeclarant, const DeclarationKey& key,
                                                    const WorkProgress& progress) {
    EditRead e;
    e.header = readStoredHeader(w, key.tipDocD, key.docIdD, key.periodo);
    const StoredHeader& h = e.header;
    if (!h.found) return e;
    for (int i = 0; i < declarants.size() && e.declarant < 0; ++i)
        if (declarants[i].left(11) == h.docIdD) e.declarant = i;
    QString outside = outsideDeclarant;
    QString item;
    if (e.declarant < 0) {
        e.outside = true;
        outside = h.docIdD;
        e.outsideItem = udf_ItemContribuyente(h.docIdD, readDeclarant(w, h.docIdD, false).nombre);
        item = e.outsideItem;
    } else {
        item = declarants[e.declarant];
    }
    const QString ruc = item.left(11);
    try {
        e.names = readDeclarant(w, ruc, ruc != outside);
    } catch (const std::exception&) {
        e.namesFailure = std::current_exception();
        if (heldByAnother(e.namesFailure)) throw;  // the rebuild would wait as long again
    }
    // The rebuild starts from the state the form gathers once the declarant is chosen.
    st.cboNumDoc = item;
    st.razonSocial = e.names.nombre;
    // The share of the whole opening, from here: the rows the rebuild goes through, then the
    // grid's rows read (one a transaction copied) and its totals (as many again, see readGrid).
    const WorkingCopyWork work = countWorkingCopy(w, key);
    e.rebuilt = work.rows();
    const qint64 whole = work.rows() + 2 * work.transactions;
    auto tell = [&](qint64 done) {
        if (progress) progress(std::min(done, e.rebuilt), whole);
    };
    tell(0);
    klv::udp_CargarEdit(w, st, key.tipDocD, key.docIdD, key.periodo, tell);
    e.st = st;
    return e;
}

// --- Opening -----------------------------------------------------------------------------------

bool Frm_KLV_Declara::run(AppContext& ctx, QWidget* parent, const QString& caller, const DeclarationKey* key) {
    Frm_KLV_Declara form(ctx, parent);
    form.udp_DefCaller(caller);
    try {
        form.Form_Load(key);
    } catch (const std::exception& e) {
        ctx.msg(QStringLiteral("No se pudo abrir la declaración.\r\n") + failureText(e), MsgStyle::Critical);
        // The chooser comes back when it opened the form.
        return caller == kCallerChooser;
    }
    return form.showModal();
}

void Frm_KLV_Declara::udp_DefCaller(const QString& caller) {
    if (caller == kCallerMain)
        st_.mode = kModoNuevo;
    else if (caller == kCallerChooser)
        st_.mode = kModoModificar;
}

void Frm_KLV_Declara::Form_Load(const DeclarationKey* key) {
    WaitCursor wait;
    resize(std::max(kWidth, minimumSizeHint().width()), kHeight);
    FlagScope loading(st_.loading);
    st_.modified = false;

    udp_AnchoListaCombo(this, CboNumDoc, 75);
    // One call reads it all: the declarant list; then the stored declaration, its rebuilt working
    // copy and its grid, or for a new declaration the working copy emptied and its (empty) grid. A
    // new declaration has no declarant chosen yet: its key on the form is empty.
    const std::optional<DeclarationKey> stored =
        st_.mode == kModoModificar && key ? std::optional<DeclarationKey>(*key) : std::nullopt;
    const DeclarationState st = gatheredState();
    const QString outside = outsideDeclarant_;
    const QString periodo = MkePeriodo->text();
    const DeclarationKey empty{6, QString(), periodo, ctx_.gFormulario};
    LongWork work(ctx_, this, QStringLiteral("Abriendo la declaración..."));
    LoadRead r = work.run<LoadRead>([stored, st, outside, periodo, empty](AppContext& w, const WorkProgress& progress) {
        LoadRead r;
        r.declarants = udf_ItemsContribuyentes(w, QStringLiteral("6"));
        if (stored) {
            r.edit = readEdit(w, r.declarants, st, outside, *stored, progress);
            const qint64 rebuilt = r.edit->rebuilt;
            if (r.edit->header.found)
                r.grid = readGrid(w, stored->tipDocD, stored->docIdD, stored->periodo,
                                  [&](qint64 done, qint64 total) { progress(rebuilt + done, rebuilt + total); });
        } else {
            udp_CargarTemps(w, empty);
            r.grid = readGrid(w, 6, QString(), periodo, progress);
        }
        return r;
    });

    udp_CargaCombo(CboNumDoc, r.declarants);
    CboNumDoc->setCurrentIndex(-1);
    selectTab(kTabIdentificacion);
    setHelpContext(ctx_.help, this, kHelpIdentificacion);

    if (r.edit) {
        udp_CargarEdit(r);
    } else {
        gatherState();
        applyGrid(std::move(r.grid));
    }
    gridFromLoad_ = true;
    st_.loading = false;

    if (period() >= 2012) {
        LblEstTecTra->setText(kPreguntaEstTecCortaApertura);
        FraAdjuntar->show();
        FraRectificatoria->show();
    } else {
        FraAdjuntar->hide();
        FraRectificatoria->hide();
    }
    focusFirstControl(TabDeclaraciones->widget(kTabIdentificacion));
}

void Frm_KLV_Declara::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Laid out now at its width, before it is first drawn.
    if (!fitted_) {
        fitted_ = true;
        fitHeight();
    }
}

void Frm_KLV_Declara::fitHeight() {
    // The captions take as many lines as the form's width leaves them, so the height the header
    // needs is known only once the form is laid out: the designed height, or what the tallest
    // header needs when the captions take more (a natural person's three rows of names, and the
    // taller of the two year layouts: from 2012 the short question 2 with the two frames below
    // it, before 2012 the long question alone). Nothing is left as an empty band.
    QWidget* page = TabDeclaraciones->widget(kTabIdentificacion);
    QLayout* header = page->layout();
    const int pageWidth = page->width();
    const QString caption = LblEstTecTra->text();
    QWidget* const toggled[] = {Label10[1], TxtRazsoc,     Label10[3],    Label10[4],       Label10[5],
                                TxtNombre_1, TxtApellido_P, TxtApellido_M, FraAdjuntar, FraRectificatoria};
    std::vector<bool> shown;
    for (QWidget* w : toggled) shown.push_back(w->isVisibleTo(page));
    auto need = [&](bool from2012) {
        LblEstTecTra->setText(from2012 ? kPreguntaEstTecCortaApertura : kPreguntaEstTecLarga);
        for (size_t i = 0; i < 8; ++i) toggled[i]->setVisible(i >= 2);  // a natural person's names
        FraAdjuntar->setVisible(from2012);
        FraRectificatoria->setVisible(from2012);
        header->invalidate();
        return header->totalHeightForWidth(pageWidth);
    };
    const int content = std::max({need(true), need(false),
                                  TabDeclaraciones->widget(kTabTransacciones)->minimumSizeHint().height()});
    LblEstTecTra->setText(caption);
    for (size_t i = 0; i < std::size(toggled); ++i) toggled[i]->setVisible(shown[i]);
    const int target = std::max(kHeight, height() - page->height() + content);
    setMinimumHeight(target);
    resize(width(), target);
}

void Frm_KLV_Declara::udp_CargarEdit(LoadRead& r) {
    EditRead& e = *r.edit;
    const StoredHeader& h = e.header;
    if (!h.found) throw DbError(DbErr::NoCurrentRecord, QStringLiteral("No hay ningún registro activo."));

    MkePeriodo->setText(h.periodo);
    udp_CargaCombo(CboNumDoc, r.declarants);
    int declarant = e.declarant;
    if (e.outside) {
        // The chooser lists every stored declaration, also those of taxpayers outside the user's
        // list: the declarant joins the list, so that the form (its grid, totals, checks and save)
        // stays on the declaration chosen.
        outsideDeclarant_ = h.docIdD;
        CboNumDoc->addItem(e.outsideItem);
        declarant = CboNumDoc->count() - 1;
    }
    CboNumDoc->setCurrentIndex(declarant);
    applyDeclarant(e.names, e.namesFailure);
    (h.answer1 == QLatin1String("1") ? OptAutoMonExt_Si : OptAutoMonExt_No)->setChecked(true);
    (h.answer2 == QLatin1String("1") ? OptEstTecTra_Si : OptEstTecTra_No)->setChecked(true);
    TxtRUC->setText(h.rucAutor);
    // From 2012 the rectification answer; a declaration without its status row stays unanswered.
    if (decl::periodValue(h.periodo) >= 2012 && !h.rectifica.isEmpty())
        OptRectifica[h.rectifica == QLatin1String("1") ? 1 : 0]->setChecked(true);

    // The working copy was rebuilt, and the status bar, the number of parties, the mode and
    // gAutContExt set, by the opening's call.
    st_ = e.st;
    applyGrid(std::move(r.grid));
    if (ctx_.gAccion == 1) lockKey(true);
}

bool Frm_KLV_Declara::showModal() {
    setWindowModality(Qt::ApplicationModal);
    show();
    Form_Activate();
    // A loop of our own rather than exec(): the form hides itself while the transaction form or
    // the import dialog is open, and hiding must not end it.
    if (isVisible()) {
        QEventLoop loop;
        connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::DialogExec);
    }
    return closedInModify_;
}

void Frm_KLV_Declara::Form_Activate() {
    // Right after the load the grid and the totals already show this declaration's working copy:
    // a large one is not read twice while nothing has been written since (the stamp read now is
    // the one read before the grid's rows).
    const bool fromLoad =
        gridFromLoad_ && gridTipDoc_ == 6 && gridRuc_ == ruc() && gridPeriodo_ == MkePeriodo->text();
    gridFromLoad_ = false;
    const Database::ChangeStamp shown = gridStamp_;
    const QString r = ruc(), periodo = MkePeriodo->text();
    const bool study = !FraAdjuntar->isHidden() && period() >= 2012 && OptEstTecTra_Si->isChecked();
    DeclarationKey key;
    if (study) {
        gatherState();
        key = st_.key(ctx_);
    }
    ActivateRead a;
    try {
        WaitCursor wait;
        a = LongWork::call(ctx_, this, [fromLoad, shown, r, periodo, study, key](AppContext& w) {
            ActivateRead a;
            try {
                a.fresh = fromLoad && w.db().changeStamp() == shown;
            } catch (const std::exception&) {
                // In doubt the grid is read again, which reports what fails.
            }
            if (!a.fresh) a.grid = readGridKept(w, 6, r, periodo);
            // Behind another program's lock the study's read would wait as long again for the
            // same answer, which the grid's failure tells already.
            if (study && !heldByAnother(a.grid.failure)) {
                try {
                    a.study = readAttachedStudy(w, key);
                } catch (const std::exception&) {
                    a.studyFailure = std::current_exception();
                }
            }
            return a;
        });
    } catch (const std::exception& e) {
        reportFailure(e);
        return;
    }
    if (!a.fresh) {
        try {
            WaitCursor wait;
            applyGrid(std::move(a.grid));
        } catch (const std::exception& e) {
            reportFailure(e);
        }
    }
    if (study) {
        if (a.studyFailure) {
            reportFailure(a.studyFailure);
        } else if (a.study.found) {
            TxtRuta->setText(attachedStudyPath(a.study));  // shown from its end: the name
            TxtTam->setText(a.study.tamarc);
        }
    }
}

// --- Helpers -------------------------------------------------------------------------------------

void Frm_KLV_Declara::gatherState() { st_ = gatheredState(); }

DeclarationState Frm_KLV_Declara::gatheredState() const {
    DeclarationState st = st_;
    st.cboNumDoc = CboNumDoc->currentIndex() >= 0 ? CboNumDoc->currentText() : QString();
    st.razonSocial = TxtRazsoc->text();
    st.periodo = MkePeriodo->text();
    st.periodoEnabled = MkePeriodo->isEnabled();
    st.rucAutor = TxtRUC->text();
    st.rutaEstudio = TxtRuta->text();
    return st;
}

void Frm_KLV_Declara::setModified() {
    if (!st_.loading) st_.modified = true;
}

QString Frm_KLV_Declara::ruc() const { return CboNumDoc->currentText().left(11); }

int Frm_KLV_Declara::period() const { return decl::periodValue(MkePeriodo->text()); }

OpenDeclaration Frm_KLV_Declara::openDeclaration() const {
    OpenDeclaration d;
    d.cboNumDoc = CboNumDoc->currentText();
    d.periodo = MkePeriodo->text();
    d.answer1 = st_.answer1;
    d.answer2 = st_.answer2;
    return d;
}

void Frm_KLV_Declara::lockKey(bool locked) {
    for (QWidget* w : {static_cast<QWidget*>(CboNumDoc), static_cast<QWidget*>(MkePeriodo),
                       static_cast<QWidget*>(OptAutoMonExt_Si), static_cast<QWidget*>(OptAutoMonExt_No),
                       static_cast<QWidget*>(OptEstTecTra_Si), static_cast<QWidget*>(OptEstTecTra_No)})
        w->setEnabled(!locked);
}

void Frm_KLV_Declara::setRucAutorEnabled(bool enabled) {
    TxtRUC->setEnabled(enabled);
    QPalette p = TxtRUC->palette();
    // White when it may be typed in, the button face when not.
    p.setColor(QPalette::Base, enabled ? QColor(Qt::white) : palette().color(QPalette::Button));
    TxtRUC->setPalette(p);
}

void Frm_KLV_Declara::clearAttachment() {
    TxtRuta->clear();
    TxtTam->clear();
    ChkETPT->setChecked(false);
}

void Frm_KLV_Declara::focusOn(DeclFocus focus) {
    if (focus == DeclFocus::CboNumDoc)
        CboNumDoc->setFocus();
    else if (focus == DeclFocus::MkePeriodo && MkePeriodo->isEnabled())
        MkePeriodo->setFocus();
}

void Frm_KLV_Declara::selectTab(int index) { TabDeclaraciones->setCurrentIndex(index); }

void Frm_KLV_Declara::reportFailure(const std::exception& e) {
    ctx_.msg(QStringLiteral("No se pudo completar la operación.\r\n") + failureText(e), MsgStyle::Critical);
}

void Frm_KLV_Declara::reportFailure(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        reportFailure(e);
    }
}

}  // namespace klv
