#pragma once
// The figures of the transaction form as text: how a box's text reads as a number, the stored
// forms a save writes (whole amounts, two-decimal rates and range values), and the entry rules of
// the amount boxes (editing and display formats, the rate key rule, the exclusive result
// adjustments, the copy of the origin amount into the registration amount).
//
// Everything works on the decimal text itself, never through a binary floating-point value, so a
// 14-digit amount or a range value of 13 integer digits keeps every digit.

#include <QString>
#include <optional>

namespace klv {

class Utilitarios;

// A box's text read as a non-negative decimal number: blanks around it ignored, grouping commas
// allowed in the whole part, one point, digits. Nothing else: no sign, no parentheses, no
// exponent, not empty. The result keeps the digits exactly.
struct BoxNumber {
    QString whole;  // digits without leading zeros ("0" for zero)
    QString frac;   // digits after the point, as typed (may be empty)

    double value() const;
    bool isZero() const;
    // The number rounded to `decimals` places, halves away from zero, without grouping:
    // "1234.567" with 0 gives "1235", with 2 "1234.57"; 2 places always show two decimals.
    QString rounded(int decimals) const;
    // The same with thousands grouping ("1,234.57").
    QString grouped(int decimals) const;
};
std::optional<BoxNumber> readBoxNumber(const QString& text);

// Stored forms of a save. Each gives the empty text for an empty box and nullopt when the text is
// not a non-negative number.
//   A  "#############0"      the whole number, halves away from zero ("12,345.50" -> "12346")
//   R  "##0.#0", V "############0.#0"  two decimals ("7.5" -> "7.50", "1,234.567" -> "1234.57")
std::optional<QString> storedWhole(const QString& text);
std::optional<QString> storedTwoDecimals(const QString& text);

// The kinds of entry box of the transaction form.
enum class EntryKind {
    Integer,  // amounts: editing 14 "###########0", display 18 "###,###,###,##0"
    Decimal,  // ranges, medians, margins, PLI value: editing 16 "############0.#0", display 20
    Rate,     // annual effective rates: 6 "##0.#0" both ways
};
int editingLength(EntryKind kind);
int displayLength(EntryKind kind);
// The text a box shows once entered / once left. An empty text stays empty and a text that does
// not read as a number stays as it is.
QString editingText(EntryKind kind, const QString& text);
QString displayText(EntryKind kind, const QString& text);

// The rate key rule: a second point is dropped (and nothing else happens); Enter moves the focus
// on (sendTab) when the box holds a number other than 0; then the key passes only when the utility
// component's EsDigito accepts it with the point allowed (digits, the point, backspace).
struct RateKey {
    int code = 0;         // the key to type, 0 to drop it
    bool sendTab = false; // move the focus to the next control
};
RateKey rateKey(const Utilitarios& util, int code, const QString& boxText);

// Exclusive result adjustments: on every key typed into one adjustment box, the other box becomes
// "0.00" when its trimmed text is empty or its value is above 0; "0", "0.00" and a text that is not
// a number are left alone. Returns the other box's new text.
QString otherAdjustmentText(const QString& otherText);

// Whether leaving a box copies the origin amount into the registration amount: the tab's currency
// code equals the registration code, and for the transaction amount of the other-methods tab also
// the period text is below "2008".
bool copiesToRegistration(const QString& currencyCode, const QString& registrationCode, bool otherMethodsAmount,
                          const QString& periodo);

}  // namespace klv
