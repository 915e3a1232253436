// The transactions tab of the declaration form Frm_KLV_Declara: the read of the grid's rows and
// the six totals on the engine's thread and their putting in place, and the commands Nuevo,
// Modificar, Eliminar and Importar with the forms they open.
#include "frm_klv_declara.h"

#include "declaration_save.h"
#include "frm_klv_declara_common.h"
#include "long_work.h"
#include "transaction_grid_model.h"
#include "wait_cursor.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableView>
#include <algorithm>
#include <exception>

namespace klv {

using namespace declaration_form;

Frm_KLV_Declara::GridRead Frm_KLV_Declara::readGrid(AppContext& w, int tipDocD, const QString& ruc,
                                                    const QString& periodo, const WorkProgress& progress) {
    GridRead g;
    g.tipDocD = tipDocD;
    g.ruc = ruc;
    g.periodo = periodo;
    g.stamp = w.db().changeStamp();
    if (progress) {
        // The share of the work done: the grid's rows read of the working transactions, then the
        // totals, one statement that reads them again: the second half.
        const auto rows = static_cast<qint64>(udf_CuentaTmpTransacc(w));
        g.grid.load(w, tipDocD, ruc, periodo, [&](qint64 read) { progress(std::min(read, rows), 2 * rows); });
        progress(rows, 2 * rows);
    } else {
        g.grid.load(w, tipDocD, ruc, periodo);
    }
    try {
        g.totals = upd_TotalizarMtoTransacc(w, tipDocD, periodo, ruc, QString());
    } catch (const DbError&) {
        // Totals that cannot be summed are not shown; the grid and its count still are.
        g.totalsFailure = std::current_exception();
    }
    return g;
}

Frm_KLV_Declara::GridRead Frm_KLV_Declara::readGridKept(AppContext& w, int tipDocD, const QString& ruc,
                                                        const QString& periodo) {
    try {
        return readGrid(w, tipDocD, ruc, periodo);
    } catch (const std::exception&) {
        GridRead g;
        g.failure = std::current_exception();
        return g;
    }
}

// --- Grid --------------------------------------------------------------------------------------

void Frm_KLV_Declara::applyGrid(GridRead g) {
    QLineEdit* const totals[] = {TxtMtoTran00, TxtMtoSinAju01, TxtMtoAju01, TxtMtoTran02, TxtMtoAjuPos02, TxtMtoAjuNeg02};
    if (g.failure) {
        // A failed read leaves the grid empty, without a count and without totals: it is no empty
        // result, and what was shown before belongs to another reading.
        model_->clear();
        lblNumTransacciones->clear();
        for (QLineEdit* box : totals) box->clear();
        std::rethrow_exception(g.failure);
    }
    gridTipDoc_ = g.tipDocD;
    gridRuc_ = g.ruc;
    gridPeriodo_ = g.periodo;
    gridStamp_ = g.stamp;
    model_->replace(std::move(g.grid));
    if (model_->rowCount() > 0) GrdTransacciones->setCurrentIndex(model_->index(0, 0));

    const DeclarationTotals& t = g.totals;
    const QString texts[] = {t.mtoTran00, t.mtoSinAju01, t.mtoAju01, t.mtoTran02, t.mtoAjuPos02, t.mtoAjuNeg02};
    for (int i = 0; i < 6; ++i) {
        if (g.totalsFailure)
            totals[i]->clear();
        else
            totals[i]->setText(texts[i]);
    }
    Label10[15]->setText(totalsCaption(OptAutoMonExt_Si->isChecked(), OptAutoMonExt_No->isChecked()));
    lblNumTransacciones->setText(countLabel(model_->totalRows()));
    if (g.totalsFailure) std::rethrow_exception(g.totalsFailure);
}

// --- Transactions tab ----------------------------------------------------------------------------

void Frm_KLV_Declara::CmdOpciones_Click(int index) {
    setModified();
    switch (index) {
    case 0:
        openTransactionForm(kModoNuevo);
        break;
    case 1:
        if (model_->totalRows() == 0) {
            udp_Mensaje(ctx_, 8, kFrmDeclara);
            return;
        }
        openTransactionForm(kModoModificar);
        break;
    case 2: {
        if (model_->totalRows() == 0) {
            udp_Mensaje(ctx_, 9, kFrmDeclara);
            return;
        }
        if (ctx_.msg(kMsgConfirmaEliminar, MsgStyle::YesNo | MsgStyle::Question | MsgStyle::DefaultButton2) !=
            MsgAnswer::Yes)
            return;
        const int row = std::max(0, GrdTransacciones->currentIndex().row());
        const DeclarationKey key{6, ruc().trimmed(), MkePeriodo->text().trimmed(), ctx_.gFormulario};
        const int tipDoc = gridTipDoc_;
        const QString gridRuc = gridRuc_, gridPeriodo = gridPeriodo_;
        GridRead g;
        try {
            // One call: the delete (another program's lock is waited for on the engine's thread,
            // with the windows painted), then the grid's query again with the arguments of its last
            // reload, the totals and the count.
            const Party party = model_->grid().party(row);
            const long cor = model_->grid().corTransaccion(row);
            g = LongWork::call(
                ctx_, this,
                [key, party, cor, tipDoc, gridRuc, gridPeriodo](AppContext& w) {
                    eliminarTransaccionTemporal(w, key, party, cor);
                    return readGridKept(w, tipDoc, gridRuc, gridPeriodo);
                },
                QStringLiteral("Eliminando la transacción..."));
        } catch (const std::exception& e) {
            reportFailure(e);
            return;
        }
        try {
            WaitCursor wait;
            applyGrid(std::move(g));
        } catch (const std::exception& e) {
            reportFailure(e);
        }
        break;
    }
    case 3: {
        if (CboNumDoc->currentText().isEmpty()) {
            udp_Mensaje(ctx_, 1, kFrmDeclara);
            CboNumDoc->setFocus();
            return;
        }
        if (!ctx_.forms.importDialog) {
            ctx_.msg(kMsgEnDesarrollo, MsgStyle::Exclamation);
            return;
        }
        const OpenDeclaration decl = openDeclaration();
        hiddenWhile([&] { ctx_.forms.importDialog(parentWidget(), kFrmDeclara, &decl); });
        break;
    }
    default:
        break;
    }
}

void Frm_KLV_Declara::openTransactionForm(const QString& mode) {
    if (!ctx_.forms.transaction) {
        ctx_.msg(kMsgEnDesarrollo, MsgStyle::Exclamation);
        return;
    }
    const OpenDeclaration decl = openDeclaration();
    TransactionKey key;
    if (mode == kModoModificar) {
        const int row = std::max(0, GrdTransacciones->currentIndex().row());
        key.declaration = DeclarationKey{6, ruc(), MkePeriodo->text(), ctx_.gFormulario};
        key.party = model_->grid().party(row);
        key.corTransaccion = model_->grid().corTransaccion(row);
    }
    hiddenWhile([&] {
        ctx_.forms.transaction(parentWidget(), mode, kFrmDeclara, decl, mode == kModoModificar ? &key : nullptr);
    });
}

void Frm_KLV_Declara::hiddenWhile(const std::function<void()>& openForm) {
    const QPoint at = pos();
    hide();
    openForm();
    move(at);
    show();
    Form_Activate();
}

}  // namespace klv
