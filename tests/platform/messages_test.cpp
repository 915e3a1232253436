#include "message_service.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

using namespace klv;

TEST(MessageStyles, ButtonsAndDefaults) {
    EXPECT_EQ(buttonsOfStyle(16), std::vector<int>{MsgAnswer::Ok});
    EXPECT_EQ(buttonsOfStyle(48), std::vector<int>{MsgAnswer::Ok});
    EXPECT_EQ(buttonsOfStyle(36), (std::vector<int>{MsgAnswer::Yes, MsgAnswer::No}));
    EXPECT_EQ(defaultAnswerOfStyle(36), MsgAnswer::Yes);
    EXPECT_EQ(defaultAnswerOfStyle(292), MsgAnswer::No);
    EXPECT_EQ(defaultAnswerOfStyle(0), MsgAnswer::Ok);
    EXPECT_EQ(defaultAnswerOfStyle(MsgStyle::YesNoCancel | MsgStyle::DefaultButton3), MsgAnswer::Cancel);
}

TEST(MessageServices, RecordingAnswersFromScriptThenDefault) {
    RecordingMessageService m;
    m.script(MsgAnswer::No);
    EXPECT_EQ(m.show(QStringLiteral("¿Seguro?"), 36, QStringLiteral("T")), MsgAnswer::No);
    EXPECT_EQ(m.show(QStringLiteral("¿Seguro?"), 36, QStringLiteral("T")), MsgAnswer::Yes);
    ASSERT_EQ(m.calls().size(), 2u);
    EXPECT_EQ(m.last().style, 36);
    EXPECT_EQ(m.last().title, QStringLiteral("T"));
}

TEST(MessageServices, HeadlessWritesAndAnswersDefault) {
    HeadlessMessageService m;
    testing::internal::CaptureStderr();
    const int answer = m.show(QStringLiteral("Texto"), 292, QStringLiteral("Título"));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, MsgAnswer::No);
    EXPECT_NE(err.find("Texto"), std::string::npos);
}

TEST(MessageServices, OffscreenCountsAsHeadless) {
    const QByteArray saved = qgetenv("QT_QPA_PLATFORM");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    EXPECT_TRUE(runningHeadless());
    qputenv("QT_QPA_PLATFORM", saved);
}

TEST(MessageServiceChoice, HeadlessProcessGetsTheStandardErrorService) {
    // The test run uses the offscreen platform: no boxes can be shown.
    ASSERT_TRUE(klv::runningHeadless());
    const auto service = klv::makeMessageService();
    EXPECT_NE(dynamic_cast<klv::HeadlessMessageService*>(service.get()), nullptr);
}

TEST(MessageServices, BoxesOneAfterAnotherOpenOverTheirForm) {
    // Once a box has closed no window is active (as without a window manager): the next box
    // still belongs to the modal form that asks, not to the middle of the screen.
    QDialog form;
    form.setWindowModality(Qt::ApplicationModal);
    form.show();
    std::vector<QWidget*> parents;
    QtMessageService service;
    for (int i = 0; i < 2; ++i) {
        QTimer::singleShot(0, [&parents] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            parents.push_back(box->parentWidget());
            box->accept();
        });
        service.show(QStringLiteral("Texto"), MsgStyle::YesNo + MsgStyle::Question, QStringLiteral("T"));
    }
    EXPECT_EQ(parents, (std::vector<QWidget*>{&form, &form}));
}
