// The per-type detail: rows prepared in both modes, the total, the closing check, and the detail
// form driven as a user would.
#include "declaration_state.h"
#include "fault_injection.h"
#include "find_child.h"
#include "frm_detalle_om.h"
#include "long_work.h"
#include "frm_transacciones.h"
#include "status_panels.h"
#include "transaction_fixture.h"
#include "transaction_save.h"
#include "type_detail.h"
#include "when_shown.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

#include <atomic>
#include <functional>

namespace klv::test {
namespace {

class DetailTest : public TransactionTest {
protected:
    DetailTest() { party(kDoc, false, true); }

    TransactionState other(const QStringList& types, const QString& periodo = QStringLiteral("2012")) {
        return newTransaction(ctx(), kDoc, kOtros, false, periodo, types);
    }
    TransactionKey key(long cor, const QString& periodo = QStringLiteral("2012")) {
        return TransactionKey{DeclarationKey{6, kRuc, periodo, QStringLiteral("8027")}, Party{6, kDoc}, cor};
    }
    // code=monto pairs of the detail of `cor` ("<null>" for NULL).
    QStringList rows(long cor) {
        QStringList out;
        for (const DetailRow& r : detailRows(ctx(), key(cor)))
            out << r.code + QLatin1Char('=') + (r.monto.isNull() ? QStringLiteral("<null>") : r.monto.toString());
        return out;
    }
};

TEST_F(DetailTest, AFailureAtAnyDetailRowLeavesTheDetailAsItWas) {
    TransactionState st = other({QStringLiteral("05"), QStringLiteral("07")});
    prepareDetail(ctx(), st, 1);
    tick(st, {QStringLiteral("05"), QStringLiteral("09"), QStringLiteral("11")});
    const DatabasePicture before(db());
    const int writes = failAtEveryWrite(db(), [&] {
        try {
            prepareDetail(ctx(), st, 1);
            return true;
        } catch (const DbError&) {
            return false;
        }
    }, [&](const WriteFault& f) { EXPECT_TRUE(unchanged(before, db())) << f.describe(); });
    EXPECT_GE(writes, 3);  // 07 out, 09 and 11 in
    EXPECT_EQ(rows(1), (QStringList{QStringLiteral("05=<null>"), QStringLiteral("09=<null>"), QStringLiteral("11=<null>")}));
}

TEST_F(DetailTest, RowsPreparedForANewTransaction) {
    // A description longer than the column is cut to 70 characters.
    db().exec(QStringLiteral("UPDATE PARAM SET FUNCION=? WHERE NUMERO='395' AND ARGUMENTO='05'"), {QString(90, QLatin1Char('D'))});
    TransactionState st = other({QStringLiteral("05"), QStringLiteral("07")});
    EXPECT_EQ(detailNumber(ctx(), st), 1);
    prepareDetail(ctx(), st, 1);
    EXPECT_EQ(rows(1), (QStringList{QStringLiteral("05=<null>"), QStringLiteral("07=<null>")}));
    EXPECT_EQ(detailRows(ctx(), key(1)).front().description, QString(70, QLatin1Char('D')));
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT COUNT(*) FROM TMPTRADET WHERE CNUMERO='666666'")).toInt(), 2);
    // Amounts typed stay; an unticked type loses its row; a newly ticked one is added.
    setDetailAmount(ctx(), key(1), QStringLiteral("05"), QStringLiteral("100"));
    tick(st, {QStringLiteral("05"), QStringLiteral("09")});
    prepareDetail(ctx(), st, 1);
    EXPECT_EQ(rows(1), (QStringList{QStringLiteral("05=100"), QStringLiteral("09=<null>")}));
    // Another transaction of the same informado has rows of its own.
    prepareDetail(ctx(), st, 2);
    setDetailAmount(ctx(), key(2), QStringLiteral("05"), QStringLiteral("7"));
    EXPECT_EQ(rows(1).front(), QStringLiteral("05=100"));
    EXPECT_EQ(TotalMonto(ctx(), key(2)), QStringLiteral("7"));
}

TEST_F(DetailTest, RowsPreparedForAStoredTransaction) {
    typeRow(3, QStringLiteral("05"), QStringLiteral("40"));
    typeRow(3, QStringLiteral("07"), QStringLiteral("60"));
    detailRow(3, QStringLiteral("07"), QStringLiteral("65"));
    TransactionState st = other({QStringLiteral("05"), QStringLiteral("11")});
    st.mode = kModoModificar;
    st.corTransaccion = 3;
    EXPECT_EQ(detailNumber(ctx(), st), 3);
    prepareDetail(ctx(), st, 3);
    // 05 starts from its stored amount, 11 has none stored, 07 is unticked but stays.
    EXPECT_EQ(rows(3), (QStringList{QStringLiteral("05=40"), QStringLiteral("07=65"), QStringLiteral("11=")}));
}

TEST_F(DetailTest, TotalsAndTheClosingCheck) {
    prepareDetail(ctx(), other({QStringLiteral("05"), QStringLiteral("07"), QStringLiteral("09")}), 1);
    EXPECT_EQ(TotalMonto(ctx(), key(1)), QStringLiteral("0"));
    setDetailAmount(ctx(), key(1), QStringLiteral("05"), QStringLiteral("100"));
    setDetailAmount(ctx(), key(1), QStringLiteral("07"), QStringLiteral("250"));
    EXPECT_EQ(TotalMonto(ctx(), key(1)), QStringLiteral("350"));
    EXPECT_FALSE(allAmountsGiven(ctx(), key(1)));
    setDetailAmount(ctx(), key(1), QStringLiteral("09"), QStringLiteral("5"));
    EXPECT_EQ(TotalMonto(ctx(), key(1)), QStringLiteral("355"));
    EXPECT_TRUE(allAmountsGiven(ctx(), key(1)));
    // Blanks are not counted but count as given; long amounts add up exactly.
    setDetailAmount(ctx(), key(1), QStringLiteral("09"), QStringLiteral("   "));
    EXPECT_EQ(TotalMonto(ctx(), key(1)), QStringLiteral("350"));
    EXPECT_TRUE(allAmountsGiven(ctx(), key(1)));
    setDetailAmount(ctx(), key(1), QStringLiteral("05"), QStringLiteral("99999999999999"));
    setDetailAmount(ctx(), key(1), QStringLiteral("07"), QStringLiteral("99999999999999"));
    EXPECT_EQ(TotalMonto(ctx(), key(1)), QStringLiteral("199999999999998"));
}

TEST_F(DetailTest, AFailureLeavesTheDetailAsItWas) {
    TransactionState st = other({QStringLiteral("05")});
    prepareDetail(ctx(), st, 1);
    db().exec(QStringLiteral("CREATE TRIGGER fail BEFORE INSERT ON TMPTRADET WHEN NEW.COD_TIP_TRANSACCION='09'"
                             " BEGIN SELECT RAISE(ABORT, 'injected'); END"));
    tick(st, {QStringLiteral("07"), QStringLiteral("09")});
    EXPECT_NE(dbErrorNumber([&] { prepareDetail(ctx(), st, 1); }), 0);
    EXPECT_EQ(rows(1), QStringList{QStringLiteral("05=<null>")});
}

TEST_F(DetailTest, TheFormShowsWholeDescriptionsAndKeepsAnAmountBeingTyped) {
    // 38 has the longest description of the list (70 characters once cut).
    prepareDetail(ctx(), other({QStringLiteral("05"), QStringLiteral("38")}), 1);
    QString handed;
    FrmDetalle_OM form(win(), key(1), [&handed](const QString& total) { handed = total; });
    form.Form_Load();
    form.show();
    auto* grid = findNamed<QTableView>(&form, "grdDetalle_OM");
    for (const DetailRow& r : detailRows(ctx(), key(1)))
        EXPECT_GE(grid->columnWidth(1), grid->fontMetrics().horizontalAdvance(r.description)) << r.code.toStdString();
    // Closed while the first amount is still being typed: it is stored and counted.
    grid->edit(grid->model()->index(0, 2));
    auto* editor = findNamed<QLineEdit>(grid, "grdDetalle_OM_Monto");
    editor->setText(QStringLiteral("7"));
    form.CmdSalir_Click();
    EXPECT_EQ(handed, QStringLiteral("7"));
    EXPECT_EQ(rows(1), (QStringList{QStringLiteral("05=7"), QStringLiteral("38=<null>")}));
}

// The grid's focus-out refreshes the total; while another work runs (a box of that work on screen,
// or the work computing) it shows no box of its own.
TEST_F(DetailTest, ARefreshWhileAnotherWorkRunsShowsNoBoxOfItsOwn) {
    prepareDetail(ctx(), other({QStringLiteral("05")}), 1);
    setDetailAmount(ctx(), key(1), QStringLiteral("05"), QStringLiteral("100"));
    FrmDetalle_OM form(win(), key(1), {});
    form.Form_Load();
    form.show();
    auto* total = findNamed<QLineEdit>(&form, "TxtTotalMonto");
    auto* grid = findNamed<QTableView>(&form, "grdDetalle_OM");
    ASSERT_EQ(total->text(), QStringLiteral("100"));
    const auto focusOut = [grid] {
        QFocusEvent e(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QCoreApplication::sendEvent(grid, &e);
    };

    // A work that waits for its box: the focus leaves the grid as the box shows; the total is read
    // inside the box's wait.
    struct FocusLeavesAtTheBox : MessageService {
        MessageService* next = nullptr;
        std::function<void()> before;
        int show(const QString& text, int style, const QString& title) override {
            before();
            return next->show(text, style, title);
        }
    } boxes;
    boxes.next = win().messages;
    boxes.before = focusOut;
    win().messages = &boxes;
    setDetailAmount(ctx(), key(1), QStringLiteral("05"), QStringLiteral("250"));
    messages().clear();
    LongWork(win(), nullptr, QString()).runWork([](AppContext& w, const WorkProgress&) {
        w.msg(QStringLiteral("Caja de la otra tarea"), MsgStyle::Information);
    });
    win().messages = boxes.next;
    ASSERT_EQ(messages().calls().size(), 1u);
    EXPECT_EQ(messages().last().text, QStringLiteral("Caja de la otra tarea"));
    EXPECT_EQ(total->text(), QStringLiteral("250"));

    // A work computing: the refresh is refused, the total stays as shown, silently.
    setDetailAmount(ctx(), key(1), QStringLiteral("05"), QStringLiteral("300"));
    std::atomic<bool> refreshed{false};
    QTimer::singleShot(0, grid, [&] {  // runs in the runner's loop, while the work computes
        focusOut();
        refreshed = true;
    });
    LongWork(win(), nullptr, QString()).runWork([&refreshed](AppContext&, const WorkProgress&) {
        const QDeadlineTimer deadline(10000);
        while (!refreshed && !deadline.hasExpired()) QThread::msleep(5);
    });
    EXPECT_TRUE(refreshed);
    EXPECT_EQ(messages().calls().size(), 1u);
    EXPECT_EQ(total->text(), QStringLiteral("250"));
    // Once the work has ended the next refresh reads it.
    focusOut();
    EXPECT_EQ(total->text(), QStringLiteral("300"));
    EXPECT_EQ(messages().calls().size(), 1u);
}

// The transaction form: a key in "Monto de las Transacciones" of other methods.
class DetailFormTest : public DetailTest {
protected:
    FrmTransacciones& open(const QString& periodo) {
        env_.panels().setPanelRuc(kRuc);
        env_.panels().setPanelPeriodo(periodo);
        form_ = std::make_unique<FrmTransacciones>(win());
        form_->udp_Modo_Accion(kModoNuevo);
        form_->udp_Def_Caller(QStringLiteral("Frm_KLV_Declara"), QStringLiteral("1"));
        form_->setDeclaration(OpenDeclaration{kRuc, periodo, QStringLiteral("0"), QStringLiteral("1")}, nullptr);
        form_->Form_Load();
        form_->show();
        win().forms.partySelection = [](QWidget*, const QString&) { return std::optional<Party>(Party{6, kDoc}); };
        form_->CmdSelec_Click();
        findNamed<QAbstractButton>(form_.get(), "OptValMetOtros")->click();
        auto* list = findNamed<QTreeWidget>(form_.get(), "LvwTipTransacc");
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(0) == QLatin1String("05") || list->topLevelItem(i)->text(0) == QLatin1String("07"))
                list->topLevelItem(i)->setCheckState(0, Qt::Checked);
        findNamed<QTabWidget>(form_.get(), "TabTransac")->setCurrentIndex(3);
        return *form_;
    }
    QLineEdit* amount() { return findNamed<QLineEdit>(form_.get(), "TxtMtoTraMonReg"); }
    static void press(QWidget* w, int key, const QString& text) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(w, &e);
    }
    // While the detail form is open: type `amounts` into its rows, then "&Salir" (twice when the
    // first refuses).
    void onDetail(const QStringList& amounts, std::vector<QString>* totals = nullptr) {
        whenShown<FrmDetalle_OM>([amounts, totals](FrmDetalle_OM& detail) {
            auto* model = qobject_cast<QStandardItemModel*>(findNamed<QTableView>(&detail, "grdDetalle_OM")->model());
            for (int r = 0; r < amounts.size() && r < model->rowCount(); ++r) model->item(r, 2)->setText(amounts[r]);
            if (totals) totals->push_back(findNamed<QLineEdit>(&detail, "TxtTotalMonto")->text());
            detail.CmdSalir_Click();
            if (detail.isVisible()) {
                model->item(amounts.size(), 2)->setText(QStringLiteral("5"));
                detail.CmdSalir_Click();
            }
        });
    }
    std::unique_ptr<FrmTransacciones> form_;
};

TEST_F(DetailFormTest, ADigitOpensTheDetailFrom2008) {
    // A detail left under the number the save will give goes when "Otros Métodos" is chosen.
    detailRow(1, QStringLiteral("99"), QStringLiteral("8"));
    FrmTransacciones& f = open(QStringLiteral("2012"));
    EXPECT_TRUE(rows(1).isEmpty());
    std::vector<QString> totals;
    onDetail({QStringLiteral("100")}, &totals);  // the second row is left empty at first
    press(amount(), Qt::Key_7, QStringLiteral("7"));
    ASSERT_EQ(totals.size(), 1u);
    EXPECT_EQ(totals[0], QStringLiteral("100"));
    EXPECT_EQ(messages().calls().back().text, S("Debe ingresar todos los montos."));
    EXPECT_EQ(messages().calls().back().style, MsgStyle::Critical);
    EXPECT_EQ(amount()->text(), QStringLiteral("105"));  // the digit was dropped, the total written
    EXPECT_TRUE(f.modified());
    EXPECT_EQ(findNamed<QLabel>(&f, "Lbl_corr")->text(), QStringLiteral("1"));
    EXPECT_EQ(rows(1), (QStringList{QStringLiteral("05=100"), QStringLiteral("07=5")}));
}

TEST_F(DetailFormTest, BeforeOrWithTheGateClosedTheKeyIsTyped) {
    open(QStringLiteral("2007"));
    press(amount(), Qt::Key_7, QStringLiteral("7"));
    EXPECT_EQ(amount()->text(), QStringLiteral("7"));
    EXPECT_TRUE(rows(1).isEmpty());

    // A stored transaction opened for modifying: nothing marked until the user types.
    TransactionState st = other({QStringLiteral("05")});
    st.texts[QStringLiteral("CboTipMoneda2")] = QStringLiteral("02  -  X");
    for (const char* b : {"TxtMtoTraMonOri", "TxtMtoTraMonReg", "TxtMtoAjuResPosReg", "TxtMtoAjuResNegReg"})
        st.texts[QLatin1String(b)] = QStringLiteral("0");
    st.texts[QStringLiteral("CboMetodoVal")] = QStringLiteral("04");
    st.checks[QStringLiteral("OptCont_OM")] = true;
    ASSERT_EQ(Grabar_Transacc(ctx(), st).outcome, SaveOutcome::Saved);
    env_.panels().setPanelRuc(kRuc);
    env_.panels().setPanelPeriodo(QStringLiteral("2012"));
    form_ = std::make_unique<FrmTransacciones>(win());
    form_->udp_Modo_Accion(kModoModificar);
    form_->udp_Def_Caller(QStringLiteral("Frm_KLV_Declara"), QStringLiteral("1"));
    const TransactionKey k = key(1);
    form_->setDeclaration(OpenDeclaration{kRuc, QStringLiteral("2012"), QStringLiteral("0"), QStringLiteral("1")}, &k);
    ASSERT_TRUE(form_->Form_Load());
    qputenv("KLV_GATE", "0");
    press(amount(), Qt::Key_4, QStringLiteral("4"));
    qunsetenv("KLV_GATE");
    EXPECT_EQ(amount()->text(), QStringLiteral("04"));
    EXPECT_TRUE(rows(1).isEmpty());
    EXPECT_FALSE(form_->modified());
}

}  // namespace
}  // namespace klv::test
