// Key filters on Windows-1252 codes and the event filter that applies them to entry boxes.
#include "key_filters.h"

#include "cp1252.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <gtest/gtest.h>
#include <set>

namespace klv {
namespace {

std::set<int> pasan(int (*filtro)(int)) {
    std::set<int> out;
    for (int c = 0; c <= 255; ++c) {
        const int r = filtro(c);
        if (r != 0) {
            EXPECT_EQ(r, c) << "the filter changed code " << c;
            out.insert(c);
        }
    }
    return out;
}

std::set<int> rango(int a, int b) {
    std::set<int> s;
    for (int c = a; c <= b; ++c) s.insert(c);
    return s;
}

std::set<int> unir(std::set<int> a, const std::set<int>& b) {
    a.insert(b.begin(), b.end());
    return a;
}

TEST(KeyFilterCodesTest, IntegerFilterPassesDigitsOnlyNeverTheColon) {
    EXPECT_EQ(pasan(udf_SoloNumEntero), unir({8, 40, 41}, rango('0', '9')));
    EXPECT_EQ(udf_SoloNumEntero(':'), 0);
    EXPECT_EQ(udf_SoloNumEntero('.'), 0);
    EXPECT_EQ(udf_SoloNumEntero('-'), 0);
}

TEST(KeyFilterCodesTest, DecimalFilterAddsThePointOnly) {
    EXPECT_EQ(pasan(udf_SoloNumDecimal), unir({8, 40, 41, 46}, rango('0', '9')));
    EXPECT_EQ(udf_SoloNumDecimal(':'), 0);
    EXPECT_EQ(udf_SoloNumDecimal(','), 0);
}

TEST(KeyFilterCodesTest, LettersFilterPassesEnyeButNotAccentsOrComma) {
    EXPECT_EQ(pasan(udf_SoloLetras),
              unir(unir({8, 32, 40, 41, 45, 46, 209, 241}, rango('A', 'Z')), rango('a', 'z')));
    EXPECT_EQ(udf_SoloLetras(cp1252::charCode(QChar(0xF1))), 241);  // ñ
    EXPECT_EQ(udf_SoloLetras(cp1252::charCode(QChar(0xE1))), 0);    // á
    EXPECT_EQ(udf_SoloLetras(','), 0);
}

// Types text into a widget as the keyboard would.
void teclear(QWidget* w, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
    }
}

void tecla(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
}

TEST(KeyCodeFilterTest, DropsRefusedCharactersAndKeepsTheRest) {
    QLineEdit box;
    KeyCodeFilter::install(&box, udf_SoloNumDecimal);
    teclear(&box, "1a2:3.4,5(6)-");
    EXPECT_EQ(box.text(), "123.45(6)");
    tecla(&box, Qt::Key_Backspace, Qt::NoModifier, "\b");
    EXPECT_EQ(box.text(), "123.45(6");
}

TEST(KeyCodeFilterTest, MapsCharactersToWindows1252Codes) {
    QLineEdit box;
    KeyCodeFilter::install(&box, udf_SoloLetras);
    teclear(&box, QString::fromUtf8("Peña Ñu á€ 1"));
    EXPECT_EQ(box.text(), QString::fromUtf8("Peña Ñu  "));
}

TEST(KeyCodeFilterTest, ACodeChangedByTheFilterIsTypedInstead) {
    QLineEdit box;
    KeyCodeFilter::install(&box, [](int c) {
        const int upper = cp1252::charCode(cp1252::fromCode(c).toUpper());
        return udf_SoloLetras(upper);
    });
    teclear(&box, QString::fromUtf8("ñandú 9x"));
    EXPECT_EQ(box.text(), QString::fromUtf8("ÑAND X"));
}

TEST(KeyCodeFilterTest, ABackspaceRefusedByTheFilterIsDropped) {
    QLineEdit box("12");
    KeyCodeFilter::install(&box, [](int c) { return c == 8 ? 0 : c; });
    tecla(&box, Qt::Key_Backspace, Qt::NoModifier, "\b");
    EXPECT_EQ(box.text(), "12");
}

TEST(KeyCodeFilterTest, ControlKeysAreNotFiltered) {
    QLineEdit box;
    KeyCodeFilter::install(&box, udf_SoloNumEntero);
    bool enter = false;
    QObject::connect(&box, &QLineEdit::returnPressed, [&] { enter = true; });
    tecla(&box, Qt::Key_Return, Qt::NoModifier, "\r");
    EXPECT_TRUE(enter);
}

TEST(KeyCodeFilterTest, PasteIsBlockedWhenAsked) {
    QApplication::clipboard()->setText("12:ab");
    QLineEdit bloqueado, libre;
    KeyCodeFilter::install(&bloqueado, udf_SoloNumEntero);
    KeyCodeFilter::install(&libre, udf_SoloNumEntero, false);
    for (QLineEdit* box : {&bloqueado, &libre}) {
        tecla(box, Qt::Key_V, Qt::ControlModifier, "\x16");
        tecla(box, Qt::Key_Insert, Qt::ShiftModifier);
    }
    EXPECT_EQ(bloqueado.text(), "");
    if (QApplication::clipboard()->text() != "12:ab") GTEST_SKIP() << "no clipboard on this platform";
    EXPECT_EQ(libre.text(), "12:ab12:ab");  // pasted text is not filtered when paste is allowed
}

TEST(KeyCodeFilterTest, WorksOnTheEditOfAComboBoxAndOnATextEdit) {
    QComboBox combo;
    combo.setEditable(true);
    KeyCodeFilter::install(&combo, udf_SoloNumEntero);
    teclear(combo.lineEdit(), "4x5");
    EXPECT_EQ(combo.currentText(), "45");

    QPlainTextEdit edit;
    KeyCodeFilter::install(&edit, udf_SoloLetras);
    teclear(&edit, "ab,c1");
    EXPECT_EQ(edit.toPlainText(), "abc");
}

}  // namespace
}  // namespace klv
