#include "message_service.h"
#include "recording_message_service.h"

#include <gtest/gtest.h>
#include <stdexcept>

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
    EXPECT_THROW(m.last(), std::logic_error);  // nothing shown: the test fails, the program runs on
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
