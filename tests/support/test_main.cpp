// Test entry shared by every suite: an application object on the offscreen platform (the SQL
// driver, fonts and widgets need one), a private runtime folder, a fixed locale, then GoogleTest.
// The suites of the logic run on a QGuiApplication and so never link the widgets; those that show
// windows are built with KLV_TEST_WIDGETS and run on a QApplication.
#include "single_instance.h"

#include <QLocale>
#include <gtest/gtest.h>
#ifdef KLV_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" KLV_OFFSCREEN_CONFIG);
    klv::useRuntimeFolder();
    QLocale::setDefault(QLocale::c());
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
