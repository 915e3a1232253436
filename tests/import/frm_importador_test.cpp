// The import dialog driven as a user would: its three modes, the declarant it selects, the file
// messages, leaving it, and a file import run by a stand-in core while the dialog stays locked.
#include "frm_importador.h"
#include "box_over_bar.h"
#include "import_fixture.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <atomic>
#include <chrono>
#include <thread>

namespace klv::test {
namespace {

using import::ImportKind;
using import::ImportOutcome;
using import::ImportRequest;

class ContextHelp : public RecordingHelpService {
public:
    void setContext(int c) override { contexts.push_back(c); }
    std::vector<int> contexts;
};

class FrmImportadorTest : public ImportTest {
protected:
    FrmImportadorTest() { window().help = &help_; }
    // The context the dialog gets, as QM8027's window has it.
    AppContext& window() { return env().windowCtx(); }

    FrmImportador& open(const QString& caller, const QString& cbo = kRuc + QStringLiteral("           EMPRESA"),
                        const QString& periodo = QStringLiteral("2015"), import::ImportRunner runner = {}) {
        opener_ = {cbo, periodo, QStringLiteral("0"), QStringLiteral("1")};
        dlg_ = std::make_unique<FrmImportador>(window(), std::move(runner));
        dlg_->udp_Def_Caller(caller);
        dlg_->Form_Load(&opener_);
        dlg_->setDirectory(folder());
        dlg_->show();
        return *dlg_;
    }
    template <class T>
    T* w(const char* name) {
        T* found = dlg_->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void selectFile() {
        ASSERT_GT(w<QListWidget>("File1")->count(), 0);
        w<QListWidget>("File1")->item(0)->setSelected(true);
    }

    ContextHelp help_;
    OpenDeclaration opener_;
    std::unique_ptr<FrmImportador> dlg_;
};

TEST_F(FrmImportadorTest, EachModeItsControlsFileHelpAndKind) {
    writeFile(kRuc + QStringLiteral(".ifm"), "x");
    writeFile(kRuc + QStringLiteral(".TXT"), "x");
    writeFile(QStringLiteral("8027") + kRuc + QStringLiteral("2015.pdf"), "x");  // listed as stored
    struct Case {
        const char* caller;
        bool transacVisible, parVinVisible, periodVisible, resultsVisible;
        QString listed;
        int help, tipo;
    };
    const Case cases[] = {
        {"FrmPartesVinc", false, true, false, true, kRuc + QStringLiteral(".ifm"), 1020, 0},
        {"Frm_KLV_Declara", true, false, true, true, kRuc + QStringLiteral(".TXT"), 1022, 1},
        {"Frm_KLV_Declara2", false, false, true, false, QStringLiteral("8027") + kRuc + QStringLiteral("2015.pdf"), 1022, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caller);
        help_.contexts.clear();
        FrmImportador& d = open(QString::fromLatin1(c.caller));
        QApplication::processEvents();  // the layout settled
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Importador de Registros"));
        EXPECT_EQ(d.size(), QSize(496, 321));  // the designed client area
        // The name only shows the opener's declarant; the focus goes to the first open control.
        EXPECT_FALSE(w<QLineEdit>("TxtRazon_Social")->isEnabled());
        EXPECT_EQ(d.focusWidget(), w<QComboBox>("Drive1"));
        EXPECT_EQ(!w<QRadioButton>("OptTransac")->isHidden(), c.transacVisible);
        EXPECT_EQ(!w<QRadioButton>("OptParVin")->isHidden(), c.parVinVisible);
        EXPECT_FALSE(w<QRadioButton>("OptTransac")->isEnabled() && w<QRadioButton>("OptParVin")->isEnabled());
        EXPECT_EQ(!w<QLineEdit>("MkePeriodo")->isHidden(), c.periodVisible);
        EXPECT_EQ(!w<QLabel>("Label7_1")->isHidden(), c.periodVisible);
        EXPECT_EQ(!w<QGroupBox>("Frame3")->isHidden(), c.resultsVisible);
        EXPECT_FALSE(w<QComboBox>("CboNumDoc")->isEnabled());
        EXPECT_EQ(w<QComboBox>("CboNumDoc")->currentText().left(11), kRuc);
        EXPECT_EQ(w<QLineEdit>("TxtRazon_Social")->text(), QStringLiteral("EMPRESA DEMOSTRACION S.A.C."));
        ASSERT_EQ(w<QListWidget>("File1")->count(), 1);
        EXPECT_EQ(w<QListWidget>("File1")->item(0)->text(), c.listed);
        EXPECT_GE(w<QListWidget>("File1")->viewport()->width(), w<QListWidget>("File1")->fontMetrics().horizontalAdvance(c.listed));
        EXPECT_EQ(help_.contexts, std::vector<int>{c.help});
        EXPECT_EQ(d.gTipoImportacion(), c.tipo);
    }
    EXPECT_EQ(w<QLineEdit>("MkePeriodo")->text(), QStringLiteral("2015"));
    for (const char* name : {"cmdTransferir", "cmdCancelar"}) EXPECT_NE(w<QPushButton>(name), nullptr);
    EXPECT_EQ(w<QPushButton>("cmdTransferir")->text(), QStringLiteral("&Aceptar"));
    EXPECT_EQ(w<QPushButton>("cmdCancelar")->text(), QStringLiteral("&Salir"));
    EXPECT_EQ(w<QLabel>("Label1_1")->text(),
              S("Seleccione la unidad y el directorio desde el que se desea importar la información :"));
}

// Every folder of the list keeps its name on one line, indented under the folder above it; a name
// longer than the list scrolls sideways.
TEST_F(FrmImportadorTest, TheFolderListKeepsEachNameOnOneLine) {
    const QString deep = folder() + S("/Declaraciones 2015/importar");
    const QString longName = S("importaciones del ejercicio 2014 (definitivas) de la empresa");
    QDir().mkpath(deep + QLatin1Char('/') + longName);
    for (const char* caller : {"FrmPartesVinc", "Frm_KLV_Declara", "Frm_KLV_Declara2"}) {
        SCOPED_TRACE(caller);
        open(QString::fromLatin1(caller));
        dlg_->setDirectory(deep);
        QApplication::processEvents();
        auto* dirs = w<QListWidget>("DirDirectorio");
        const int oneLine = dirs->visualItemRect(dirs->item(0)).height();
        bool found = false;
        for (int i = 0; i < dirs->count(); ++i) {
            QListWidgetItem* item = dirs->item(i);
            SCOPED_TRACE(item->text().toStdString());
            EXPECT_EQ(dirs->visualItemRect(item).height(), oneLine);
            if (item->text().trimmed() != longName) continue;
            found = true;
            EXPECT_GT(dirs->horizontalScrollBar()->maximum(), 0);
        }
        EXPECT_TRUE(found);
    }
}

TEST_F(FrmImportadorTest, ADeclarantOutsideTheUsersListSelectsNothingAndListsNothing) {
    writeFile(QStringLiteral(".TXT"), "x");
    writeFile(QStringLiteral("99999999999.TXT"), "x");
    open(QStringLiteral("Frm_KLV_Declara"), QStringLiteral("99999999999 OTRA"));
    EXPECT_EQ(w<QComboBox>("CboNumDoc")->currentIndex(), -1);
    EXPECT_EQ(w<QLineEdit>("TxtRazon_Social")->text(), QString());
    EXPECT_EQ(w<QListWidget>("File1")->count(), 0);
    dlg_->cmdTransferir_Click();
    EXPECT_EQ(messages().last().text, S("No se encontro Archivo de importación"));
}

// Opened by no known form, the combo is the user's to choose from: the choice shows the name.
TEST_F(FrmImportadorTest, WithoutAnOpenerTheUserChoosesTheDeclarant) {
    open(QStringLiteral("OtroFormulario"), QString());
    auto* cbo = w<QComboBox>("CboNumDoc");
    EXPECT_TRUE(cbo->isEnabled());
    EXPECT_EQ(cbo->currentIndex(), -1);
    EXPECT_EQ(w<QLineEdit>("TxtRazon_Social")->text(), QString());
    const int at = cbo->findText(kRuc, Qt::MatchStartsWith);
    ASSERT_GE(at, 0);
    cbo->setCurrentIndex(at);
    emit cbo->activated(at);
    EXPECT_EQ(w<QLineEdit>("TxtRazon_Social")->text(), QStringLiteral("EMPRESA DEMOSTRACION S.A.C."));
}

TEST_F(FrmImportadorTest, FileMessagesGateAndAFileThatWentAway) {
    open(QStringLiteral("FrmPartesVinc"));
    dlg_->cmdTransferir_Click();
    EXPECT_EQ(messages().last().text, S("No se encontro Archivo de importación"));
    EXPECT_EQ(messages().last().style, MsgStyle::Exclamation);
    EXPECT_EQ(messages().last().title, window().gTitulo);

    const QString path = writeFile(kRuc + QStringLiteral(".ifm"), "x");
    dlg_->setDirectory(env().root());
    dlg_->setDirectory(folder());
    dlg_->cmdTransferir_Click();
    EXPECT_EQ(messages().last().text, S("No seleccionó Archivo de importación"));

    selectFile();
    qputenv("KLV_GATE", "0");
    messages().clear();
    dlg_->cmdTransferir_Click();
    qunsetenv("KLV_GATE");
    EXPECT_TRUE(messages().empty());

    // Until the import core is there.
    dlg_->cmdTransferir_Click();
    EXPECT_EQ(messages().last().text, QStringLiteral("En Desarrollo."));

    QFile::remove(path);
    dlg_->cmdTransferir_Click();
    EXPECT_EQ(messages().last().text, S("No se encontro Archivo de importación"));
    EXPECT_EQ(w<QListWidget>("File1")->count(), 0);
}

TEST_F(FrmImportadorTest, SalirAndTheCloseBoxRefreshTheRightOpener) {
    struct Case {
        const char* caller;
        OpenerRefresh::Kind kind;
        bool closeBox;
    };
    const Case cases[] = {
        {"FrmPartesVinc", OpenerRefresh::Kind::Partes, false},
        {"FrmPartesVinc", OpenerRefresh::Kind::Partes, true},
        {"Frm_KLV_Declara", OpenerRefresh::Kind::Declaracion, false},
        {"Frm_KLV_Declara", OpenerRefresh::Kind::Declaracion, true},
        {"Frm_KLV_Declara2", OpenerRefresh::Kind::Ninguno, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caller);
        open(QString::fromLatin1(c.caller), kRuc + QStringLiteral("   X"), QStringLiteral("2016"));
        if (c.closeBox) {
            dlg_->close();
        } else {
            w<QPushButton>("cmdCancelar")->click();
        }
        EXPECT_FALSE(dlg_->isVisible());
        EXPECT_EQ(dlg_->salida().kind, c.kind);
        if (c.kind != OpenerRefresh::Kind::Ninguno) {
            EXPECT_EQ(dlg_->salida().ruc, kRuc);
        }
        if (c.kind == OpenerRefresh::Kind::Declaracion) {
            EXPECT_EQ(dlg_->salida().periodo, QStringLiteral("2016"));
        }
    }
}

TEST_F(FrmImportadorTest, ARunLocksTheDialogShowsCountsAndCancelStopsIt) {
    writeFile(kRuc + QStringLiteral(".TXT"), "x");
    std::vector<ImportRequest> requests;
    bool lockedWhileRunning = false;
    bool closeRefused = false;
    // The run goes on the engine's thread: at its third line it waits for the dialog to be looked at
    // and for a click of the mouse on "Cancelar" (which alone takes input meanwhile) to stop it.
    std::atomic<bool> atThirdLine{false};
    auto runner = [&](AppContext&, const ImportRequest& req, const import::ProgressFn& progress) {
        requests.push_back(req);
        ImportOutcome out;
        for (long i = 1; i <= 1000; ++i) {
            out.counts.transferidos = i;
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            atThirdLine = i == 3;
            while (i == 3 && progress({i, i, 1000, false, out.counts}) && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            if (!progress({i, i, 1000, false, out.counts})) {
                out.status = ImportOutcome::Status::Cancelado;
                return out;
            }
        }
        return out;
    };
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (!atThirdLine.exchange(false)) return;
        lockedWhileRunning = !w<QPushButton>("cmdTransferir")->isEnabled() && !w<QPushButton>("cmdCancelar")->isEnabled() &&
                             !w<QListWidget>("File1")->isEnabled() && !w<QListWidget>("DirDirectorio")->isEnabled() &&
                             w<QPushButton>("CmdDetener")->isEnabled();
        closeRefused = !dlg_->close();
        auto* stop = w<QPushButton>("CmdDetener");
        const QPointF at(stop->rect().center());
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
            QCoreApplication::postEvent(stop, new QMouseEvent(type, at, stop->mapToGlobal(at), Qt::LeftButton,
                                                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                                              Qt::NoModifier));
    });
    look.start(5);
    struct Case {
        const char* periodo;
        ImportKind kind;
    };
    const Case cases[] = {{"2011", ImportKind::TransaccionesAntes2012},
                          {"2012", ImportKind::Transacciones2012},
                          {"201_", ImportKind::TransaccionesAntes2012}};
    for (const Case& c : cases) {
        open(QStringLiteral("Frm_KLV_Declara"), kRuc + QStringLiteral(" E"), QString::fromLatin1(c.periodo), runner);
        selectFile();
        w<QPushButton>("cmdTransferir")->click();
        ASSERT_FALSE(requests.empty());
        EXPECT_EQ(requests.back().kind, c.kind) << c.periodo;
    }
    const ImportRequest& req = requests.back();
    EXPECT_EQ(req.ruc, kRuc);
    EXPECT_EQ(req.razonSocial, QStringLiteral("EMPRESA DEMOSTRACION S.A.C."));
    EXPECT_EQ(req.answer1, QStringLiteral("0"));
    EXPECT_EQ(req.answer2, QStringLiteral("1"));
    EXPECT_EQ(req.filePath, folder() + QLatin1Char('/') + kRuc + QStringLiteral(".TXT"));
    EXPECT_EQ(req.rptPath, window().gRptPath);
    EXPECT_TRUE(lockedWhileRunning);
    EXPECT_TRUE(closeRefused);
    EXPECT_TRUE(dlg_->isVisible());
    // Stopped after the line in hand; the dialog is free again.
    EXPECT_EQ(w<QLabel>("lblTransferidos")->text(), QStringLiteral("3 Transferidos"));
    EXPECT_EQ(w<QLabel>("LblActualizados")->text(), QStringLiteral("0 Actualizados"));
    EXPECT_TRUE(w<QPushButton>("cmdTransferir")->isEnabled());
    EXPECT_FALSE(w<QPushButton>("CmdDetener")->isEnabled());

    // The name listed in two cases: the entry selected is the one imported.
    writeFile(kRuc + QStringLiteral(".txt"), "x");
    open(QStringLiteral("Frm_KLV_Declara"), kRuc + QStringLiteral(" E"), QStringLiteral("2015"), runner);
    ASSERT_EQ(w<QListWidget>("File1")->count(), 2);
    w<QListWidget>("File1")->item(1)->setSelected(true);
    w<QPushButton>("cmdTransferir")->click();
    EXPECT_EQ(requests.back().filePath, folder() + QLatin1Char('/') + w<QListWidget>("File1")->item(1)->text());
}

TEST_F(FrmImportadorTest, RejectedLinesAskThenTheReportIsWrittenAndPreviewed) {
    // A party file with one line refused (an unknown document type).
    QStringList f(28, QStringLiteral("0"));
    f[0] = QStringLiteral("99");
    writeFile(kRuc + QStringLiteral(".ifm"), (f.join(QLatin1Char('|')) + QLatin1Char('|')).toLatin1());
    std::vector<QString> shown;
    window().forms.showReport = [&](QWidget*, const QString& name, const QString& modo) {
        shown.push_back(name + QLatin1Char(' ') + modo);
        return true;
    };
    for (int answer : {MsgAnswer::Yes, MsgAnswer::No}) {
        open(QStringLiteral("FrmPartesVinc"), kRuc + QStringLiteral("   E"), QString(), import::ejecutarImportacion);
        selectFile();
        messages().clear();
        messages().script(answer);
        BoxOverBar watch(messages());
        window().messages = &watch;
        w<QPushButton>("cmdTransferir")->click();
        window().messages = &messages();
        // The dialog's bar is gone before the outcome's question.
        ASSERT_EQ(watch.boxes.size(), 1);
        EXPECT_FALSE(watch.boxes.front().endsWith(QStringLiteral("[sobre la barra]")));
        ASSERT_FALSE(messages().empty());
        EXPECT_EQ(messages().calls().front().title, QStringLiteral("Confirmar"));
        EXPECT_EQ(messages().calls().front().style, 292);
        EXPECT_TRUE(messages().calls().front().text.startsWith(S("¡Algunos registros han sido rechazados!\nVerifique Archivo Log: ")));
        EXPECT_EQ(w<QLabel>("lblRechazados")->text(), QStringLiteral("1 Rechazados"));
    }
    // Yes: PTR003 and the preview; No: DE0003, written, not shown.
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown.front().endsWith(QStringLiteral(".PRN Vprevia")));
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT count(*) FROM SPOOL WHERE CodRep='PTR003'")).toInt(), 1);
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT count(*) FROM SPOOL WHERE CodRep='DE0003'")).toInt(), 1);
}

TEST_F(FrmImportadorTest, AttachmentThroughTheDialog) {
    const QString name = QStringLiteral("8027") + kRuc + QStringLiteral("2015.PDF");
    open(QStringLiteral("Frm_KLV_Declara2"));
    dlg_->cmdTransferir_Click();
    EXPECT_EQ(messages().last().text, S("No se encontró archivo pdf (ETPT)"));
    writeFile(name, "%PDF");
    // Up to the parent folder and back by a double click in the folder list.
    dlg_->setDirectory(env().root());
    auto* dirs = w<QListWidget>("DirDirectorio");
    const auto found = dirs->findItems(QStringLiteral("entrada"), Qt::MatchEndsWith);
    ASSERT_EQ(found.size(), 1);
    emit dirs->itemActivated(found.front());
    EXPECT_EQ(dlg_->sDirectorio(), folder());
    EXPECT_EQ(dirs->currentItem()->text().trimmed(), QStringLiteral("entrada"));
    selectFile();
    dlg_->cmdTransferir_Click();
    EXPECT_EQ(messages().last().text, S("Se cargó correctamente el archivo ") + name);
    EXPECT_EQ(count(QStringLiteral("EFCONTROLNS")), 1);
    // A folder with ñ: titled with the dialog's caption.
    const QString enhe = folder() + S("/año");
    writeFile(name, "%PDF", enhe);
    dlg_->setDirectory(enhe);
    selectFile();
    dlg_->cmdTransferir_Click();
    EXPECT_EQ(messages().last().style, MsgStyle::Critical);
    EXPECT_EQ(messages().last().title, QStringLiteral("Importador de Registros"));
}

}  // namespace
}  // namespace klv::test
