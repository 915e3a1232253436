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

TEST(Cp1252, RoundTripOfEveryDefinedCode) {
    QByteArray all;
    for (int c = 1; c < 256; ++c)
        if (c != 0x81 && c != 0x8D && c != 0x8F && c != 0x90 && c != 0x9D) all.append(static_cast<char>(c));
    EXPECT_EQ(cp1252::encode(cp1252::decode(all)), all);
}

TEST(Cp1252, UnknownCharactersBecomeQuestionMarks) {
    EXPECT_EQ(cp1252::encode(QString::fromUtf8("añ€中")), QByteArray("a\xF1\x80?"));
    EXPECT_FALSE(cp1252::representable(QChar(0x4E2D)));
    EXPECT_EQ(cp1252::decode(QByteArray("\x81")), QString(QChar(QChar::ReplacementCharacter)));
}
