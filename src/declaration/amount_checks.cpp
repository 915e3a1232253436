#include "amount_checks.h"

#include "amount_rules.h"
#include "declaration_sql.h"
#include "format.h"

#include "row_cursor.h"

#include <QRegularExpression>
#include <array>
#include <cctype>
#include <cmath>
#include <optional>
#include <string_view>

namespace klv {
namespace {

__extension__ typedef __int128 Wide;  // sums of currency amounts beyond the 64-bit range do not overflow
constexpr int kScale = 10000;  // currency: ten-thousandths
constexpr int kTypeMismatch = 13;

// Rounds num/den to the nearest whole number, ties to even (den > 0).
Wide divideHalfEven(Wide num, Wide den) {
    Wide q = num / den;
    Wide r = num % den;
    if (r < 0) {
        r = -r;
    }
    const Wide twice = r * 2;
    if (twice > den || (twice == den && (q % 2 != 0))) q += num < 0 ? -1 : 1;
    return q;
}

// An amount text as currency (ten-thousandths). Plain decimal text is read exactly (ties beyond
// four decimals to even); any other text by its number reading.
Wide currencyOfText(const QString& text) {
    static const QRegularExpression plain(QStringLiteral("^\\s*([+-]?)(\\d*)(?:\\.(\\d*))?\\s*$"));
    const auto m = plain.match(text);
    if (m.hasMatch() && (!m.captured(2).isEmpty() || !m.captured(3).isEmpty())) {
        Wide whole = 0;
        for (QChar c : m.captured(2)) whole = whole * 10 + c.digitValue();
        const QString frac = m.captured(3);
        Wide units = 0;
        for (int i = 0; i < 4; ++i) units = units * 10 + (i < frac.size() ? frac[i].digitValue() : 0);
        Wide value = whole * kScale + units;
        if (frac.size() > 4) {
            const QString rest = frac.mid(4);
            const int first = rest[0].digitValue();
            static const QRegularExpression nonZero(QStringLiteral("[1-9]"));
            const bool beyond = rest.mid(1).contains(nonZero);
            if (first > 5 || (first == 5 && (beyond || value % 2 != 0))) ++value;
        }
        return m.captured(1) == QLatin1String("-") ? -value : value;
    }
    return static_cast<Wide>(std::llround(fmt::roundHalfEven(decl::amount(text), 4) * kScale));
}

bool asciiSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool ascii(char c) { return static_cast<unsigned char>(c) < 0x80; }

// The amount columns of a cursor's current row, read as the rules read them: numbers and the
// tests for "0" and for empty from the engine's bytes, texts shared down each column (amounts
// such as "0" repeat from row to row).
class AmountRow {
public:
    AmountRow(const RowCursor& c, int columns) : c_(c), texts_(static_cast<size_t>(columns)) {}
    bool empty(int col) const { return c_.isEmpty(col); }
    // The stored text is exactly "0".
    bool isZeroText(int col) const { return c_.bytes(col) == "0"; }
    // The stored text (a null text for NULL).
    QString text(int col) const { return texts_[static_cast<size_t>(col)].text(c_, col); }
    // VB_VAL's reading (the totals of method '01'): empty is 0, a number its value, other text its
    // leading number.
    double valNumber(int col) const {
        const std::string_view b = c_.bytes(col);
        if (const auto n = fmt::plainNumber(b)) return *n;
        return b.empty() ? 0 : fmt::val(c_.text(col));
    }
    // VB_CDBL's reading (the totals of methods '00' and '02'): empty is 0, a number its value;
    // nullopt for other text.
    std::optional<double> strictNumber(int col) const {
        const std::string_view b = c_.bytes(col);
        if (const auto n = fmt::plainNumber(b)) return n;
        return b.empty() ? 0 : fmt::amountOrZero(c_.text(col));
    }
    // Number reading: empty is 0, a number its value, other text its leading number.
    double number(int col) const {
        const std::string_view b = c_.bytes(col);
        if (const auto n = fmt::plainNumber(b)) return *n;
        if (b.empty()) return 0;
        return decl::amount(c_.text(col));
    }
    Wide currency(int col) const {
        const std::string_view b = c_.bytes(col);
        size_t i = 0, n = b.size();
        for (char c : b)
            if (!ascii(c)) return currencyOfText(c_.text(col));
        while (i < n && asciiSpace(b[i])) ++i;
        while (n > i && asciiSpace(b[n - 1])) --n;
        bool negative = false;
        if (i < n && (b[i] == '+' || b[i] == '-')) negative = b[i++] == '-';
        Wide whole = 0;
        size_t digits = 0;
        for (; i < n && b[i] >= '0' && b[i] <= '9'; ++i, ++digits) whole = whole * 10 + (b[i] - '0');
        Wide units = 0;
        int decimals = 0, first = 0;
        bool beyond = false;
        if (i < n && b[i] == '.')
            for (++i; i < n && b[i] >= '0' && b[i] <= '9'; ++i, ++decimals) {
                const int d = b[i] - '0';
                if (decimals < 4)
                    units = units * 10 + d;
                else if (decimals == 4)
                    first = d;
                else if (d != 0)
                    beyond = true;
            }
        if (i != n || (digits == 0 && decimals == 0)) return currencyOfText(c_.text(col));
        for (int k = decimals; k < 4; ++k) units *= 10;
        Wide value = whole * kScale + units;
        if (decimals > 4 && (first > 5 || (first == 5 && (beyond || value % 2 != 0)))) ++value;
        return negative ? -value : value;
    }

private:
    const RowCursor& c_;
    mutable std::vector<RepeatedTexts> texts_;
};

// Currency formatted "#############0.00": two decimals (half away from zero), no grouping.
QString formatCurrency(Wide units) {
    const bool negative = units < 0;
    Wide cents = (negative ? -units : units);
    cents = (cents + 50) / 100;
    QString whole;
    Wide w = cents / 100;
    do {
        whole.prepend(QChar('0' + static_cast<int>(w % 10)));
        w /= 10;
    } while (w > 0);
    const int c = static_cast<int>(cents % 100);
    return (negative && cents != 0 ? QStringLiteral("-") : QString()) + whole + QLatin1Char('.') +
           QString::asprintf("%02d", c);
}

// Columns the consistency rules read, in the order of the query.
enum Col {
    DOC_ID_P, FLAG_VAL_MET, IND_TRANSAC_FIN,
    // '00'
    MTO_SIN_CAP_MON_ORI, MTO_SIN_INTS_MON_ORI, MTO_SIN_INTS_MON_REG, SAL_SIN_CAP_MON_REG, MTO_SIN_TRAN_MON_ORI,
    MTO_SIN_TRAN_MON_REG,
    // '01'
    MTO_CAP_MON_ORI, MTO_INTS_MON_ORI, MTO_TRAN_MON_ORI, MTO_SIN_AJU_PCNC, MTO_AJU_PCNC, MTO_SIN_AJU_PR, MTO_AJU_PR,
    MTO_SIN_AJU_CI, MTO_AJU_CI, MTO_INTS_SIN_AJU_PCNC, MTO_INTS_AJU_PCNC, MTO_INTS_SIN_AJU_PR, MTO_INTS_AJU_PR,
    MTO_INTS_SIN_AJU_CI, MTO_INTS_AJU_CI,
    // '02'
    MTO_TOT_CAP_MON_ORI, MTO_TOT_INTS_MON_ORI, MTO_TOT_INTS_MON_REG, MTO_TOT_AJU_RES_POS_REG, MTO_TOT_AJU_RES_NEG_REG,
    MTO_TRA_MON_ORI, MTO_TRA_MON_REG, MTO_AJU_RES_POS_REG, MTO_AJU_RES_NEG_REG,
    FORMULARIO,
    kColumns
};

const char* const kColumnNames[kColumns] = {
    "DOC_ID_P", "FLAG_VAL_MET", "IND_TRANSAC_FIN",
    "MTO_SIN_CAP_MON_ORI", "MTO_SIN_INTS_MON_ORI", "MTO_SIN_INTS_MON_REG", "SAL_SIN_CAP_MON_REG", "MTO_SIN_TRAN_MON_ORI",
    "MTO_SIN_TRAN_MON_REG",
    "MTO_CAP_MON_ORI", "MTO_INTS_MON_ORI", "MTO_TRAN_MON_ORI", "MTO_SIN_AJU_PCNC", "MTO_AJU_PCNC", "MTO_SIN_AJU_PR",
    "MTO_AJU_PR", "MTO_SIN_AJU_CI", "MTO_AJU_CI", "MTO_INTS_SIN_AJU_PCNC", "MTO_INTS_AJU_PCNC", "MTO_INTS_SIN_AJU_PR",
    "MTO_INTS_AJU_PR", "MTO_INTS_SIN_AJU_CI", "MTO_INTS_AJU_CI",
    "MTO_TOT_CAP_MON_ORI", "MTO_TOT_INTS_MON_ORI", "MTO_TOT_INTS_MON_REG", "MTO_TOT_AJU_RES_POS_REG",
    "MTO_TOT_AJU_RES_NEG_REG", "MTO_TRA_MON_ORI", "MTO_TRA_MON_REG", "MTO_AJU_RES_POS_REG", "MTO_AJU_RES_NEG_REG",
    "FORMULARIO"};

struct Method {
    const char* name;
    Col sinAju, aju, intsSinAju, intsAju;
};
const Method kMethods[] = {
    {"PCNC", MTO_SIN_AJU_PCNC, MTO_AJU_PCNC, MTO_INTS_SIN_AJU_PCNC, MTO_INTS_AJU_PCNC},
    {"PR", MTO_SIN_AJU_PR, MTO_AJU_PR, MTO_INTS_SIN_AJU_PR, MTO_INTS_AJU_PR},
    {"CI", MTO_SIN_AJU_CI, MTO_AJU_CI, MTO_INTS_SIN_AJU_CI, MTO_INTS_AJU_CI},
};

// The shared texts end here with a point and one blank.
QString sentence(const QString& t) { return t.endsWith(QLatin1Char('.')) ? t + QLatin1Char(' ') : t + QStringLiteral(". "); }

// The message of the first consistency rule the row breaks; the null text when it passes.
QString brokenRule(const RowCursor& c, const AmountRow& r) {
    const std::string_view ind = c.bytes(IND_TRANSAC_FIN);
    const bool financial = ind == "1";
    if (!financial && ind != "0") return {};
    const std::string_view flag = c.bytes(FLAG_VAL_MET);

    if (flag == "00" && financial) {
        if (r.number(MTO_SIN_CAP_MON_ORI) == 0) return sentence(rules::msgCapitalAboveZero());
        if (!rules::loanFits(r.text(MTO_SIN_CAP_MON_ORI).trimmed(), r.text(MTO_SIN_INTS_MON_ORI).trimmed(),
                             r.text(MTO_SIN_INTS_MON_REG).trimmed(), r.text(SAL_SIN_CAP_MON_REG).trimmed()))
            return QStringLiteral("Ingreso no válido. ");
        return {};
    }
    if (flag == "00") {
        if (!rules::zeroOrBothPositive(r.number(MTO_SIN_TRAN_MON_ORI), r.number(MTO_SIN_TRAN_MON_REG)))
            return sentence(rules::msgZeroOrAboveZero());
        return {};
    }
    if (flag == "01" && financial) {
        if (r.number(MTO_CAP_MON_ORI) == 0) return sentence(rules::msgCapitalNotValid());
        const bool noInterest = r.number(MTO_INTS_MON_ORI) == 0;
        for (const Method& m : kMethods) {
            if (r.empty(m.intsSinAju) && r.empty(m.intsAju)) continue;
            const auto fault =
                rules::methodInterestFault(noInterest, r.number(m.intsSinAju), r.text(m.intsSinAju), r.text(m.intsAju));
            if (fault != rules::InterestFault::None) return sentence(rules::msgMethodInterest(fault, QLatin1String(m.name)));
        }
        return {};
    }
    if (flag == "01") {
        const bool zeroAmount = r.isZeroText(MTO_TRAN_MON_ORI);
        for (const Method& m : kMethods) {
            if (r.empty(m.sinAju) && r.empty(m.aju)) continue;
            const auto fault = rules::methodAmountFault(zeroAmount, r.text(m.sinAju), r.text(m.aju));
            if (fault != rules::MethodFault::None) return sentence(rules::msgMethodAmount(fault, QLatin1String(m.name)));
        }
        return {};
    }
    if (flag == "02" && financial) {
        if (r.isZeroText(MTO_TOT_CAP_MON_ORI)) return sentence(rules::msgTotalCapital());
        if (rules::interestsMismatch(r.number(MTO_TOT_INTS_MON_ORI), r.number(MTO_TOT_INTS_MON_REG)))
            return sentence(rules::msgTotalInterests());
        if (rules::bothAdjustments(r.number(MTO_TOT_AJU_RES_POS_REG), r.number(MTO_TOT_AJU_RES_NEG_REG)))
            return sentence(rules::msgOnlyOneAdjustment());
        return {};
    }
    if (flag == "02") {
        if (rules::otherMethodsAmountsInconsistent(r.text(MTO_TRA_MON_ORI), r.text(MTO_TRA_MON_REG),
                                                   r.number(MTO_TRA_MON_REG)))
            return sentence(rules::msgAmountInconsistent());
        if (rules::bothAdjustments(r.number(MTO_AJU_RES_POS_REG), r.number(MTO_AJU_RES_NEG_REG)))
            return sentence(rules::msgOnlyOneAdjustment());
        return {};
    }
    return {};
}

}  // namespace

QString largeAmountQuestion(const QString& threshold) {
    return QStringLiteral("Existen transacciones mayores a ") + threshold + QStringLiteral(". ¿Es correcto?");
}

const DeclarationTotals& AmountReview::totals() const {
    if (totalsFailure_) throw *totalsFailure_;
    return totals_;
}

AmountReview revisarMontos(const AppContext& ctx, const DeclarationKey& key, const decl::RowsRead& rowsRead) {
    QStringList cols;
    for (const char* name : kColumnNames) cols << QString::fromLatin1(name);
    // The totals take the declarant's rows of the period of any form code, the checks those of
    // the form's code (compared without case, as the column compares).
    RowCursor c(ctx.db(),
                QStringLiteral("SELECT %1 FROM TMPTRANSACCION2 NOT INDEXED WHERE %2")
                    .arg(decl::columnList(cols), decl::keyConditionNoForm()),
                decl::keyParamsNoForm(key));
    const AmountRow r(c, kColumns);
    const QByteArray form = key.formulario.toUtf8();
    auto formOfKey = [&form](std::string_view b) {
        if (b.size() != static_cast<size_t>(form.size())) return false;
        for (size_t i = 0; i < b.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(b[i])) != std::tolower(static_cast<unsigned char>(form[i])))
                return false;
        return true;
    };

    AmountReview review;
    std::array<std::optional<double>, 6> sums;
    auto add = [&](int total, double amount) { sums[total] = sums[total].value_or(0) + amount; };
    auto addStrict = [&](int total, int col) {
        if (const auto n = r.strictNumber(col)) {
            add(total, *n);
        } else if (!review.totalsFailure_) {
            review.totalsFailure_.emplace(kTypeMismatch, QStringLiteral("No coinciden los tipos: el monto \"%1\" del informado %2 "
                                                                        "no es un número")
                                                             .arg(c.text(col), c.text(DOC_ID_P)));
        }
    };
    Wide sum = 0, largest = 0;
    long long count = 0;
    qint64 rows = 0;
    while (c.next()) {
        decl::countRow(rows, rowsRead);
        const std::string_view flag = c.bytes(FLAG_VAL_MET);
        const std::string_view ind = c.bytes(IND_TRANSAC_FIN);
        if (ind != "0" && ind != "1") continue;
        const bool financial = ind == "1";
        // The totals, summed as the form's totals sum them; the amounts each method judges.
        Col judged[3];
        int judgedCount = 0;
        if (flag == "00") {
            judged[judgedCount++] = financial ? MTO_SIN_INTS_MON_REG : MTO_SIN_TRAN_MON_REG;
            addStrict(0, judged[0]);
        } else if (flag == "01") {
            double before = 0, after = 0;
            for (const Method& m : kMethods) {
                before += r.valNumber(financial ? m.intsSinAju : m.sinAju);
                after += r.valNumber(financial ? m.intsAju : m.aju);
                judged[judgedCount++] = financial ? m.intsAju : m.aju;
            }
            add(1, before);
            add(2, after);
        } else if (flag == "02") {
            judged[judgedCount++] = financial ? MTO_TOT_INTS_MON_REG : MTO_TRA_MON_REG;
            addStrict(3, judged[0]);
            addStrict(4, financial ? MTO_TOT_AJU_RES_POS_REG : MTO_AJU_RES_POS_REG);
            addStrict(5, financial ? MTO_TOT_AJU_RES_NEG_REG : MTO_AJU_RES_NEG_REG);
        }
        if (!formOfKey(c.bytes(FORMULARIO))) continue;
        // The largest amount: the sum, the largest and the count do not depend on the order.
        for (int i = 0; i < judgedCount; ++i) {
            if (r.empty(judged[i])) continue;
            const Wide a = r.currency(judged[i]);
            if (a > largest) largest = a;
            ++count;
            sum += a;
        }
        if (review.rulesHold && !brokenRule(c, r).isNull()) review.rulesHold = false;
    }
    std::array<QVariant, 6> totals;
    for (int i = 0; i < 6; ++i)
        if (sums[i]) totals[i] = *sums[i];
    review.totals_ = formTotals(totals);

    const long long k = count - 1;
    if (k > 0) {
        const Wide threshold = divideHalfEven(10 * (sum - largest), k);
        if (threshold != 0 && largest > threshold) review.largeAmountThreshold = formatCurrency(threshold);
    }
    return review;
}

QString udf_Verificar_Montos(const AppContext& ctx, const DeclarationKey& key) {
    return revisarMontos(ctx, key).largeAmountThreshold;
}

bool udf_Verificar_Metodos_Montos(const AppContext& ctx, const DeclarationKey& key) {
    return udf_Verificar_Metodos_Montos(ctx, key, revisarMontos(ctx, key));
}

bool udf_Verificar_Metodos_Montos(const AppContext& ctx, const DeclarationKey& key, const AmountReview& review) {
    if (review.rulesHold) return true;
    // The first transaction in key order that breaks a rule is the one reported.
    QStringList cols;
    for (const char* name : kColumnNames) cols << QString::fromLatin1(name);
    RowCursor c(ctx.db(),
                QStringLiteral("SELECT %1 FROM TMPTRANSACCION2 WHERE %2 ORDER BY %3")
                    .arg(decl::columnList(cols), decl::keyCondition(), decl::transactionOrder()),
                decl::keyParams(key));
    const AmountRow r(c, kColumns);
    while (c.next()) {
        const QString broken = brokenRule(c, r);
        if (!broken.isEmpty()) {
            ctx.msg(broken + QStringLiteral("Num.Doc. Informado = ") + c.text(DOC_ID_P) + QLatin1Char(' '),
                    MsgStyle::Exclamation);
            return false;
        }
    }
    return true;
}

bool udf_Verificar_Detalle_Montos(const AppContext& ctx, const DeclarationKey& key) {
    if (decl::periodValue(key.periodo) < 2008) return true;
    // The type rows without amount are few (usually none): they are found by a plain scan of the
    // working types, then their transactions by key, the first in key order.
    const QVariant party = ctx.db().scalar(
        QStringLiteral("SELECT T.DOC_ID_P FROM TMPTRATIPTRA D NOT INDEXED CROSS JOIN TMPTRANSACCION2 T"
                       " ON T.TIP_DOC_D=D.TIP_DOC_D AND T.DOC_ID_D=D.DOC_ID_D AND T.PERIODO=D.PERIODO"
                       " AND T.FORMULARIO=D.FORMULARIO AND T.TIP_DOC_P=D.TIP_DOC_P AND T.DOC_ID_P=D.DOC_ID_P"
                       " AND T.COR_TRANSACCION=D.COR_TRANSACCION"
                       " WHERE %1 AND (D.MONTO_TRANSACCION IS NULL OR D.MONTO_TRANSACCION='')"
                       " AND T.FLAG_VAL_MET='02' AND T.IND_TRANSAC_FIN='0' ORDER BY %2 LIMIT 1")
            .arg(decl::keyCondition(QStringLiteral("D")), decl::transactionOrder(QStringLiteral("T"))),
        decl::keyParams(key));
    if (!party.isValid()) return true;
    ctx.msg(QStringLiteral("Existen transacciones no financieras en OTROS Métodos que no se ha ingresado el detalle del "
                           "Monto de las transacciones en moneda de registro. Num.Doc. Informado = ") +
                decl::text(party) + QLatin1Char(' '),
            MsgStyle::Exclamation);
    return false;
}

}  // namespace klv
