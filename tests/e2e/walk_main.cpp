// The path a user walks, end to end, on a real X display: the stand-in host lays the demo and the
// installer loads its tables; the module, started beside the host's "KLV" window through its own
// start-up, imports the demo's party file and transaction file through the import dialog, validates,
// saves and prints the declaration (into a PDF); then the host's window starts the summary program.
// The database rows, the import error files, the PDF and the summary files are checked, and every
// window passed is kept as a picture.
//
//   e2e_walk BIN_DIR DEMO_FILES ENV8027 SHOT_FOLDER WORK_FOLDER
//
// With KLV_STORM_SEED set, a storm of user input blows during every database work of the walk
// (storm.h), at most KLV_STORM_ACTIONS actions (default 2000): the walk must end as it does
// without it. The number of actions is printed at the end ("storm: N actions").
//
// Run by run_walk.sh, which gives it a display of its own. The host, the installer and the summary
// program run as the real programs; the module's windows run in this process, driven through their
// control names (the same start-up and the same forms as QM8027).
#include "walker.h"
#include "storm.h"

#include "app_context.h"
#include "cp1252.h"
#include "database.h"
#include "host_env.h"
#include "host_window.h"
#include "klv_host_window.h"
#include "long_work.h"
#include "main_window_entry.h"
#include "qm8027_module.h"
#include "recording_message_service.h"
#include "startup.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <cstdio>

using namespace klv::e2e;

namespace {

const QString kRuc = QStringLiteral("20601234565");
const QString kPeriodo = QStringLiteral("2015");

struct Ran {
    int code = -1;
    QString out;
};

// Runs a program to its end (at most `seconds`), standard error merged into the output.
Ran run(const QString& program, const QStringList& args, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
        int seconds = 30) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    Ran r;
    if (!p.waitForFinished(seconds * 1000)) {
        p.kill();
        p.waitForFinished();
        r.out = QStringLiteral("(did not end in %1 s) ").arg(seconds);
    }
    r.out += QString::fromLocal8Bit(p.readAll());
    if (p.exitStatus() == QProcess::NormalExit) r.code = p.exitCode();
    return r;
}

// A file the system wrote (Windows-1252), or "" when it cannot be read.
QString readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? klv::cp1252::decode(f.readAll()) : QString();
}

// The host's window id (xdotool, installed by the project's setup), or 0.
unsigned long hostWindowId() {
    const Ran r = run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                  QStringLiteral("--name"), QStringLiteral("^KLV$")});
    return r.code == 0 ? r.out.split(QLatin1Char('\n')).first().trimmed().toULong() : 0;
}

bool waitFor(const std::function<bool()>& done, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (done()) return true;
        QThread::msleep(100);
        QCoreApplication::processEvents();
    }
    return done();
}

}  // namespace

int main(int argc, char** argv) {
    klv::prepareProgramEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QM8027"));
    const QStringList args = QApplication::arguments();
    if (args.size() != 6 || klv::runningHeadless()) {
        std::fprintf(stderr, "usage (on an X display): e2e_walk BIN_DIR DEMO_FILES ENV8027 SHOT_FOLDER WORK_FOLDER\n");
        return 2;
    }
    const QString bin = args[1], demoFiles = args[2], env8027 = args[3], shots = args[4];
    const QString demo = QDir(args[5]).filePath(QStringLiteral("demo"));
    const QString sys = klv::host::sysPathOf(demo);
    const QString importar = QDir(demo).filePath(QStringLiteral("importar"));
    const QString pdf = QDir(shots).filePath(QStringLiteral("declaracion.pdf"));
    QDir(shots).removeRecursively();
    Walker walk(shots);

    // 1. The demo, as scripts/demo lays it: the host's environment, the sample import files, the
    // installer's submission map, then the installer.
    Ran r = run(bin + QStringLiteral("/klv-host"), {QStringLiteral("--init"), demo});
    walk.check(r.code == 0, QStringLiteral("klv-host --init lays the demo (%1)").arg(r.out.trimmed()));
    QDir().mkpath(importar);
    for (const QString& f : QDir(demoFiles).entryList(QDir::Files))
        QFile::copy(QDir(demoFiles).filePath(f), QDir(importar).filePath(f));
    QFile::copy(env8027, sys + QStringLiteral("tmp/env8027.txt"));
    qputenv("KLV_WINDIR", klv::host::winDirOf(demo).toLocal8Bit());
    qputenv("KLV_PRINT_PDF", pdf.toLocal8Bit());
    QProcessEnvironment offscreen = QProcessEnvironment::systemEnvironment();
    offscreen.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    r = run(bin + QStringLiteral("/act8027"), {}, offscreen);
    walk.check(r.code == 0, QStringLiteral("act8027 completes (%1)").arg(r.out.trimmed()));

    // The host's window "KLV".
    QProcess host;
    host.setProcessChannelMode(QProcess::ForwardedChannels);
    host.start(bin + QStringLiteral("/klv-host"), {});
    klv::XcbHostWindowFinder finder;
    if (!waitFor([&] { return finder.correApp(QStringLiteral("KLV")); }, 15)) walk.abort(QStringLiteral("no KLV window"));
    const unsigned long hostId = hostWindowId();
    if (hostId == 0) walk.abort(QStringLiteral("the KLV window has no id (xdotool)"));
    QThread::msleep(300);
    walk.shotForeign(hostId, QStringLiteral("klv-host"));

    // 2. The module, as QM8027 starts: the same context, launcher entries and start-up.
    klv::AppContext ctx;
    klv::ModuleServices module(ctx);
    klv::Startup startup;
    klv::Startup::Services services;
    services.finder = &finder;
    services.showMainWindow = klv::showMainWindow;
    if (startup.Main(ctx, services) != klv::StartupResult::Started) walk.abort(QStringLiteral("QM8027 did not start"));
    klv::LongWork::exitAtOnceDuringWork();

    std::unique_ptr<Storm> storm;
    if (qEnvironmentVariableIsSet("KLV_STORM_SEED")) {
        const int budget = qEnvironmentVariableIsSet("KLV_STORM_ACTIONS") ? qEnvironmentVariableIntValue("KLV_STORM_ACTIONS") : 2000;
        storm = std::make_unique<Storm>(static_cast<quint32>(qEnvironmentVariableIntValue("KLV_STORM_SEED")), budget,
                                        sys + QStringLiteral("KLV.db"));
    }
    // A press that starts a database work: under a storm, another program holds the database first
    // and the window owes a click or two.
    auto pressWork = [&](const char* form, const char* name, bool readsFirst = true) {
        QAbstractButton* b = control<QPushButton>(window(form), name);
        if (storm) storm->beforeWork(window(form), b, readsFirst);
        press(b);
    };

    auto up = [](const char* name) { return [name] { return window(name) != nullptr; }; };
    auto trigger = [](const char* action) {
        QAction* a = window("MDI_KLV_PT")->findChild<QAction*>(QString::fromLatin1(action));
        if (!a) throw std::runtime_error(std::string("no action ") + action);
        post([a] { a->trigger(); });
    };
    auto button = [](const char* form, const char* name) { return control<QPushButton>(window(form), name); };

    walk.then(QStringLiteral("the main window"), up("MDI_KLV_PT"),
              [&] { walk.shot(window("MDI_KLV_PT"), QStringLiteral("QM8027")); trigger("mnuPartesvin"); });

    // 3a. Parties: the register, its declarant, "&Importar".
    walk.then(QStringLiteral("the party register"), up("FrmPartesVinc"), [&] {
        QWidget* f = window("FrmPartesVinc");
        if (!choose(control<QComboBox>(f, "CboNumDoc"), kRuc)) walk.abort(QStringLiteral("no demo company in the register"));
        walk.shot(f, QStringLiteral("FrmPartesVinc"));
        pressWork("FrmPartesVinc", "CmdOpciones_3");
    });
    // The import dialog opens on the current folder (SysPath): up to the demo folder, into "importar".
    auto importFile = [&](const QString& file, const QString& shotName) {
        walk.then(QStringLiteral("the import dialog for %1").arg(file), up("FrmImportador"), [&, file, shotName] {
            QWidget* d = window("FrmImportador");
            auto* folders = control<QListWidget>(d, "DirDirectorio");
            walk.shot(d, shotName + QStringLiteral("-abierto"));
            if (!openFolder(folders, demo) || !openFolder(folders, importar))
                walk.abort(QStringLiteral("the folder list does not lead to %1").arg(importar));
            if (!clickEntry(control<QListWidget>(d, "File1"), file))
                walk.abort(QStringLiteral("%1 is not listed in %2").arg(file, importar));
            walk.shot(d, shotName);
            pressWork("FrmImportador", "cmdTransferir");
        });
    };
    // After a run with rejected lines: the question, then the error report in the preview.
    auto rejected = [&](const QString& shotName) {
        walk.answer(shotName + QStringLiteral("-confirmar"), QStringLiteral("Confirmar"),
                    QStringLiteral("¡Algunos registros han sido rechazados!"), QStringLiteral("Sí"));
        walk.then(QStringLiteral("the error report's preview"), up("frmPreview"), [&, shotName] {
            walk.shot(window("frmPreview"), shotName + QStringLiteral("-reporte"));
            QAction* salir = window("frmPreview")->findChild<QAction*>(QStringLiteral("tlbPrevia_5"));
            post([salir] { salir->trigger(); });
        });
        walk.then(QStringLiteral("the import dialog with its counts"), [] {
            return window("frmPreview") == nullptr && window("FrmImportador") != nullptr;
        }, [&, shotName] {
            walk.shot(window("FrmImportador"), shotName + QStringLiteral("-cuentas"));
            press(button("FrmImportador", "cmdCancelar"));
        });
    };
    importFile(kRuc + QStringLiteral(".ifm"), QStringLiteral("FrmImportador-informados"));
    rejected(QStringLiteral("informados"));
    walk.then(QStringLiteral("the register with the imported parties"),
              [] { return window("FrmImportador") == nullptr && window("FrmPartesVinc") != nullptr; }, [&] {
                  QWidget* f = window("FrmPartesVinc");
                  walk.check(control<QTableView>(f, "GrdVinculadas")->model()->rowCount() == 4,
                             QStringLiteral("the register lists the 4 parties imported"));
                  walk.shot(f, QStringLiteral("FrmPartesVinc-importados"));
                  press(button("FrmPartesVinc", "CmdSalir"));
              });

    // 3b. A new declaration of 2015: declarant, period, the answers; the transactions tab.
    walk.then(QStringLiteral("the register closed"), [] { return window("FrmPartesVinc") == nullptr; },
              [&] { trigger("mnuNueva"); });
    walk.then(QStringLiteral("the declaration form"), up("Frm_KLV_Declara"), [&] {
        QWidget* f = window("Frm_KLV_Declara");
        if (!choose(control<QComboBox>(f, "CboNumDoc"), kRuc)) walk.abort(QStringLiteral("no demo company in the form"));
        auto* periodo = control<QLineEdit>(f, "MkePeriodo");
        periodo->setFocus();
        QTest::keyClicks(periodo, kPeriodo);
        QTest::keyClick(periodo, Qt::Key_Tab);
        for (const char* no : {"OptAutoMonExt_No", "OptEstTecTra_No", "OptRectifica_0"})
            QTest::mouseClick(control<QRadioButton>(f, no), Qt::LeftButton);
        walk.shot(f, QStringLiteral("Frm_KLV_Declara"));
        post([f] { control<QTabWidget>(f, "TabDeclaraciones")->setCurrentIndex(1); });
    });
    walk.then(QStringLiteral("the transactions tab"),
              [] { return window("Frm_KLV_Declara") && control<QTabWidget>(window("Frm_KLV_Declara"), "TabDeclaraciones")->currentIndex() == 1; },
              [&] {
                  walk.shot(window("Frm_KLV_Declara"), QStringLiteral("Frm_KLV_Declara-transacciones"));
                  pressWork("Frm_KLV_Declara", "CmdOpciones_3");
              });
    importFile(kRuc + QStringLiteral(".TXT"), QStringLiteral("FrmImportador-transacciones"));
    rejected(QStringLiteral("transacciones"));

    // 4. Back in the form: validate, save, leave (the chooser follows a first save).
    walk.then(QStringLiteral("the form with the imported transactions"),
              [] { return window("FrmImportador") == nullptr && window("Frm_KLV_Declara") != nullptr; }, [&] {
                  QWidget* f = window("Frm_KLV_Declara");
                  walk.check(control<QTableView>(f, "GrdTransacciones")->model()->rowCount() == 5,
                             QStringLiteral("the grid lists the 5 transactions imported"));
                  walk.shot(f, QStringLiteral("Frm_KLV_Declara-importadas"));
                  pressWork("Frm_KLV_Declara", "CmdValidar");
              });
    walk.answer(QStringLiteral("validar"), ctx.gTitulo, QStringLiteral("La Declaración no presenta inconsistencias."),
                QStringLiteral("Aceptar"));
    walk.then(QStringLiteral("validated"), [] { return messageBox() == nullptr; },
              [&] { pressWork("Frm_KLV_Declara", "CmdGrabar"); });
    walk.answer(QStringLiteral("grabar"), ctx.gTitulo, QStringLiteral("Toda la información fue grabada satisfactoriamente."),
                QStringLiteral("Aceptar"));
    walk.then(QStringLiteral("saved"), [] { return messageBox() == nullptr; }, [&] {
        walk.shot(window("Frm_KLV_Declara"), QStringLiteral("Frm_KLV_Declara-grabada"));
        press(button("Frm_KLV_Declara", "cmdCancelar"));
    });
    // The chooser opens the saved declaration again ("Aceptar"); leaving it brings the chooser back.
    walk.then(QStringLiteral("the declaration chooser"), up("FrmContAbrir"), [&] {
        walk.shot(window("FrmContAbrir"), QStringLiteral("FrmContAbrir"));
        pressWork("FrmContAbrir", "CmdOpciones_0");
    });
    walk.then(QStringLiteral("the saved declaration opened"),
              [] { return window("FrmContAbrir") == nullptr && window("Frm_KLV_Declara") != nullptr; }, [&] {
                  QWidget* f = window("Frm_KLV_Declara");
                  walk.check(control<QTableView>(f, "GrdTransacciones")->model()->rowCount() == 5,
                             QStringLiteral("the saved declaration opens with its 5 transactions"));
                  press(button("Frm_KLV_Declara", "cmdCancelar"));
              });
    walk.then(QStringLiteral("the declaration chooser again"), up("FrmContAbrir"),
              [&] { press(button("FrmContAbrir", "CmdOpciones_1")); });

    // 5. Print: the page-range dialog and its preview, then the whole declaration into the PDF.
    walk.then(QStringLiteral("the chooser closed"), [] { return window("FrmContAbrir") == nullptr && window("Frm_KLV_Declara") == nullptr; },
              [&] { trigger("mnuImprimir"); });
    int pagesShown = 0;
    walk.then(QStringLiteral("the print dialog"), up("frmImprimir"), [&] {
        walk.shot(window("frmImprimir"), QStringLiteral("frmImprimir"));
        pressWork("frmImprimir", "CmdImprimir_0");
    });
    walk.then(QStringLiteral("the page-range dialog"), up("frmImpxPag"), [&] {
        QWidget* d = window("frmImpxPag");
        pagesShown = d->windowTitle().section(QLatin1Char(' '), 2, 2).toInt();
        // Every page: from 1 to the count in the title.
        for (const auto& [box, page] : {std::pair{"txtPagDesde", 1}, std::pair{"txtPagHasta", pagesShown}}) {
            auto* e = control<QLineEdit>(d, box);
            e->clear();
            QTest::keyClicks(e, QString::number(page));
        }
        walk.shot(d, QStringLiteral("frmImpxPag"));
        pressWork("frmImpxPag", "cmdAccion_0", false);  // the preview reads a file
    });
    walk.then(QStringLiteral("the declaration's preview"), up("frmPreview"), [&] {
        walk.shot(window("frmPreview"), QStringLiteral("frmPreview-declaracion"));
        QAction* salir = window("frmPreview")->findChild<QAction*>(QStringLiteral("tlbPrevia_5"));
        post([salir] { salir->trigger(); });
    });
    walk.then(QStringLiteral("back to the page-range dialog"), [] { return window("frmPreview") == nullptr && window("frmImpxPag"); },
              [&] { press(button("frmImpxPag", "cmdAccion_1")); });
    walk.then(QStringLiteral("back to the print dialog"), [] { return window("frmImpxPag") == nullptr && window("frmImprimir"); },
              [&] { pressWork("frmImprimir", "CmdImprimir_1"); });
    walk.then(QStringLiteral("the PDF printed"), [&] { return QFileInfo(pdf).size() > 0 && window("frmImprimir"); },
              [&] { press(button("frmImprimir", "CmdImprimir_2")); });
    walk.then(QStringLiteral("the print dialog closed"), [] { return window("frmImprimir") == nullptr; },
              [&] { trigger("mnuSalir"); });
    walk.start({});
    app.exec();
    if (storm) {
        std::printf("storm: %d actions\n", storm->actions());
        walk.check(storm->failures() == 0, QStringLiteral("no window closed by a close request during a work"));
    }

    // 6. The summary program from the host's window: the period typed, "Imprimir Resumen de Envío".
    // The host's controls are found on a twin of its window laid out here (same fonts and style).
    {
        klv::RecordingMessageService quiet;
        klv::host::HostMainWindow twin(quiet);
        twin.setWindowTitle(QStringLiteral("twin"));
        twin.setAttribute(Qt::WA_DontShowOnScreen);
        twin.show();
        QCoreApplication::processEvents();
        auto at = [&](const char* name) {
            QWidget* w = twin.findChild<QWidget*>(QString::fromLatin1(name));
            const QPoint p = w->mapTo(&twin, w->rect().center());
            return QStringList{QStringLiteral("mousemove"), QStringLiteral("--window"), QString::number(hostId),
                               QString::number(p.x()), QString::number(p.y()), QStringLiteral("click"), QStringLiteral("1")};
        };
        run(QStringLiteral("xdotool"), at("TxtPeriodo"));
        run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), kPeriodo});
        QThread::msleep(300);
        walk.shotForeign(hostId, QStringLiteral("klv-host-resumen"));
        run(QStringLiteral("xdotool"), at("CmdResumen"));
    }
    // Its files are named by form, period (the year's "00"), submission code and number.
    const QString base = QStringLiteral("8027") + kPeriodo + QStringLiteral("00") + QStringLiteral("1") + QStringLiteral("0000001");
    const QString lock = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/klv-8027REP.lock");
    const bool summarised = waitFor([&] {
        return QFile::exists(sys + QStringLiteral("TMP/") + base + QStringLiteral(".TXT")) && !QFile::exists(lock);
    }, 20);
    walk.shotForeign(0, QStringLiteral("pantalla-tras-8027REP"));
    walk.check(summarised, QStringLiteral("8027REP left its text in the host's folder and ended"));
    host.terminate();
    host.waitForFinished(5000);

    // 7. What the walk left: rows, error files, the PDF, the summary files.
    try {
        const auto db = klv::Database::open(sys + QStringLiteral("KLV.db"));
        auto count = [&](const char* sql) { return db->scalar(QString::fromLatin1(sql), {kRuc}).toInt(); };
        const struct {
            const char* sql;
            int expected;
            const char* what;
        } rows[] = {
            {"SELECT COUNT(*) FROM PAR_VIN WHERE doc_id_d = ? AND formulario = '8027' AND doc_id_p IN "
             "('20100047218', '41234567', 'X1234567', 'US-998877')", 4, "the 4 good parties stored"},
            {"SELECT COUNT(*) FROM PAR_VIN WHERE doc_id_d = ?", 4, "no bad party stored"},
            {"SELECT COUNT(*) FROM TRANSACCION2 WHERE doc_id_d = ? AND periodo = '2015'", 5, "the 5 good transactions saved"},
            {"SELECT COUNT(*) FROM TRATIPTRA2 WHERE doc_id_d = ? AND periodo = '2015'", 6, "their 6 transaction types saved"},
            {"SELECT COUNT(*) FROM CAB WHERE DOC_ID_D = ? AND PERIODO = '2015' AND Estado = 0", 1, "the status row: consistent"},
            {"SELECT COUNT(*) FROM SPOOL WHERE DOC_ID_D = ? AND CodRep = 'PTR003'", 2, "two import error reports spooled"},
            {"SELECT COUNT(*) FROM SPOOL WHERE DOC_ID_D = ? AND CodRep = 'PTR002'", 2, "the preview and the print spooled"},
            {"SELECT COUNT(*) FROM SPOOL WHERE DOC_ID_D = ? AND CodRep = 'PTR001'", 1, "the summary spooled"},
        };
        for (const auto& r : rows) {
            const int n = count(r.sql);
            walk.check(n == r.expected, QStringLiteral("%1 (%2 rows)").arg(QString::fromLatin1(r.what)).arg(n));
        }
    } catch (const klv::DbError& e) {
        walk.check(false, QStringLiteral("the database reads: %1").arg(e.text()));
    }

    // The error files: one line per rejected line, naming its document (and, for transactions, its
    // line number in the file).
    const struct {
        QString file;
        QStringList starts;
    } errors[] = {
        {QStringLiteral("RPT%1.Err").arg(kRuc), {QStringLiteral("06     20100047218"), QStringLiteral("99     12345")}},
        {QStringLiteral("RPT%1T.Err").arg(kRuc),
         {QStringLiteral("6      06     20999999999"), QStringLiteral("7      06     20100047218"),
          QStringLiteral("8      31     US-998877")}},
    };
    for (const auto& e : errors) {
        const QStringList lines = readText(sys + e.file).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        bool each = lines.size() == e.starts.size();
        for (int i = 0; each && i < lines.size(); ++i) each = lines[i].startsWith(e.starts[i]);
        walk.check(each, QStringLiteral("%1 holds the %2 rejected lines (%3)").arg(e.file).arg(e.starts.size()).arg(lines.join(QLatin1Char('|'))));
    }

    // The PDF: as many pages as the page-range dialog announced, the declaration's rows and totals.
    const Ran info = run(QStringLiteral("pdfinfo"), {pdf});
    const int pdfPages = info.out.section(QStringLiteral("Pages:"), 1).trimmed().section(QLatin1Char('\n'), 0, 0).toInt();
    walk.check(pdfPages == 2 && pdfPages == pagesShown,
               QStringLiteral("the PDF has the %1 pages announced (%2)").arg(pagesShown).arg(pdfPages));
    const QString printed = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")}).out;
    for (const QString& text : {kRuc, QStringLiteral("DISTRIBUIDORA ANDINA S.A.C."), QStringLiteral("MUÑOZ IBÁÑEZ, CARLOS"),
                                QStringLiteral("OFFSHORE HOLDINGS LTD."), QStringLiteral("QUISPE MAMANI, ROSA"),
                                QStringLiteral("5 Transacciones realizadas."), QStringLiteral("187,000.00"),
                                QStringLiteral("350,000.00"), QStringLiteral("10,000.00")})
        walk.check(printed.contains(text), QStringLiteral("the PDF reads \"%1\"").arg(text));

    // The summary: its markup, the twin, the text and the host's copy; the CAB query traced.
    const QString text = readText(sys + QStringLiteral("RPT/") + base + QStringLiteral(".txt"));
    walk.check(QFile::exists(sys + QStringLiteral("RPT/") + base + QStringLiteral(".PRN")), QStringLiteral("the summary's markup twin"));
    walk.check(text == readText(sys + QStringLiteral("TMP/") + base + QStringLiteral(".TXT")), QStringLiteral("the host's copy is the text"));
    for (const QString& line : {QStringLiteral("DOCUMENTO      : RUC  ") + kRuc, QStringLiteral("NUM. TRANSACS  : 5"),
                                QStringLiteral("MONTO DE TRANSACCIONES  : 187,000.00"),
                                QStringLiteral("MONTO DE TRANSACCIONES  : 350,000.00"), QStringLiteral("AJUSTE POSITIVO         : 10,000.00")})
        walk.check(text.contains(line), QStringLiteral("the summary reads \"%1\"").arg(line));
    walk.check(readText(sys + QStringLiteral("Trace.txt")).count(QStringLiteral("SELECT * FROM CAB")) == 2,
               QStringLiteral("the CAB query traced twice"));

    std::printf("%d failure(s)\n", walk.failures());
    return walk.failures() == 0 ? 0 : 1;
}
