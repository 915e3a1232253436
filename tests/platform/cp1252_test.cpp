#include "cp1252.h"

#include <gtest/gtest.h>

using namespace klv;

TEST(Cp1252, CharacterCodes) {
    EXPECT_EQ(cp1252::charCode(QChar(u'ñ')), 241);
    EXPECT_EQ(cp1252::charCode(QChar(u'Ñ')), 209);
    EXPECT_EQ(cp1252::charCode(QChar(u'á')), 225);
    EXPECT_EQ(cp1252::charCode(QChar(0x00A0)), 160);
    EXPECT_EQ(cp1252::charCode(QChar(u'€')), 0x80);
    EXPECT_EQ(cp1252::charCode(QChar(u'A')), 65);
    EXPECT_EQ(cp1252::charCode(QChar(0x4E2D)), '?');
}

TEST(Cp1252, EveryByteReadsAndWritesBackUnchanged) {
    QByteArray all;
    for (int c = 0; c < 256; ++c) all.append(static_cast<char>(c));
    EXPECT_EQ(cp1252::encode(cp1252::decode(all)), all);
    // The five codes the code page leaves undefined stand for the control characters of that number.
    for (int c : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        EXPECT_EQ(cp1252::fromCode(c), QChar(c));
        EXPECT_EQ(cp1252::charCode(QChar(c)), c);
    }
}

TEST(Cp1252, UnknownCharactersBecomeQuestionMarks) {
    EXPECT_EQ(cp1252::encode(QString::fromUtf8("añ€中")), QByteArray("a\xF1\x80?"));
    EXPECT_FALSE(cp1252::representable(QChar(0x4E2D)));
    // A control character that holds a defined code's place is not that code.
    EXPECT_EQ(cp1252::encode(QString(QChar(0x80))), QByteArray("?"));
}

TEST(Cp1252, EncodingGivesEachCharactersCode) {
    // Every UTF-16 unit, alone and all in one text: the byte of its code, '?' where there is none.
    QString all;
    QByteArray codes;
    for (int u = 0; u <= 0xFFFF; ++u) {
        const QChar c(static_cast<char16_t>(u));
        all += c;
        codes += static_cast<char>(cp1252::charCode(c));
        ASSERT_EQ(cp1252::encode(QString(c)), QByteArray(1, static_cast<char>(cp1252::charCode(c)))) << u;
    }
    EXPECT_EQ(cp1252::encode(all), codes);
}
