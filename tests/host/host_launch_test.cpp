#include "host_env.h"
#include "host_launch.h"
#include "klv_host_window.h"
#include "recording_message_service.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace klv;
using host::resumenCommandLine;

TEST(ResumenCommandLine, ThirtyFiveCharactersAtFixedPositions) {
    const QString line = resumenCommandLine(6, QStringLiteral("20601234565"), QStringLiteral("8027"),
                                            QStringLiteral("2015"), QStringLiteral("1"), QStringLiteral("42"));
    ASSERT_EQ(line.size(), 35);
    EXPECT_EQ(line, QStringLiteral("0620601234565    8027201500") + QStringLiteral("10000042"));
    EXPECT_EQ(line.mid(0, 2), QStringLiteral("06"));
    EXPECT_EQ(line.mid(2, 15), QStringLiteral("20601234565    "));
    EXPECT_EQ(line.mid(17, 4), QStringLiteral("8027"));
    EXPECT_EQ(line.mid(21, 6), QStringLiteral("201500"));
    EXPECT_EQ(line.mid(27, 1), QStringLiteral("1"));
    EXPECT_EQ(line.mid(28), QStringLiteral("0000042"));
}

TEST(ResumenCommandLine, MonthlyPeriodAndOversizedPiecesKeepTheWidth) {
    const QString line = resumenCommandLine(6, QStringLiteral(" 2060123456512345678 "), QStringLiteral("80270"),
                                            QStringLiteral("201503"), QStringLiteral("AB"), QStringLiteral("123456789"));
    ASSERT_EQ(line.size(), 35);
    EXPECT_EQ(line.mid(2, 15), QStringLiteral("206012345651234"));
    EXPECT_EQ(line.mid(17, 4), QStringLiteral("8027"));
    EXPECT_EQ(line.mid(21, 6), QStringLiteral("201503"));
    EXPECT_EQ(line.mid(27, 1), QStringLiteral("A"));
    EXPECT_EQ(line.mid(28), QStringLiteral("3456789"));
}

namespace {

// A stand-in program that records its arguments, one per line.
QString writeRecorder(const QString& folder, const QString& name, const QString& out) {
    const QString path = folder + QLatin1Char('/') + name;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '%1.tmp'\nmv '%1.tmp' '%1'\n")
                .arg(out)
                .toUtf8());
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    return path;
}

// The window reads QM000.INI of the Windows directory: point it at an empty folder.
class HostWindow : public ::testing::Test {
protected:
    void SetUp() override { qputenv("KLV_WINDIR", bin.path().toLocal8Bit()); }
    void TearDown() override { qunsetenv("KLV_WINDIR"); }
    QTemporaryDir bin;
    RecordingMessageService messages;
};

QByteArray waitForFile(const QString& path) {
    QDeadlineTimer deadline(20000);
    while (!QFile::exists(path) && !deadline.hasExpired()) QThread::msleep(20);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

}  // namespace

TEST_F(HostWindow, CaptionIsExactlyKlvAndStartsTheModule) {
    host::HostMainWindow w(messages, bin.path());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("KLV"));

    // Missing program: the user is told where it was looked for.
    w.findChild<QPushButton*>(QStringLiteral("CmdModulo"))->click();
    ASSERT_EQ(messages.calls().size(), 1u);
    EXPECT_EQ(messages.last().text, QStringLiteral("No se encontró el programa QM8027 en %1.").arg(bin.path()));
    EXPECT_EQ(messages.last().title, QStringLiteral("KLV"));

    const QString out = bin.path() + QStringLiteral("/qm.args");
    writeRecorder(bin.path(), QStringLiteral("QM8027"), out);
    w.CmdModulo_Click();
    EXPECT_EQ(messages.calls().size(), 1u);
    EXPECT_EQ(waitForFile(out), QByteArray());  // started, without arguments
    EXPECT_TRUE(QFile::exists(out));
}

TEST_F(HostWindow, SummaryProgramReceivesTheLineAsOneArgument) {
    host::HostMainWindow w(messages, bin.path());
    w.findChild<QLineEdit*>(QStringLiteral("TxtRuc"))->setText(QStringLiteral("20601234565"));
    w.findChild<QLineEdit*>(QStringLiteral("TxtPeriodo"))->setText(QStringLiteral("2015"));
    w.findChild<QLineEdit*>(QStringLiteral("TxtNroEnvio"))->setText(QStringLiteral("7"));

    w.CmdResumen_Click();
    ASSERT_EQ(messages.calls().size(), 1u);
    EXPECT_TRUE(messages.last().text.startsWith(QStringLiteral("No se encontró el programa 8027REP")));

    const QString out = bin.path() + QStringLiteral("/rep.args");
    writeRecorder(bin.path(), QStringLiteral("8027REP"), out);
    w.CmdResumen_Click();
    EXPECT_EQ(messages.calls().size(), 1u);
    EXPECT_EQ(waitForFile(out), QByteArray("0620601234565    802720150010000007\n"));
}

TEST_F(HostWindow, FitsItsContentsWithNoEmptyBandBelow) {
    host::HostMainWindow w(messages, bin.path());
    w.show();
    QApplication::processEvents();
    const QWidget* central = w.centralWidget();
    int bottom = 0;
    for (const QWidget* c : central->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        bottom = std::max(bottom, c->geometry().bottom());
    EXPECT_LE(central->height() - 1 - bottom, central->layout()->contentsMargins().bottom());
}

TEST_F(HostWindow, SummaryNeedsADeclarantAndAPeriod) {
    host::HostMainWindow w(messages, bin.path());
    w.findChild<QLineEdit*>(QStringLiteral("TxtPeriodo"))->setText(QStringLiteral("15"));
    EXPECT_TRUE(w.commandLineFromForm().isEmpty());
    EXPECT_EQ(messages.last().text, QStringLiteral("Ingrese el periodo: el año (AAAA) o el año y el mes (AAAAMM)."));
    w.findChild<QLineEdit*>(QStringLiteral("TxtRuc"))->setText(QStringLiteral("2060"));
    EXPECT_TRUE(w.commandLineFromForm().isEmpty());
    EXPECT_EQ(messages.last().text, QStringLiteral("Ingrese el RUC del declarante (11 dígitos)."));
    EXPECT_EQ(messages.calls().size(), 2u);
}

// The window, frame included, lies inside the screen's available area, at its place beside the
// module's frame where the screen is wide enough.
TEST(HostPlacement, InsideTheAvailableArea) {
    const struct {
        QRect available;
        QSize frame;
        QPoint placed;
    } cases[] = {
        {{0, 0, 1280, 1024}, {460, 320}, {660, 0}},
        {{0, 0, 1024, 768}, {460, 320}, {564, 0}},
        {{0, 30, 1024, 738}, {470, 345}, {554, 30}},  // a panel along the top
        {{1280, 0, 1024, 768}, {460, 320}, {1280, 0}},  // a second screen to the right
        {{0, 0, 400, 300}, {460, 320}, {0, 0}},         // larger than the screen: its corner shows
    };
    for (const auto& c : cases) EXPECT_EQ(host::placeInside(c.available, c.frame, {660, 0}), c.placed);
}
