#pragma once
// Number and date conversions of the system in one place: the masks of the forms and reports
// ("00", "000000", "#############0", "###,###,###,##0.00", "dd/mm/yyyy", ...), the numeric value of
// a text (the lenient reading that stops at the first character that is not part of a number),
// the strict reading, and the two roundings.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <optional>
#include <string_view>

namespace klv::fmt {

// Fast reading of a plain number: an optional sign, ASCII digits with at most one '.', at least
// one digit, nothing else (no blank, grouping or exponent), at most 15 significant digits and 22
// decimals. For such a text it gives exactly what toNumber, amountOrZero and val give (they take
// this path first); for any other text nullopt, and the caller goes on with the general reading.
// The byte form reads UTF-8 or Windows-1252 bytes as they come from SQLite or a file, without
// making a QString: use it in loops over many rows.
std::optional<double> plainNumber(std::string_view text);
std::optional<double> plainNumber(QStringView text);

// Lenient numeric value: blanks, tabs and line feeds are skipped anywhere, then an optional sign,
// digits, one '.', digits and an exponent (E or D) are read up to the first other character;
// "&H1F" and "&O17" read hexadecimal and octal. Nothing readable gives 0.
double val(const QString& text);

// Strict reading: the trimmed text as a whole must be a number (optional sign, digits with
// optional ',' grouping, '.' fraction, exponent). Empty or anything else gives nullopt.
std::optional<double> toNumber(const QString& text);
inline bool isNumeric(const QString& text) { return toNumber(text).has_value(); }

namespace detail {
// The general readings behind val and toNumber, without the fast path (tests hold the fast path
// against them).
double valGeneral(const QString& text);
std::optional<double> toNumberGeneral(const QString& text);
}  // namespace detail

// Amount reading used where an empty or missing amount means zero: empty/blank text is 0,
// otherwise toNumber, and a text that is not a number gives nullopt.
std::optional<double> amountOrZero(const QString& text);

// Roundings to a number of decimals, done on the value's 15-significant-digit decimal form (so
// 1.005 is treated as written).
double roundHalfEven(double value, int decimals = 0);
double roundHalfAwayFromZero(double value, int decimals = 0);

// Formats a number with a digit mask: '0' a digit always shown, '#' a digit shown when needed,
// ',' anywhere in the whole part turns on thousands grouping, '.' starts the decimals. Rounds half
// away from zero to the mask's decimals. Examples: (5, "00") "05", (42, "00000000") "00000042",
// (1234.5, "###,###,###,##0.00") "1,234.50", (0, "#############0") "0".
QString format(double value, const QString& mask);

// The number as plain text: no grouping, '.' decimal point, at most 15 significant digits, no
// leading blank ("6", "2015", "12.5", "20000000001").
QString numberText(double value);

// Date masks: d dd m mm (month) M MM yy yyyy (any case), h hh n nn s ss (time), other
// characters kept. "dd/mm/yyyy" -> "05/03/2016", "yyyymmdd" -> "20160305".
QString formatDate(const QDateTime& when, const QString& mask);
QString formatDate(const QDate& date, const QString& mask);

// Reads a date typed or stored as text: d/m/yyyy (day first) or yyyy-mm-dd (stored form), with an
// optional time after a blank or 'T'. Invalid dates give nullopt.
std::optional<QDate> parseDate(const QString& text);

// Stored form of a date column: "yyyy-MM-dd".
QString isoDate(const QDate& date);

}  // namespace klv::fmt
