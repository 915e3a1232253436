// Test entry shared by every suite: a QApplication on the offscreen platform (widgets and the
// SQL driver need one), a private runtime folder, a fixed locale, then GoogleTest.
#include "single_instance.h"

#include <QApplication>
#include <QLocale>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" KLV_OFFSCREEN_CONFIG);
    klv::useRuntimeFolder();
    QLocale::setDefault(QLocale::c());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
