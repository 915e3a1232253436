// The declaration form driven as a user would: a new declaration through its header, Validar and
// Grabar; the period rules; a stored declaration opened for modification; the transaction
// commands; the tab change; leaving the form.
#include "bar_readings.h"
#include "box_over_bar.h"
#include "caption_label.h"
#include "declaration_fixture.h"
#include "declaration_grid.h"
#include "transaction_grid_model.h"
#include "when_shown.h"
#include "declaration_header.h"
#include "engine.h"
#include "frm_klv_declara.h"
#include "long_work.h"
#include "progress_window.h"
#include "status_panels.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTableView>
#include <QElapsedTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <sqlite3.h>
#include <thread>
#include <unistd.h>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>
#include <functional>

namespace klv::test {
namespace {

// Remembers the help contexts the form sets.
class ContextHelp : public RecordingHelpService {
public:
    void setContext(int c) override { contexts.push_back(c); }
    std::vector<int> contexts;
};

class DeclaraFormTest : public DeclarationTest {
protected:
    DeclaraFormTest() {
        windowCtx().help = &help_;
        party(QStringLiteral("P1"), {{QStringLiteral("RAZON_SOCIAL"), QStringLiteral("PARTE UNO")}});
    }

    // A fresh form opened by the main window (new) or the chooser (stored declaration `k`).
    Frm_KLV_Declara& open(const QString& caller = QStringLiteral("MDI_KLV_PT"), const DeclarationKey* k = nullptr) {
        form_ = std::make_unique<Frm_KLV_Declara>(windowCtx());
        form_->udp_DefCaller(caller);
        form_->Form_Load(k);
        form_->show();
        form_->Form_Activate();
        return *form_;
    }
    template <class T>
    T* w(const char* name) {
        T* found = form_->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void chooseDeclarant(const QString& ruc) {
        auto* cbo = w<QComboBox>("CboNumDoc");
        for (int i = 0; i < cbo->count(); ++i)
            if (cbo->itemText(i).left(11) == ruc) {
                cbo->setCurrentIndex(i);
                emit cbo->activated(i);
                return;
            }
        ADD_FAILURE() << "no declarant " << ruc.toStdString();
    }
    void typePeriod(const QString& periodo) {
        w<QLineEdit>("MkePeriodo")->setText(periodo);
        form_->MkePeriodo_LostFocus();
    }
    // Declarant, period and the answers to questions 1 and 2.
    void answerHeader(const QString& periodo = QStringLiteral("2015"), bool q2Si = false) {
        chooseDeclarant(kRuc);
        typePeriod(periodo);
        w<QRadioButton>("OptAutoMonExt_No")->setChecked(true);
        w<QRadioButton>(q2Si ? "OptEstTecTra_Si" : "OptEstTecTra_No")->setChecked(true);
    }
    // A working transaction without method of party P1, as the transaction form would write it.
    void workingTransaction(int cor, const char* amount, const QString& periodo = QStringLiteral("2015")) {
        transaction(kTmp, key(periodo), QStringLiteral("P1"), cor, QStringLiteral("00"), QStringLiteral("0"),
                    {{QStringLiteral("MTO_SIN_TRAN_MON_ORI"), QString::fromLatin1(amount)},
                     {QStringLiteral("MTO_SIN_TRAN_MON_REG"), QString::fromLatin1(amount)}});
        transactionType(QStringLiteral("TMPTRATIPTRA"), key(periodo), QStringLiteral("P1"), cor, QStringLiteral("05"),
                        QString::fromLatin1(amount));
    }
    QStringList texts() {
        QStringList out;
        for (const auto& c : messages().calls()) out << c.text;
        return out;
    }
    int tab() { return w<QTabWidget>("TabDeclaraciones")->currentIndex(); }
    QString total(const char* name) { return w<QLineEdit>(name)->text(); }
    bool keyLocked() {
        return !w<QComboBox>("CboNumDoc")->isEnabled() && !w<QLineEdit>("MkePeriodo")->isEnabled() &&
               !w<QRadioButton>("OptAutoMonExt_Si")->isEnabled() && !w<QRadioButton>("OptAutoMonExt_No")->isEnabled() &&
               !w<QRadioButton>("OptEstTecTra_Si")->isEnabled() && !w<QRadioButton>("OptEstTecTra_No")->isEnabled();
    }
    // A stored declaration of 2012 with one transaction of each valuation method.
    void storeDeclaration(const QString& periodo = QStringLiteral("2012")) {
        const auto k = key(periodo);
        insert(QStringLiteral("IDENTIFICA2"), k,
               {{QStringLiteral("AUTCONTEXT"), QStringLiteral("1")}, {QStringLiteral("ESTTECPT"), QStringLiteral("0")},
                {QStringLiteral("RUC"), QStringLiteral("")}});
        insert(QStringLiteral("CAB"), k, {{QStringLiteral("ESTADO"), 0}, {QStringLiteral("RECTIFICA"), QStringLiteral("1")}});
        const QString t2 = QStringLiteral("TRANSACCION2");
        transaction(t2, k, QStringLiteral("P1"), 1, QStringLiteral("00"), QStringLiteral("0"),
                    {{QStringLiteral("MTO_SIN_TRAN_MON_ORI"), QStringLiteral("1600")},
                     {QStringLiteral("MTO_SIN_TRAN_MON_REG"), QStringLiteral("1500")}});
        transaction(t2, k, QStringLiteral("P1"), 2, QStringLiteral("01"), QStringLiteral("0"),
                    {{QStringLiteral("MTO_TRAN_MON_ORI"), QStringLiteral("1000")},
                     {QStringLiteral("MTO_SIN_AJU_PR"), QStringLiteral("1000")},
                     {QStringLiteral("MTO_AJU_PR"), QStringLiteral("1200")}});
        transaction(t2, k, QStringLiteral("P1"), 3, QStringLiteral("02"), QStringLiteral("0"),
                    {{QStringLiteral("MTO_TRA_MON_ORI"), QStringLiteral("700")},
                     {QStringLiteral("MTO_TRA_MON_REG"), QStringLiteral("700")},
                     {QStringLiteral("MTO_AJU_RES_POS_REG"), QStringLiteral("10")},
                     {QStringLiteral("MTO_AJU_RES_NEG_REG"), QStringLiteral("5")}});
        for (int cor : {1, 2, 3})
            transactionType(QStringLiteral("TRATIPTRA2"), k, QStringLiteral("P1"), cor, QStringLiteral("05"), QStringLiteral("1"));
    }

    ContextHelp help_;
    std::unique_ptr<Frm_KLV_Declara> form_;
};

TEST_F(DeclaraFormTest, LayoutCaptionsAndStartState) {
    Frm_KLV_Declara& f = open();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("8027 Precios de Transferencia"));
    auto* tabs = w<QTabWidget>("TabDeclaraciones");
    EXPECT_EQ(tabs->tabText(0), S("&Identificación"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("&Transacciones"));
    EXPECT_EQ(w<QPushButton>("CmdGrabar")->text(), QStringLiteral("&Grabar"));
    EXPECT_EQ(w<QPushButton>("CmdValidar")->text(), QStringLiteral("&Validar"));
    EXPECT_EQ(w<QPushButton>("cmdCancelar")->text(), QStringLiteral("&Salir"));
    EXPECT_EQ(w<QLabel>("LblAutoMonExt")->text(), kPreguntaAutoMonExt);
    EXPECT_EQ(w<QLabel>("LblEstTecTra")->text(), kPreguntaEstTecLarga);
    EXPECT_EQ(w<QLabel>("Label1")->text(), kPreguntaRucAutor);
    EXPECT_EQ(w<QLabel>("Label10_0")->text(), QStringLiteral("Ruc :"));
    EXPECT_EQ(w<QLabel>("Label10_2")->text(), QStringLiteral("Ejercicio :"));
    EXPECT_EQ(w<QGroupBox>("Frame3")->title(), S("Información sobre Transacciones"));
    EXPECT_EQ(w<QPushButton>("CmdOpciones_3")->text(), QStringLiteral("&Importar"));
    EXPECT_EQ(w<QPushButton>("CmdAdjuntar")->text(), QStringLiteral("Adjuntar ETPT"));
    EXPECT_EQ(w<QLabel>("lblNumTransacciones")->text(), QStringLiteral(" 0 Registros Encontrados"));
    EXPECT_EQ(w<QLabel>("Label10_15")->text(), QStringLiteral("Totales"));
    EXPECT_EQ(total("TxtMtoTran00"), QStringLiteral("0.00"));
    EXPECT_EQ(w<QLineEdit>("TxtRUC")->maxLength(), 11);

    EXPECT_EQ(f.state().mode, QStringLiteral("Nuevo"));
    EXPECT_FALSE(f.state().modified);
    EXPECT_FALSE(f.state().loading);
    EXPECT_EQ(w<QComboBox>("CboNumDoc")->currentText(), QString());
    EXPECT_EQ(w<QComboBox>("CboNumDoc")->count(), 2);
    EXPECT_TRUE(w<QGroupBox>("FraAdjuntar")->isHidden());
    EXPECT_TRUE(w<QGroupBox>("FraRectificatoria")->isHidden());
    EXPECT_EQ(help_.contexts.back(), 1018);
    EXPECT_TRUE(messages().empty());
}

// A new declaration opens on its first control (the declarant), at the designed size with the
// header whole in either year layout and no empty band below it; the study's folder reads from its
// start.
TEST_F(DeclaraFormTest, OpensOnTheDeclarantWithTheWholeHeaderAndNoEmptyBand) {
    Frm_KLV_Declara& f = open();
    ASSERT_NE(f.focusWidget(), nullptr);
    EXPECT_EQ(f.focusWidget()->objectName(), QStringLiteral("CboNumDoc"));
    EXPECT_EQ(f.width(), 634);
    EXPECT_GE(f.height(), 459);

    QWidget* page = w<QTabWidget>("TabDeclaraciones")->widget(0);
    const QString folder = QStringLiteral("/home/contador/estudios/2012/empresa demostracion/etpt/");
    const QString name = QStringLiteral("8027206012345652012.PDF");
    db().exec(QStringLiteral("INSERT INTO EFCONTROLNS (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, SEMANA, NOMARC, TAB_D,"
                             " RUTARC, TAMARC) VALUES (6, ?, '2012', '8027', 0, ?, 'PDF', ?, 2048)"),
              {kRuc, name, folder});
    // A natural person's header (three rows of names), before 2012 and from 2012 with question 2
    // worded as a stored declaration opens.
    bool needed = f.height() == 459;  // taller only when a layout of the header needs it all
    for (const char* periodo : {"2011", "2012"}) {
        chooseDeclarant(QStringLiteral("10412345679"));
        typePeriod(QString::fromLatin1(periodo));
        if (qstrcmp(periodo, "2012") == 0) w<QLabel>("LblEstTecTra")->setText(kPreguntaEstTecCortaApertura);
        QApplication::processEvents();
        int bottom = 0;
        for (QGroupBox* frame : page->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly)) {
            if (!frame->isVisible()) continue;
            EXPECT_GE(frame->height(), frame->heightForWidth(frame->width())) << frame->objectName().toStdString();
            bottom = std::max(bottom, frame->geometry().bottom());
        }
        EXPECT_LE(page->height() - 1 - bottom, page->layout()->contentsMargins().bottom()) << periodo;
        needed = needed || page->layout()->totalHeightForWidth(page->width()) >= page->height();
    }
    EXPECT_TRUE(needed) << f.height();

    answerHeader(QStringLiteral("2012"), true);
    f.Form_Activate();
    // The whole path, in the box's tooltip too, shown from its end: the file's name reads whole.
    auto* ruta = w<QLineEdit>("TxtRuta");
    EXPECT_EQ(ruta->text(), folder + name);
    EXPECT_EQ(ruta->toolTip(), ruta->text());
    EXPECT_EQ(ruta->cursorPosition(), ruta->text().size());
    EXPECT_GT(ruta->contentsRect().width(), ruta->fontMetrics().horizontalAdvance(name) + 8);
}

TEST_F(DeclaraFormTest, GrabarOfManyRowsLetsTheEventLoopRunAndIgnoresWhatArrivesMeanwhile) {
    Frm_KLV_Declara& f = open();
    answerHeader();
    manyWorkingTransactions(40000);
    // While the save runs on the engine's thread, a timer fires; a second click on Grabar (the
    // mouse's and a programme's) and the close box arrive.
    int whileWorking = 0;
    QTimer timer;
    auto* grabar = w<QPushButton>("CmdGrabar");
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!LongWork::running() || whileWorking++ > 0) return;
        const QPointF at(grabar->rect().center());
        QCoreApplication::postEvent(grabar, new QMouseEvent(QEvent::MouseButtonPress, at, grabar->mapToGlobal(at),
                                                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(grabar, new QMouseEvent(QEvent::MouseButtonRelease, at, grabar->mapToGlobal(at),
                                                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
        grabar->click();
        f.close();
    });
    timer.start(0);
    grabar->click();
    timer.stop();
    // Nothing that arrived meanwhile is replayed afterwards.
    QCoreApplication::processEvents();
    EXPECT_GT(whileWorking, 0);
    EXPECT_EQ(texts(), QStringList{S("Toda la información fue grabada satisfactoriamente.")});
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(count(QStringLiteral("TRANSACCION2")), 40000);
}

TEST_F(DeclaraFormTest, ALookupAskedWhileGrabarComputesIsReportedAndTheSaveGoesOn) {
    Frm_KLV_Declara& f = open();
    answerHeader();
    manyWorkingTransactions(40000);
    messages().clear();
    // The period box is left while the save computes (no box of its own open): its lookup cannot
    // run then.
    bool left = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!LongWork::running() || left) return;
        left = true;
        f.MkePeriodo_LostFocus();
    });
    timer.start(0);
    w<QPushButton>("CmdGrabar")->click();
    timer.stop();
    ASSERT_TRUE(left);
    ASSERT_EQ(messages().calls().size(), 2u) << texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(messages().calls()[0].text.startsWith(S("No se pudo completar la operación.")));
    EXPECT_EQ(messages().calls()[1].text, kGrabadoOk);
    EXPECT_EQ(count(QStringLiteral("TRANSACCION2")), 40000);
}

// Another program writes the database while the large-amount question waits for its answer.
class WritesAtTheQuestion : public MessageService {
public:
    WritesAtTheQuestion(MessageService& next, QString path) : next_(next), path_(std::move(path)) {}
    int show(const QString& text, int style, const QString& title) override {
        if (text.startsWith(S("Existen transacciones mayores"))) {
            auto other = Database::open(path_, QString(), QString(), 200);
            try {
                Transaction t(*other);
                other->exec(QStringLiteral("CREATE TABLE IF NOT EXISTS OTRO_PROGRAMA (x INT)"));
                other->exec(QStringLiteral("INSERT INTO OTRO_PROGRAMA VALUES (1)"));
                t.commit();
                wrote = true;
            } catch (const DbError&) {
            }
        }
        return next_.show(text, style, title);
    }
    bool wrote = false;

private:
    MessageService& next_;
    QString path_;
};

TEST_F(DeclaraFormTest, GrabarHoldsNoLockWhileItsQuestionWaitsNorIsHeldByAnotherConnectionsLastRead) {
    open();
    answerHeader();
    party(QStringLiteral("P2"));
    workingTransaction(1, "100");
    workingTransaction(2, "100");
    transaction(kTmp, key(), QStringLiteral("P2"), 1, QStringLiteral("00"), QStringLiteral("0"),
                {{QStringLiteral("MTO_SIN_TRAN_MON_ORI"), QStringLiteral("5000")},
                 {QStringLiteral("MTO_SIN_TRAN_MON_REG"), QStringLiteral("5000")}});
    transactionType(QStringLiteral("TMPTRATIPTRA"), key(), QStringLiteral("P2"), 1, QStringLiteral("05"), QStringLiteral("5000"));
    WritesAtTheQuestion other(messages(), env().dbFile());
    windowCtx().messages = &other;
    messages().script(MsgAnswer::Yes);
    // Another connection (the test's own) reads just before the click: the engine's commit is not
    // held back by it (it would wait the whole busy timeout, then fail).
    EXPECT_EQ(db().rows(QStringLiteral("SELECT * FROM TMPTRANSACCION2")).size(), 3u);
    QElapsedTimer took;
    took.start();
    w<QPushButton>("CmdGrabar")->click();
    windowCtx().messages = &messages();
    EXPECT_LT(took.elapsed(), 5000);
    EXPECT_TRUE(other.wrote);
    EXPECT_EQ(texts(), (QStringList{S("Existen transacciones mayores a 1000.00. ¿Es correcto?"), kGrabadoOk}));
    EXPECT_EQ(count(QStringLiteral("TRANSACCION2")), 3);
}

// Kills the process at the commit of a connection opened after it is set (the engine's), when
// armed.
std::atomic<bool> g_killAtCommit{false};
int killAtCommit(void*) {
    if (g_killAtCommit) ::kill(::getpid(), SIGKILL);
    return 0;
}
void armableCommitKill(sqlite3* handle) { sqlite3_commit_hook(handle, &killAtCommit, nullptr); }

TEST_F(DeclaraFormTest, AKillDuringASaveOnTheEnginesThreadLeavesTheOldOrTheNewSet) {
    GTEST_FLAG_SET(death_test_style, "fast");
    static const bool added = Database::addConnectionSetup(&armableCommitKill);
    ASSERT_TRUE(added);
    open();
    answerHeader();
    manyWorkingTransactions(20000);
    auto grabar = [&] { w<QPushButton>("CmdGrabar")->click(); };
    // At the commit itself (-1), then at moments spread over the copies and the commit.
    int kills = 0;
    for (int ms : {-1, 30, 100, 200, 300, 400, 600}) {
        EXPECT_EXIT(
            {
                // The forked child has no engine thread: it starts an engine of its own, whose
                // connection has the commit hook. The parent's engine is kept, never destroyed
                // here (its thread, waiting on its condition, is not in this process).
                new std::shared_ptr<Engine>(std::exchange(windowCtx().engine, Engine::open(env().dbFile())));
                if (ms < 0) g_killAtCommit = true;
                else
                    std::thread([ms] {
                        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
                        ::kill(::getpid(), SIGKILL);
                    }).detach();
                grabar();
                std::this_thread::sleep_for(std::chrono::seconds(30));
            },
            ::testing::KilledBySignal(SIGKILL), "");
        ++kills;
        // The next reader rolls back what the killed save left half-way.
        auto after = Database::open(env().dbFile());
        EXPECT_EQ(after->scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        const int stored = after->scalar(QStringLiteral("SELECT count(*) FROM TRANSACCION2")).toInt();
        const int types = after->scalar(QStringLiteral("SELECT count(*) FROM TRATIPTRA2")).toInt();
        const int cab = after->scalar(QStringLiteral("SELECT count(*) FROM CAB")).toInt();
        EXPECT_TRUE((stored == 0 && types == 0 && cab == 0) || (stored == 20000 && types == 20000 && cab == 1))
            << ms << " ms: " << stored << " " << types << " " << cab;
    }
    EXPECT_EQ(kills, 7);
}

TEST_F(DeclaraFormTest, NoBoxOfValidarOrGrabarStandsOverTheirProgressWindow) {
    party(QStringLiteral("P2"));  // without transactions: a warning before the outcome
    open();
    answerHeader();
    manyWorkingTransactions(3000);
    // The bar appears at once, however fast this machine runs through the rows.
    const auto delay = ProgressWindow::setAppearAfter(std::chrono::milliseconds(0));
    const auto restore = qScopeGuard([delay] { ProgressWindow::setAppearAfter(delay); });
    const struct {
        const char* button;
        QStringList boxes;
    } cases[] = {
        {"CmdValidar", {kInformadosSinTransacciones, S("La Declaración no presenta inconsistencias.")}},
        {"CmdGrabar", {kInformadosSinTransacciones, kGrabadoOk}},
    };
    for (const auto& c : cases) {
        BoxOverBar watch(messages());
        windowCtx().messages = &watch;
        w<QPushButton>(c.button)->click();
        windowCtx().messages = &messages();
        EXPECT_EQ(watch.boxes, c.boxes) << c.button;
    }
}

TEST_F(DeclaraFormTest, ValidarAndTheOpeningShowTheShareOfTheirWork) {
    // While Validar reads the working transactions, and from the start of the opening of a stored
    // declaration (its working copy rebuilt, then its grid read), the bar tells how much of the
    // work is done.
    const auto delay = ProgressWindow::setAppearAfter(std::chrono::milliseconds(0));
    const auto restore = qScopeGuard([delay] { ProgressWindow::setAppearAfter(delay); });
    constexpr int kRows = 30000;
    manyWorkingTransactions(kRows);
    db().exec(QStringLiteral("INSERT INTO TRANSACCION2 SELECT * FROM TMPTRANSACCION2"));
    insert(QStringLiteral("IDENTIFICA2"), key(), {{QStringLiteral("AUTCONTEXT"), QStringLiteral("0")},
                                                  {QStringLiteral("ESTTECPT"), QStringLiteral("0")}});
    windowCtx().gAccion = 1;
    const DeclarationKey k = key();
    {
        test::BarReadings bar;
        open(QStringLiteral("FrmContAbrir"), &k);
        ASSERT_EQ(form_->gridModel().totalRows(), kRows);
        const auto shares = bar.shares();
        ASSERT_FALSE(shares.empty()) << bar.readings.size() << " readings, none with a share";
        // The rebuild is half the work here (the transactions copied, then walked for the per-type
        // detail; no stored types), the grid's rows and totals the other half: a share is shown
        // before the grid is read, and once shown no reading goes without one (only the reads
        // before the rows are counted may).
        EXPECT_LT(shares.front().first, shares.front().second / 2);
        const auto first = std::find_if(bar.readings.begin(), bar.readings.end(), [](auto r) { return r.second > 0; });
        EXPECT_TRUE(std::all_of(first, bar.readings.end(), [](auto r) { return r.second > 0; }));
    }
    // A party without transactions: its warning comes once the share is known, and the rows are
    // read after it.
    party(QStringLiteral("P2"));
    test::BarReadings bar;
    w<QPushButton>("CmdValidar")->click();
    EXPECT_EQ(texts(), (QStringList{kInformadosSinTransacciones, S("La Declaración no presenta inconsistencias.")}));
    EXPECT_FALSE(bar.shares().empty()) << bar.readings.size() << " readings, none with a share";
}

TEST_F(DeclaraFormTest, NewDeclarationIsValidatedAndSavedThenLocked) {
    // Whatever the working tables held is gone when a new declaration opens.
    workingTransaction(7, "99", QStringLiteral("2010"));
    Frm_KLV_Declara& f = open();
    EXPECT_EQ(count(kTmp), 0);

    answerHeader();
    EXPECT_EQ(w<QLineEdit>("TxtRazsoc")->text(), QStringLiteral("EMPRESA DEMOSTRACION S.A.C."));
    EXPECT_EQ(env().panels().PanelRuc(), kRuc);
    EXPECT_EQ(env().panels().PanelPeriodo(), QStringLiteral("2015"));
    EXPECT_TRUE(f.state().modified);

    // Nothing can be validated or saved without a transaction.
    w<QPushButton>("CmdValidar")->click();
    EXPECT_EQ(texts(), QStringList{S("No ha registrado ninguna Transacción.")});
    EXPECT_EQ(tab(), 1);
    messages().clear();
    w<QPushButton>("CmdGrabar")->click();
    EXPECT_EQ(texts(), QStringList{S("Debe registrar al menos una Transacción\r\npara poder guardar la Declaración.")});
    EXPECT_EQ(messages().last().style, 48);
    EXPECT_EQ(count(QStringLiteral("CAB")), 0);
    EXPECT_EQ(count(QStringLiteral("IDENTIFICA2")), 0);

    // The transaction form wrote a transaction; the form comes back to the front.
    workingTransaction(1, "1500");
    f.Form_Activate();
    EXPECT_EQ(w<QLabel>("lblNumTransacciones")->text(), QStringLiteral(" 1 Registros Encontrados"));
    EXPECT_EQ(w<QLabel>("Label10_15")->text(), QStringLiteral("Totales en Nuevos Soles-Peru"));
    EXPECT_EQ(total("TxtMtoTran00"), QStringLiteral("1,500.00"));

    messages().clear();
    w<QPushButton>("CmdValidar")->click();
    EXPECT_EQ(texts(), QStringList{S("La Declaración no presenta inconsistencias.")});
    EXPECT_EQ(count(QStringLiteral("CAB")), 0);

    messages().clear();
    w<QPushButton>("CmdGrabar")->click();
    EXPECT_EQ(texts(), QStringList{S("Toda la información fue grabada satisfactoriamente.")});
    EXPECT_EQ(messages().last().style, 48);
    EXPECT_EQ(messages().last().title, windowCtx().gTitulo);
    const auto cab = db().rows(QStringLiteral("SELECT ESTADO, NROCHEQUE FROM CAB WHERE DOC_ID_D=? AND PERIODO='2015'"), {kRuc});
    ASSERT_EQ(cab.size(), 1u);
    EXPECT_EQ(cab[0].value(0).toInt(), 0);
    const auto id = db().rows(QStringLiteral("SELECT AUTCONTEXT, ESTTECPT, RUC FROM IDENTIFICA2 WHERE DOC_ID_D=?"), {kRuc});
    ASSERT_EQ(id.size(), 1u);
    EXPECT_EQ(id[0].value(0).toString(), QStringLiteral("0"));
    EXPECT_EQ(id[0].value(1).toString(), QStringLiteral("0"));
    EXPECT_EQ(count(QStringLiteral("TRANSACCION2")), 1);
    EXPECT_TRUE(keyLocked());
    EXPECT_EQ(f.state().mode, QStringLiteral("Modificar"));
    EXPECT_FALSE(f.state().modified);

    // Leaving without further changes asks nothing; the chooser is to come back.
    messages().clear();
    w<QPushButton>("cmdCancelar")->click();
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(f.closedInModify());
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(env().panels().PanelRuc(), QString());
    EXPECT_EQ(env().panels().PanelPeriodo(), QString());
    EXPECT_EQ(env().panels().PanelFormulario(), QStringLiteral("8027"));
}

TEST_F(DeclaraFormTest, PeriodRulesReshapeTheHeader) {
    open();
    chooseDeclarant(kRuc);
    auto* periodo = w<QLineEdit>("MkePeriodo");
    auto* adjuntar = w<QGroupBox>("FraAdjuntar");
    auto* rect = w<QGroupBox>("FraRectificatoria");
    auto* ruta = w<QLineEdit>("TxtRuta");

    periodo->setText(QStringLiteral("2011"));
    EXPECT_TRUE(adjuntar->isHidden());
    EXPECT_TRUE(rect->isHidden());
    EXPECT_EQ(w<QLabel>("LblEstTecTra")->text(), kPreguntaEstTecLarga);

    periodo->setText(QStringLiteral("201"));  // incomplete: nothing changes
    EXPECT_TRUE(adjuntar->isHidden());
    ruta->setText(QStringLiteral("/ESTUDIOS"));
    periodo->setText(QStringLiteral("2012"));
    EXPECT_FALSE(adjuntar->isHidden());
    EXPECT_FALSE(rect->isHidden());
    EXPECT_EQ(w<QLabel>("LblEstTecTra")->text(), kPreguntaEstTecCorta);
    EXPECT_EQ(ruta->text(), QString());  // a new declaration forgets the attachment on each change

    // 2012 answered No leaves the author's RUC open; from 2013 it is emptied and closed.
    auto* rucAutor = w<QLineEdit>("TxtRUC");
    rucAutor->setText(QStringLiteral("20100070970"));
    w<QRadioButton>("OptEstTecTra_No")->setChecked(true);
    EXPECT_TRUE(rucAutor->isEnabled());
    EXPECT_FALSE(adjuntar->isEnabled());
    periodo->setText(QStringLiteral("2013"));
    EXPECT_FALSE(rucAutor->isEnabled());
    EXPECT_EQ(rucAutor->text(), QString());
    w<QRadioButton>("OptEstTecTra_Si")->setChecked(true);
    EXPECT_TRUE(rucAutor->isEnabled());
    EXPECT_TRUE(adjuntar->isEnabled());
    EXPECT_EQ(rucAutor->palette().color(QPalette::Base), QColor(Qt::white));

    // Back to a period before 2012 from the box's own leaving.
    periodo->setText(QStringLiteral("2010"));
    form_->MkePeriodo_LostFocus();
    EXPECT_TRUE(adjuntar->isHidden());
    EXPECT_EQ(w<QLabel>("LblEstTecTra")->text(), kPreguntaEstTecLarga);
    EXPECT_TRUE(messages().empty());
}

TEST_F(DeclaraFormTest, LeavingThePeriodBoxChecksDeclarantYearAndExistence) {
    open();
    typePeriod(QStringLiteral("2015"));
    EXPECT_EQ(texts(), QStringList{QStringLiteral("Debe Seleccionar un contribuyente.")});
    EXPECT_EQ(env().panels().PanelPeriodo(), QString());

    messages().clear();
    chooseDeclarant(kRuc);
    typePeriod(QStringLiteral("2027"));
    EXPECT_EQ(texts(), QStringList{QStringLiteral("El Ejercicio no puede ser mayor al Actual. 2026")});
    EXPECT_EQ(env().panels().PanelPeriodo(), QString());

    // A stored declaration cannot be entered again as new.
    storeDeclaration(QStringLiteral("2014"));
    messages().clear();
    typePeriod(QStringLiteral("2014"));
    ASSERT_EQ(messages().calls().size(), 1u);
    EXPECT_EQ(messages().last().text, kMsgDeclaracionExiste);
    EXPECT_EQ(messages().last().style, 16);
    EXPECT_EQ(env().panels().PanelPeriodo(), QString());

    // Up to 2005 nothing is checked or published here.
    messages().clear();
    typePeriod(QStringLiteral("2005"));
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(env().panels().PanelPeriodo(), QString());
}

TEST_F(DeclaraFormTest, ActivationAfterTheLoadShowsAWorkingCopyChangedInBetween) {
    // The activation that follows the load reads the working copy again only when another
    // program committed in between, whatever journal the file keeps (the host may keep it in WAL).
    storeDeclaration();
    windowCtx().gAccion = 1;
    const DeclarationKey k = key(QStringLiteral("2012"));
    for (const char* journal : {"DELETE", "WAL"}) {
        ASSERT_EQ(db().scalar(QStringLiteral("PRAGMA journal_mode=") + QLatin1String(journal)).toString().toUpper(),
                  QLatin1String(journal));
        for (const bool commit : {false, true}) {
            SCOPED_TRACE(std::string(journal) + (commit ? " with a commit" : " without a commit"));
            form_ = std::make_unique<Frm_KLV_Declara>(windowCtx());
            form_->udp_DefCaller(QStringLiteral("FrmContAbrir"));
            form_->Form_Load(&k);
            EXPECT_EQ(w<QLabel>("lblNumTransacciones")->text(), QStringLiteral(" 3 Registros Encontrados"));
            int reads = 0;
            QObject::connect(&form_->gridModel(), &QAbstractItemModel::modelReset, [&reads] { ++reads; });
            if (commit) workingTransaction(9, "2500", QStringLiteral("2012"));
            form_->Form_Activate();
            EXPECT_EQ(reads, commit ? 1 : 0);
            EXPECT_EQ(w<QLabel>("lblNumTransacciones")->text(),
                      commit ? QStringLiteral(" 4 Registros Encontrados") : QStringLiteral(" 3 Registros Encontrados"));
            EXPECT_EQ(total("TxtMtoTran00"), commit ? QStringLiteral("4,000.00") : QStringLiteral("1,500.00"));
        }
    }
}

TEST_F(DeclaraFormTest, AGridThatCannotBeReadIsReportedAndLeftEmpty) {
    storeDeclaration(QStringLiteral("2015"));
    windowCtx().gAccion = 1;
    const DeclarationKey k = key(QStringLiteral("2015"));
    Frm_KLV_Declara& f = open(QStringLiteral("FrmContAbrir"), &k);
    ASSERT_EQ(f.gridModel().totalRows(), 3);
    // Another program takes away a table the grid's query reads.
    db().exec(QStringLiteral("ALTER TABLE PAR_VIN RENAME TO PAR_VIN_X"));
    f.Form_Activate();
    ASSERT_EQ(messages().calls().size(), 1u);
    EXPECT_TRUE(messages().last().text.startsWith(S("No se pudo completar la operación.")));
    EXPECT_EQ(messages().last().style, 16);
    EXPECT_EQ(f.gridModel().totalRows(), 0);
    EXPECT_EQ(f.gridModel().rowCount(), 0);
    // No count nor totals stand beside the emptied grid (a failure is not an empty result) until
    // the grid is read again.
    EXPECT_EQ(w<QLabel>("lblNumTransacciones")->text(), QString());
    EXPECT_EQ(total("TxtMtoTran00") + total("TxtMtoTran02") + total("TxtMtoAjuPos02"), QString());
    db().exec(QStringLiteral("ALTER TABLE PAR_VIN_X RENAME TO PAR_VIN"));
    f.Form_Activate();
    EXPECT_EQ(w<QLabel>("lblNumTransacciones")->text(), QStringLiteral(" 3 Registros Encontrados"));
    EXPECT_FALSE(total("TxtMtoTran00").isEmpty());
}

TEST_F(DeclaraFormTest, StoredDeclarationOpensWithItsGridTotalsAndLockedKey) {
    storeDeclaration();
    windowCtx().gAccion = 1;
    const DeclarationKey k = key(QStringLiteral("2012"));
    Frm_KLV_Declara& f = open(QStringLiteral("FrmContAbrir"), &k);

    EXPECT_EQ(f.state().mode, QStringLiteral("Modificar"));
    EXPECT_FALSE(f.state().modified);
    EXPECT_TRUE(messages().empty());  // no rectification reminder while loading
    EXPECT_EQ(w<QComboBox>("CboNumDoc")->currentText().left(11), kRuc);
    EXPECT_EQ(w<QLineEdit>("MkePeriodo")->text(), QStringLiteral("2012"));
    EXPECT_TRUE(w<QRadioButton>("OptAutoMonExt_Si")->isChecked());
    EXPECT_TRUE(w<QRadioButton>("OptEstTecTra_No")->isChecked());
    EXPECT_TRUE(w<QRadioButton>("OptRectifica_1")->isChecked());
    EXPECT_EQ(f.state().rectifica, QStringLiteral("1"));
    EXPECT_EQ(w<QLabel>("LblEstTecTra")->text(), kPreguntaEstTecCortaApertura);
    EXPECT_FALSE(w<QGroupBox>("FraRectificatoria")->isHidden());
    EXPECT_TRUE(keyLocked());
    EXPECT_EQ(f.focusWidget(), w<QLineEdit>("TxtRUC"));  // the first box that takes typing
    EXPECT_EQ(windowCtx().gAutContExt, QStringLiteral("1"));
    EXPECT_EQ(env().panels().PanelRuc(), kRuc);
    EXPECT_EQ(env().panels().PanelNombre(), QStringLiteral("EMPRESA DEMOSTRACION S.A.C."));

    EXPECT_EQ(count(kTmp), 3);
    EXPECT_EQ(f.gridModel().totalRows(), 3);
    EXPECT_EQ(w<QLabel>("lblNumTransacciones")->text(), QStringLiteral(" 3 Registros Encontrados"));
    EXPECT_EQ(w<QLabel>("Label10_15")->text(), QStringLiteral("Totales en Dolar de EE.UU.-EE.UU."));
    EXPECT_EQ(total("TxtMtoTran00"), QStringLiteral("1,500.00"));
    EXPECT_EQ(total("TxtMtoSinAju01"), QStringLiteral("1,000.00"));
    EXPECT_EQ(total("TxtMtoAju01"), QStringLiteral("1,200.00"));
    EXPECT_EQ(total("TxtMtoTran02"), QStringLiteral("700.00"));
    EXPECT_EQ(total("TxtMtoAjuPos02"), QStringLiteral("10.00"));
    EXPECT_EQ(total("TxtMtoAjuNeg02"), QStringLiteral("5.00"));
    auto* grid = w<QTableView>("GrdTransacciones");
    EXPECT_EQ(grid->model()->data(grid->model()->index(0, 6)).toString(), QStringLiteral("1,600.00"));
    EXPECT_EQ(grid->model()->headerData(4, Qt::Horizontal).toString(), S("Valoración por Método"));
    EXPECT_TRUE(grid->isColumnHidden(7));

    // The user's rectification answer draws the reminder, titled with the form's caption.
    w<QRadioButton>("OptRectifica_0")->setChecked(true);
    w<QRadioButton>("OptRectifica_1")->setChecked(true);
    ASSERT_EQ(messages().calls().size(), 1u);
    EXPECT_EQ(messages().last().text, kMsgRecuerdeRectificar);
    EXPECT_EQ(messages().last().title, QStringLiteral("8027 Precios de Transferencia"));
    EXPECT_TRUE(f.state().modified);
}

TEST_F(DeclaraFormTest, DeclarationOfATaxpayerOutsideTheUsersListStaysOnTheDeclarationChosen) {
    storeDeclaration();
    windowCtx().gSysUser = QStringLiteral("OTRO");  // no CLAVES row: only his own taxpayers, none here
    windowCtx().gAccion = 1;
    const DeclarationKey k = key(QStringLiteral("2012"));
    Frm_KLV_Declara& f = open(QStringLiteral("FrmContAbrir"), &k);  // loaded, then activated
    EXPECT_EQ(w<QComboBox>("CboNumDoc")->currentText().left(11), kRuc);
    EXPECT_EQ(w<QLineEdit>("TxtRazsoc")->text(), QStringLiteral("EMPRESA DEMOSTRACION S.A.C."));
    EXPECT_EQ(f.gridModel().totalRows(), 3);
    EXPECT_EQ(total("TxtMtoTran00"), QStringLiteral("1,500.00"));
    f.CmdValidar_Click();
    EXPECT_FALSE(texts().contains(QStringLiteral("Debe Seleccionar un contribuyente."))) << texts().join('|').toStdString();
    EXPECT_EQ(f.gridModel().totalRows(), 3);
}

TEST(QuestionCaptions, EachRunOfBlanksEndsALine) {
    const std::pair<QString, QString> cases[] = {
        {kPreguntaAutoMonExt, S("1 - ¿ Está autorizado a llevar contabilidad\nen moneda extranjera ?")},
        {kPreguntaEstTecLarga, S("2 - ¿ Está obligado a contar con  Estudio Técnico de Precios de\n"
                                 "Transferencia; por transacciones distintas a las realizadas desde\n"
                                 "hacia o a través de Países o Territorios considerados de Baja o\nNula imposición?")},
        {kPreguntaEstTecCortaApertura, S("2- ¿Está obligado a presentar el Estudio Técnico de Precios de\nTransferencia?")},
        {kPreguntaEstTecCorta, kPreguntaEstTecCorta},
        {kPreguntaRucAutor, S("3 - Ingrese RUC de la consultora o profesional independiente que formuló el Estudio "
                              "Técnico de Precios de\nTransferencia del declarante. (Si el estudio fue formulado por el "
                              "declarante, ingresar el número RUC del declarante).")},
    };
    for (const auto& [caption, shown] : cases) EXPECT_EQ(CaptionLabel::displayText(caption), shown);
}

TEST_F(DeclaraFormTest, DeleteOfAGridRowAsksAndRecomputes) {
    storeDeclaration(QStringLiteral("2015"));
    windowCtx().gAccion = 1;
    const DeclarationKey k = key(QStringLiteral("2015"));
    Frm_KLV_Declara& f = open(QStringLiteral("FrmContAbrir"), &k);
    auto* grid = w<QTableView>("GrdTransacciones");
    auto* eliminar = w<QPushButton>("CmdOpciones_2");

    // Declined: nothing goes.
    messages().script(MsgAnswer::No);
    grid->setCurrentIndex(grid->model()->index(0, 0));
    eliminar->click();
    EXPECT_EQ(messages().last().text, kMsgConfirmaEliminar);
    EXPECT_EQ(messages().last().style, 292);
    EXPECT_EQ(count(kTmp), 3);
    EXPECT_TRUE(f.state().modified);  // every command marks the declaration

    // The first row (number 1, without method) is deleted from the working copy only.
    messages().script(MsgAnswer::Yes);
    eliminar->click();
    EXPECT_EQ(count(kTmp), 2);
    EXPECT_EQ(count(QStringLiteral("TMPTRATIPTRA")), 2);
    EXPECT_EQ(count(QStringLiteral("TRANSACCION2")), 3);
    EXPECT_EQ(f.gridModel().totalRows(), 2);
    EXPECT_EQ(w<QLabel>("lblNumTransacciones")->text(), QStringLiteral(" 2 Registros Encontrados"));
    EXPECT_EQ(total("TxtMtoTran00"), QStringLiteral("0.00"));
    EXPECT_EQ(total("TxtMtoTran02"), QStringLiteral("700.00"));

    // The last rows go; then there is nothing left to delete or modify.
    messages().script(MsgAnswer::Yes);
    eliminar->click();
    messages().script(MsgAnswer::Yes);
    eliminar->click();
    EXPECT_EQ(f.gridModel().totalRows(), 0);
    messages().clear();
    eliminar->click();
    w<QPushButton>("CmdOpciones_1")->click();
    EXPECT_EQ(texts(), (QStringList{QStringLiteral("No hay registros disponibles para Eliminar."),
                                    QStringLiteral("No hay registros disponibles para Modificar.")}));

    // Without transactions, the identification tab opens the key again.
    w<QTabWidget>("TabDeclaraciones")->setCurrentIndex(1);
    w<QTabWidget>("TabDeclaraciones")->setCurrentIndex(0);
    EXPECT_FALSE(keyLocked());
}

TEST_F(DeclaraFormTest, TabChangeValidatesOnceAndLocksTheKeyWhileTransactionsExist) {
    Frm_KLV_Declara& f = open();
    auto* tabs = w<QTabWidget>("TabDeclaraciones");
    chooseDeclarant(kRuc);
    typePeriod(QStringLiteral("2010"));

    // An incomplete header: one message and back to the identification tab, no bouncing.
    messages().clear();
    tabs->setCurrentIndex(1);
    EXPECT_EQ(texts(), QStringList{QStringLiteral("Seleccione si lleva o no Contabilidad en Moneda Extranjera.")});
    EXPECT_EQ(tab(), 0);

    // Header valid, but a transaction without study while question 2 is answered Si (from 2008):
    // the 2008 message, and the transactions tab stays so it can be corrected.
    w<QRadioButton>("OptAutoMonExt_No")->setChecked(true);
    w<QRadioButton>("OptEstTecTra_Si")->setChecked(true);
    workingTransaction(1, "100", QStringLiteral("2010"));
    f.Form_Activate();
    messages().clear();
    tabs->setCurrentIndex(1);
    ASSERT_EQ(messages().calls().size(), 1u) << texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(messages().last().text.startsWith(QStringLiteral("A partir de 2008")));
    EXPECT_EQ(tab(), 1);
    EXPECT_EQ(help_.contexts.back(), 1021);

    // Back on the identification tab with transactions: the key and questions 1 and 2 are locked.
    messages().clear();
    tabs->setCurrentIndex(0);
    EXPECT_TRUE(keyLocked());
    EXPECT_EQ(help_.contexts.back(), 1018);
    EXPECT_TRUE(w<QLineEdit>("TxtRUC")->isEnabled());
}

TEST_F(DeclaraFormTest, InvalidHeaderAndFailingRuleDoNotBounceBetweenTabs) {
    open();
    auto* tabs = w<QTabWidget>("TabDeclaraciones");
    answerHeader(QStringLiteral("2015"), true);
    workingTransaction(1, "100");
    // The header now fails (author RUC of ten digits) and the 2008 rule fails too.
    w<QLineEdit>("TxtRUC")->setText(QStringLiteral("2010007097"));
    messages().clear();
    tabs->setCurrentIndex(1);
    ASSERT_EQ(messages().calls().size(), 2u);
    EXPECT_EQ(messages().calls()[0].text, S("El RUC no es Válido."));
    EXPECT_TRUE(messages().calls()[1].text.startsWith(QStringLiteral("A partir de 2008")));
    EXPECT_EQ(tab(), 1);
}

TEST_F(DeclaraFormTest, QuestionTwoNoForgetsTheAttachedStudyOfANewDeclarationOnly) {
    auto attach = [&](const QString& periodo) {
        db().exec(QStringLiteral("INSERT INTO EFCONTROLNS (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, SEMANA, NOMARC, TAB_D,"
                                 " RUTARC, TAMARC) VALUES (6, ?, ?, '8027', 0, 'X.PDF', 'PDF', '/ESTUDIOS', 2048)"),
                  {kRuc, periodo});
    };
    open();
    answerHeader(QStringLiteral("2012"), true);
    attach(QStringLiteral("2012"));
    form_->Form_Activate();  // back from the attach dialog
    EXPECT_EQ(w<QLineEdit>("TxtRuta")->text(), QStringLiteral("/ESTUDIOS/X.PDF"));
    EXPECT_EQ(w<QLineEdit>("TxtTam")->text(), QStringLiteral("2048"));
    EXPECT_TRUE(w<QCheckBox>("ChkETPT")->isChecked());

    w<QRadioButton>("OptEstTecTra_No")->setChecked(true);
    EXPECT_EQ(w<QLineEdit>("TxtRuta")->text(), QString());
    EXPECT_FALSE(w<QCheckBox>("ChkETPT")->isChecked());
    EXPECT_EQ(count(QStringLiteral("EFCONTROLNS")), 0);

    // A stored declaration keeps its study; answering Si again shows it once more.
    storeDeclaration();
    attach(QStringLiteral("2012"));
    const DeclarationKey k = key(QStringLiteral("2012"));
    open(QStringLiteral("FrmContAbrir"), &k);
    w<QRadioButton>("OptEstTecTra_Si")->setChecked(true);
    form_->Form_Activate();
    EXPECT_EQ(w<QLineEdit>("TxtRuta")->text(), QStringLiteral("/ESTUDIOS/X.PDF"));
    w<QRadioButton>("OptEstTecTra_No")->setChecked(true);
    EXPECT_EQ(w<QLineEdit>("TxtRuta")->text(), QString());
    EXPECT_EQ(count(QStringLiteral("EFCONTROLNS")), 1);

    // A new declaration typed over the key of the stored one leaves the stored study alone.
    open();
    answerHeader(QStringLiteral("2012"), true);
    w<QRadioButton>("OptEstTecTra_No")->setChecked(true);
    EXPECT_EQ(count(QStringLiteral("EFCONTROLNS")), 1);
}

TEST_F(DeclaraFormTest, AStudyRowWithoutAFolderAttachesNoStudy) {
    // The study is attached when its row records a folder (RutArc, trimmed); a file name alone
    // is no attachment: the box stays empty, ChkETPT clear, and Validar asks for the study.
    const struct {
        QVariant rutArc;
        bool attached;
    } cases[] = {{QStringLiteral("/ESTUDIOS/"), true}, {QStringLiteral(""), false}, {QStringLiteral("   "), false},
                 {QVariant(), false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rutArc.isNull() ? std::string("NULL") : "'" + c.rutArc.toString().toStdString() + "'");
        db().exec(QStringLiteral("DELETE FROM EFCONTROLNS"));
        db().exec(QStringLiteral("INSERT INTO EFCONTROLNS (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, SEMANA, NOMARC, TAB_D,"
                                 " RUTARC, TAMARC) VALUES (6, ?, '2012', '8027', 0, 'X.PDF', 'PDF', ?, 2048)"),
                  {kRuc, c.rutArc});
        open();
        answerHeader(QStringLiteral("2012"), true);
        form_->Form_Activate();  // back from the attach dialog
        EXPECT_EQ(w<QLineEdit>("TxtRuta")->text().isEmpty(), !c.attached);
        EXPECT_EQ(w<QCheckBox>("ChkETPT")->isChecked(), c.attached);
        messages().clear();
        w<QPushButton>("CmdValidar")->click();
        ASSERT_FALSE(messages().empty());
        EXPECT_EQ(messages().calls().front().text == S("Debe adjuntar el Estudio Técnico de Precios de Transferencia."),
                  !c.attached)
            << messages().calls().front().text.toStdString();
    }
}

// Back from a form while another program holds the database: the grid's read waits the busy
// timeout and is told; the study's read is not made to wait as long again (the bound counts
// timeouts waited, with room for a slow machine, not speed).
TEST_F(DeclaraFormTest, AnActivationBehindAnotherProgramsLockWaitsOnceAndSaysSo) {
    constexpr int kBusyMs = 1000;
    windowCtx().engine = Engine::open(env().dbFile(), QString(), QString(), kBusyMs);
    open();
    answerHeader(QStringLiteral("2012"), true);  // the study is looked for at each activation
    messages().clear();
    auto other = Database::open(env().dbFile());
    other->exec(QStringLiteral("BEGIN EXCLUSIVE"));
    QElapsedTimer clock;
    clock.start();
    form_->Form_Activate();
    const qint64 waited = clock.elapsed();
    other->exec(QStringLiteral("ROLLBACK"));
    ASSERT_EQ(messages().calls().size(), 1u);
    EXPECT_TRUE(messages().last().text.contains(QStringLiteral("3051"))) << messages().last().text.toStdString();
    EXPECT_LT(waited, 2 * kBusyMs - 100);
}

TEST_F(DeclaraFormTest, CommandsWithoutTheirFormsSayInDevelopment) {
    open();
    w<QGroupBox>("FraAdjuntar")->show();
    w<QPushButton>("CmdAdjuntar")->click();
    w<QPushButton>("CmdOpciones_0")->click();
    w<QPushButton>("CmdOpciones_3")->click();  // no declarant yet
    chooseDeclarant(kRuc);
    w<QPushButton>("CmdOpciones_3")->click();
    EXPECT_EQ(texts(), (QStringList{kMsgEnDesarrollo, kMsgEnDesarrollo, QStringLiteral("Debe Seleccionar un contribuyente."),
                                    kMsgEnDesarrollo}));
    for (const auto& c : messages().calls()) EXPECT_EQ(c.style, 48);
}

TEST_F(DeclaraFormTest, TransactionFormReceivesTheDeclarationAndTheCurrentRow) {
    struct Call {
        QString mode, caller;
        OpenDeclaration decl;
        bool hasKey = false;
        TransactionKey key;
        bool declarationShown = true;
    };
    std::vector<Call> calls;
    windowCtx().forms.transaction = [&](QWidget*, const QString& mode, const QString& caller, const OpenDeclaration& d,
                                  const TransactionKey* k) {
        Call c{mode, caller, d, k != nullptr, k ? *k : TransactionKey{}, form_->isVisible()};
        calls.push_back(c);
        // The transaction form writes a transaction into the working copy.
        if (mode == QLatin1String("Nuevo")) workingTransaction(static_cast<int>(calls.size()) + 4, "300");
    };
    open();
    answerHeader();
    workingTransaction(1, "100");
    workingTransaction(2, "200");
    form_->Form_Activate();
    // Where the user left it (a move by the window system, not by the program).
    form_->windowHandle()->setPosition(QPoint(37, 41));
    QApplication::processEvents();
    const QPoint at = form_->pos();

    w<QPushButton>("CmdOpciones_0")->click();
    EXPECT_EQ(form_->pos(), at);  // back where it was
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].mode, QStringLiteral("Nuevo"));
    EXPECT_EQ(calls[0].caller, QStringLiteral("Frm_KLV_Declara"));
    EXPECT_EQ(calls[0].decl.cboNumDoc.left(11), kRuc);
    EXPECT_EQ(calls[0].decl.periodo, QStringLiteral("2015"));
    EXPECT_EQ(calls[0].decl.answer2, QStringLiteral("0"));
    EXPECT_FALSE(calls[0].hasKey);
    EXPECT_FALSE(calls[0].declarationShown);  // the form hides while the transaction form is open
    EXPECT_TRUE(form_->isVisible());
    EXPECT_EQ(w<QLabel>("lblNumTransacciones")->text(), QStringLiteral(" 3 Registros Encontrados"));

    auto* grid = w<QTableView>("GrdTransacciones");
    grid->setCurrentIndex(grid->model()->index(1, 0));
    emit grid->doubleClicked(grid->model()->index(1, 0));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].mode, QStringLiteral("Modificar"));
    ASSERT_TRUE(calls[1].hasKey);
    EXPECT_EQ(calls[1].key.party.docIdP, QStringLiteral("P1"));
    EXPECT_EQ(calls[1].key.party.tipDocP, 6);
    EXPECT_EQ(calls[1].key.corTransaccion, 2);
    EXPECT_EQ(calls[1].key.declaration.periodo, QStringLiteral("2015"));
}

TEST_F(DeclaraFormTest, SalirAsksAboutChangesAndYesSaves) {
    Frm_KLV_Declara& f = open();
    chooseDeclarant(kRuc);
    messages().script(MsgAnswer::No);
    w<QPushButton>("cmdCancelar")->click();
    EXPECT_EQ(messages().last().text, kMsgGuardarCambios);
    EXPECT_EQ(messages().last().style, 36);
    EXPECT_FALSE(f.isVisible());
    EXPECT_FALSE(f.closedInModify());

    // Yes runs Grabar and the form stays open.
    Frm_KLV_Declara& g = open();
    answerHeader();
    workingTransaction(1, "100");
    messages().clear();
    messages().script(MsgAnswer::Yes);
    g.close();  // the window's close button leaves as Salir does
    EXPECT_EQ(texts(), (QStringList{kMsgGuardarCambios, S("Toda la información fue grabada satisfactoriamente.")}));
    EXPECT_TRUE(g.isVisible());
    EXPECT_EQ(count(QStringLiteral("IDENTIFICA2")), 1);
}

TEST_F(DeclaraFormTest, AuthorRucTakesDigitsOnlyAndCountsEveryKey) {
    Frm_KLV_Declara& f = open();
    auto* rucAutor = w<QLineEdit>("TxtRUC");
    rucAutor->setFocus();
    for (const char* ch : {"2", "a", "0", "-"}) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromLatin1(ch));
        QCoreApplication::sendEvent(rucAutor, &press);
    }
    EXPECT_EQ(rucAutor->text(), QStringLiteral("20"));
    EXPECT_TRUE(f.state().modified);

    // Shift+Insert empties the clipboard instead of pasting.
    QApplication::clipboard()->setText(QStringLiteral("ABC"));
    QKeyEvent paste(QEvent::KeyPress, Qt::Key_Insert, Qt::ShiftModifier);
    QCoreApplication::sendEvent(rucAutor, &paste);
    EXPECT_EQ(rucAutor->text(), QStringLiteral("20"));
    EXPECT_EQ(QApplication::clipboard()->text(), QString());
}

TEST_F(DeclaraFormTest, ClickIntoThePeriodBoxsEmptyPartTypesFromItsFirstPosition) {
    open();
    auto* periodo = w<QLineEdit>("MkePeriodo");
    const QPoint middle(periodo->width() / 2, periodo->height() / 2);
    auto click = [&] {
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent e(type, middle, periodo->mapToGlobal(middle), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(periodo, &e);
        }
    };
    ASSERT_GT(periodo->cursorPositionAt(middle), 0);
    click();
    for (const char* ch : {"2", "0", "1", "5"}) {
        QKeyEvent press(QEvent::KeyPress, ch[0], Qt::NoModifier, QString::fromLatin1(ch));
        QCoreApplication::sendEvent(periodo, &press);
    }
    EXPECT_EQ(periodo->text(), QStringLiteral("2015"));
    // A click among typed digits puts the cursor where it lands.
    click();
    EXPECT_EQ(periodo->cursorPosition(), periodo->cursorPositionAt(middle));
}

TEST_F(DeclaraFormTest, RunOpensTheChoosersDeclarationAndTellsItToComeBack) {
    storeDeclaration(QStringLiteral("2015"));
    windowCtx().gAccion = 1;
    const DeclarationKey k = key(QStringLiteral("2015"));
    QString shownRows;
    whenShown<Frm_KLV_Declara>([&](Frm_KLV_Declara& form) {
        shownRows = form.findChild<QLabel*>(QStringLiteral("lblNumTransacciones"))->text();
        form.findChild<QPushButton*>(QStringLiteral("cmdCancelar"))->click();
    });
    EXPECT_TRUE(Frm_KLV_Declara::run(windowCtx(), nullptr, QStringLiteral("FrmContAbrir"), &k));
    EXPECT_EQ(shownRows, QStringLiteral(" 3 Registros Encontrados"));

    // A declaration that is no longer stored is reported and the chooser comes back.
    messages().clear();
    const DeclarationKey gone = key(QStringLiteral("2009"));
    EXPECT_TRUE(Frm_KLV_Declara::run(windowCtx(), nullptr, QStringLiteral("FrmContAbrir"), &gone));
    ASSERT_EQ(messages().calls().size(), 1u);
    EXPECT_EQ(messages().last().style, 16);
    EXPECT_TRUE(messages().last().text.startsWith(S("No se pudo abrir la declaración.")));
}

}  // namespace
}  // namespace klv::test
