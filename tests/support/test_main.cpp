// Test entry shared by every suite: an application object on the offscreen platform (the SQL
// driver, fonts and widgets need one), a private runtime folder, a fixed locale, then GoogleTest.
// The suites of the logic run on a QGuiApplication and so never link the widgets; those that show
// windows are built with KLV_TEST_WIDGETS and run on a QApplication.
#include "single_instance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <string_view>
#ifdef KLV_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

namespace {

// A death test's child: the suite run again for one death statement (it inherits the temporary
// folder of the run that started it).
bool deathTestChild(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]).starts_with("--gtest_internal_run_death_test")) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" KLV_OFFSCREEN_CONFIG);
    klv::useRuntimeFolder();
    // Every temporary folder of the run is made inside one of its own, removed when the run ends:
    // a death test's child (run again, or forked) dies before it can remove the folders it made.
    // Others may pass through it (not list it), as through the system's: a test run as another
    // user reaches the folders made open to it.
    std::optional<QTemporaryDir> runFolder;
    if (!deathTestChild(argc, argv)) {
        runFolder.emplace(QDir::tempPath() + QLatin1Char('/') + QFileInfo(QString::fromLocal8Bit(argv[0])).fileName() +
                          QStringLiteral("-run-XXXXXX"));
        if (runFolder->isValid() &&
            QFile::setPermissions(runFolder->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                         QFile::ExeGroup | QFile::ExeOther))
            qputenv("TMPDIR", QFile::encodeName(runFolder->path()));
    }
    QLocale::setDefault(QLocale::c());
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
