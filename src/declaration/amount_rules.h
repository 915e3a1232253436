#pragma once
// The amount rules of a transaction by valuation option and kind, as predicates over values the
// caller has already read. Three callers apply them, each in its own order and with its own
// texts around them:
//   - the declaration's consistency check over the working copy (amount_checks.h), which reads
//     stored digit texts and adds "Num.Doc. Informado = ..." to each message;
//   - the transaction form's check before a save (klv_transactions, udf_ValidaText), which reads
//     the boxes as typed;
//   - the transaction file import, which checks each accepted line by its own error codes.
// So a predicate never reads a table or a box and never shows anything: it takes texts or numbers
// and says whether the rule holds. The message texts that two callers share are here too, without
// the trailing blank the declaration's check adds.
//
// Readings used in the arguments (name them so at the call site):
//   text "0"          the text equals "0" exactly ("0.00" is not)
//   text above "0"    ordinal comparison with "0": the empty text is below, "0.00" above
//   number            the amount as a number (the caller decides how empty or odd texts read)

#include <QString>

namespace klv::rules {

// Ordinal comparisons of a text with "0" (character codes, no locale).
inline bool textAboveZero(const QString& t) { return QString::compare(t, QStringLiteral("0")) > 0; }
inline bool textAtLeastZero(const QString& t) { return QString::compare(t, QStringLiteral("0")) >= 0; }
inline bool isZeroText(const QString& t) { return t == QLatin1String("0"); }

// Option "00", financial: a loan without interest (capital not "0", both interests "0", balance at
// least "0") or with interest (capital and both interests above "0", balance at least "0"). The
// four texts are trimmed by the caller.
bool loanFits(const QString& capital, const QString& interestOrigin, const QString& interestRecord,
              const QString& balance);

// Option "00", not financial: the amounts of origin and of record are both zero or both above
// zero.
bool zeroOrBothPositive(double origin, double record);

// Option "02", financial: one total interest is zero and the other is not.
bool interestsMismatch(double origin, double record);

// Option "02", not financial: with the amount of origin the text "0", the amount of record must be
// the text "0"; otherwise the amount of record must not be zero as a number.
bool otherMethodsAmountsInconsistent(const QString& origin, const QString& record, double recordNumber);

// Option "02": both result adjustments above zero (only one may be given).
inline bool bothAdjustments(double positive, double negative) { return positive > 0 && negative > 0; }

// Option "01", not financial, for one method: which of its two amounts breaks the rule. With the
// transaction amount the text "0", the unadjusted amount must be the text "0" (the adjusted one is
// not examined); otherwise neither amount may be the text "0" (unadjusted first).
enum class MethodFault { None, Unadjusted, Adjusted };
MethodFault methodAmountFault(bool originIsZeroText, const QString& unadjusted, const QString& adjusted);

// Option "01", financial, for one method: with no interest in the currency of origin (number 0)
// the unadjusted interest must be zero as a number; otherwise both interests must be text above
// "0".
enum class InterestFault { None, Unadjusted, Both };
InterestFault methodInterestFault(bool noInterest, double unadjustedNumber, const QString& unadjusted,
                                  const QString& adjusted);

// Texts shared by the declaration's check and the transaction form (no trailing blank). `method`
// is "PCNC", "PR" or "CI".
QString msgCapitalAboveZero();       // "00" financial, capital zero
QString msgZeroOrAboveZero();        // "00" not financial
QString msgCapitalNotValid();        // "01" financial, capital zero
QString msgMethodAmount(MethodFault fault, const QString& method);
QString msgMethodInterest(InterestFault fault, const QString& method);
QString msgTotalCapital();           // "02" financial, total capital "0"
QString msgTotalInterests();         // "02" financial, interests mismatch
QString msgAmountInconsistent();     // "02" not financial
QString msgOnlyOneAdjustment();      // "02", both adjustments

}  // namespace klv::rules
