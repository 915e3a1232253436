#include "amount_checks.h"

#include "amount_rules.h"
#include "declaration_sql.h"
#include "format.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <array>
#include <cmath>
#include <functional>

namespace klv {
namespace {

__extension__ typedef __int128 Wide;  // sums of currency amounts beyond the 64-bit range do not overflow
constexpr int kScale = 10000;  // currency: ten-thousandths

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
Wide currencyOf(const QString& text) {
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

// The columns of a row, read by name.
class RowReader {
public:
    RowReader(QSqlQuery& q, const QStringList& names) : q_(q) {
        for (int i = 0; i < names.size(); ++i) index_.insert(names[i].toUpper(), i);
    }
    QVariant raw(const char* name) const { return q_.value(index_.value(QString::fromLatin1(name).toUpper())); }
    QString text(const char* name) const { return decl::text(raw(name)); }
    bool empty(const char* name) const { return decl::isEmpty(raw(name)); }
    double number(const char* name) const { return decl::amount(text(name)); }
    bool isZeroText(const char* name) const { return text(name) == QLatin1String("0"); }

private:
    QSqlQuery& q_;
    QHash<QString, int> index_;
};

}  // namespace

QString largeAmountQuestion(const QString& threshold) {
    return QStringLiteral("Existen transacciones mayores a ") + threshold + QStringLiteral(". ¿Es correcto?");
}

QString udf_Verificar_Montos(const AppContext& ctx, const DeclarationKey& key) {
    const QStringList cols = {
        QStringLiteral("FLAG_VAL_MET"),         QStringLiteral("IND_TRANSAC_FIN"),
        QStringLiteral("MTO_SIN_TRAN_MON_REG"), QStringLiteral("MTO_SIN_INTS_MON_REG"),
        QStringLiteral("MTO_AJU_PCNC"),         QStringLiteral("MTO_AJU_PR"),
        QStringLiteral("MTO_AJU_CI"),           QStringLiteral("MTO_INTS_AJU_PCNC"),
        QStringLiteral("MTO_INTS_AJU_PR"),      QStringLiteral("MTO_INTS_AJU_CI"),
        QStringLiteral("MTO_TRA_MON_REG"),      QStringLiteral("MTO_TOT_INTS_MON_REG")};
    QSqlQuery q = ctx.db().exec(QStringLiteral("SELECT %1 FROM TMPTRANSACCION2 WHERE %2 ORDER BY %3")
                                    .arg(decl::columnList(cols), decl::keyCondition(), decl::transactionOrder()),
                                decl::keyParams(key));
    // Column positions (in cols) of the amounts taken for each method and indicator.
    auto amountsOf = [](const QString& flag, const QString& ind) -> std::vector<int> {
        if (flag == QLatin1String("00")) return ind == QLatin1String("0") ? std::vector<int>{2} : ind == QLatin1String("1") ? std::vector<int>{3} : std::vector<int>{};
        if (flag == QLatin1String("01")) return ind == QLatin1String("0") ? std::vector<int>{4, 5, 6} : ind == QLatin1String("1") ? std::vector<int>{7, 8, 9} : std::vector<int>{};
        if (flag == QLatin1String("02")) return ind == QLatin1String("0") ? std::vector<int>{10} : ind == QLatin1String("1") ? std::vector<int>{11} : std::vector<int>{};
        return {};
    };
    Wide sum = 0, largest = 0;
    long long count = 0;
    while (q.next()) {
        for (int i : amountsOf(decl::text(q.value(0)), decl::text(q.value(1)))) {
            const QVariant v = q.value(i);
            if (decl::isEmpty(v)) continue;
            const Wide a = currencyOf(v.toString());
            if (a > largest) largest = a;
            ++count;
            sum += a;
        }
    }
    const long long k = count - 1;
    if (k <= 0) return QString();
    const Wide threshold = divideHalfEven(10 * (sum - largest), k);
    if (threshold == 0) return QString();
    return largest > threshold ? formatCurrency(threshold) : QString();
}

bool udf_Verificar_Metodos_Montos(const AppContext& ctx, const DeclarationKey& key) {
    static const QStringList cols = {
        QStringLiteral("DOC_ID_P"), QStringLiteral("FLAG_VAL_MET"), QStringLiteral("IND_TRANSAC_FIN"),
        // '00'
        QStringLiteral("MTO_SIN_CAP_MON_ORI"), QStringLiteral("MTO_SIN_INTS_MON_ORI"),
        QStringLiteral("MTO_SIN_INTS_MON_REG"), QStringLiteral("SAL_SIN_CAP_MON_REG"),
        QStringLiteral("MTO_SIN_TRAN_MON_ORI"), QStringLiteral("MTO_SIN_TRAN_MON_REG"),
        // '01'
        QStringLiteral("MTO_CAP_MON_ORI"), QStringLiteral("MTO_INTS_MON_ORI"), QStringLiteral("MTO_TRAN_MON_ORI"),
        QStringLiteral("MTO_SIN_AJU_PCNC"), QStringLiteral("MTO_AJU_PCNC"), QStringLiteral("MTO_SIN_AJU_PR"),
        QStringLiteral("MTO_AJU_PR"), QStringLiteral("MTO_SIN_AJU_CI"), QStringLiteral("MTO_AJU_CI"),
        QStringLiteral("MTO_INTS_SIN_AJU_PCNC"), QStringLiteral("MTO_INTS_AJU_PCNC"),
        QStringLiteral("MTO_INTS_SIN_AJU_PR"), QStringLiteral("MTO_INTS_AJU_PR"),
        QStringLiteral("MTO_INTS_SIN_AJU_CI"), QStringLiteral("MTO_INTS_AJU_CI"),
        // '02'
        QStringLiteral("MTO_TOT_CAP_MON_ORI"), QStringLiteral("MTO_TOT_INTS_MON_ORI"),
        QStringLiteral("MTO_TOT_INTS_MON_REG"), QStringLiteral("MTO_TOT_AJU_RES_POS_REG"),
        QStringLiteral("MTO_TOT_AJU_RES_NEG_REG"), QStringLiteral("MTO_TRA_MON_ORI"),
        QStringLiteral("MTO_TRA_MON_REG"), QStringLiteral("MTO_AJU_RES_POS_REG"),
        QStringLiteral("MTO_AJU_RES_NEG_REG")};
    QSqlQuery q = ctx.db().exec(QStringLiteral("SELECT %1 FROM TMPTRANSACCION2 WHERE %2 ORDER BY %3")
                                    .arg(decl::columnList(cols), decl::keyCondition(), decl::transactionOrder()),
                                decl::keyParams(key));
    const RowReader r(q, cols);

    struct Method {
        const char* name;
        const char* sinAju;
        const char* aju;
        const char* intsSinAju;
        const char* intsAju;
    };
    static const Method methods[] = {
        {"PCNC", "MTO_SIN_AJU_PCNC", "MTO_AJU_PCNC", "MTO_INTS_SIN_AJU_PCNC", "MTO_INTS_AJU_PCNC"},
        {"PR", "MTO_SIN_AJU_PR", "MTO_AJU_PR", "MTO_INTS_SIN_AJU_PR", "MTO_INTS_AJU_PR"},
        {"CI", "MTO_SIN_AJU_CI", "MTO_AJU_CI", "MTO_INTS_SIN_AJU_CI", "MTO_INTS_AJU_CI"},
    };
    // The shared texts end here with a point and one blank.
    auto sentence = [](const QString& t) {
        return t.endsWith(QLatin1Char('.')) ? t + QLatin1Char(' ') : t + QStringLiteral(". ");
    };

    // The message of the first rule the row breaks; empty when it passes.
    auto check = [&]() -> QString {
        const QString flag = r.text("FLAG_VAL_MET");
        const QString ind = r.text("IND_TRANSAC_FIN");
        const bool financial = ind == QLatin1String("1");
        if (!financial && ind != QLatin1String("0")) return {};

        if (flag == QLatin1String("00") && financial) {
            if (r.number("MTO_SIN_CAP_MON_ORI") == 0) return sentence(rules::msgCapitalAboveZero());
            if (!rules::loanFits(r.text("MTO_SIN_CAP_MON_ORI").trimmed(), r.text("MTO_SIN_INTS_MON_ORI").trimmed(),
                                 r.text("MTO_SIN_INTS_MON_REG").trimmed(), r.text("SAL_SIN_CAP_MON_REG").trimmed()))
                return QStringLiteral("Ingreso no válido. ");
            return {};
        }
        if (flag == QLatin1String("00")) {
            if (!rules::zeroOrBothPositive(r.number("MTO_SIN_TRAN_MON_ORI"), r.number("MTO_SIN_TRAN_MON_REG")))
                return sentence(rules::msgZeroOrAboveZero());
            return {};
        }
        if (flag == QLatin1String("01") && financial) {
            if (r.number("MTO_CAP_MON_ORI") == 0) return sentence(rules::msgCapitalNotValid());
            const bool noInterest = r.number("MTO_INTS_MON_ORI") == 0;
            for (const Method& m : methods) {
                if (r.empty(m.intsSinAju) && r.empty(m.intsAju)) continue;
                const auto fault = rules::methodInterestFault(noInterest, r.number(m.intsSinAju), r.text(m.intsSinAju),
                                                              r.text(m.intsAju));
                if (fault != rules::InterestFault::None)
                    return sentence(rules::msgMethodInterest(fault, QLatin1String(m.name)));
            }
            return {};
        }
        if (flag == QLatin1String("01")) {
            const bool zeroAmount = r.isZeroText("MTO_TRAN_MON_ORI");
            for (const Method& m : methods) {
                if (r.empty(m.sinAju) && r.empty(m.aju)) continue;
                const auto fault = rules::methodAmountFault(zeroAmount, r.text(m.sinAju), r.text(m.aju));
                if (fault != rules::MethodFault::None)
                    return sentence(rules::msgMethodAmount(fault, QLatin1String(m.name)));
            }
            return {};
        }
        if (flag == QLatin1String("02") && financial) {
            if (r.isZeroText("MTO_TOT_CAP_MON_ORI")) return sentence(rules::msgTotalCapital());
            if (rules::interestsMismatch(r.number("MTO_TOT_INTS_MON_ORI"), r.number("MTO_TOT_INTS_MON_REG")))
                return sentence(rules::msgTotalInterests());
            if (rules::bothAdjustments(r.number("MTO_TOT_AJU_RES_POS_REG"), r.number("MTO_TOT_AJU_RES_NEG_REG")))
                return sentence(rules::msgOnlyOneAdjustment());
            return {};
        }
        if (flag == QLatin1String("02")) {
            if (rules::otherMethodsAmountsInconsistent(r.text("MTO_TRA_MON_ORI"), r.text("MTO_TRA_MON_REG"),
                                                       r.number("MTO_TRA_MON_REG")))
                return sentence(rules::msgAmountInconsistent());
            if (rules::bothAdjustments(r.number("MTO_AJU_RES_POS_REG"), r.number("MTO_AJU_RES_NEG_REG")))
                return sentence(rules::msgOnlyOneAdjustment());
            return {};
        }
        return {};
    };

    while (q.next()) {
        const QString message = check();
        if (!message.isEmpty()) {
            ctx.msg(message + QStringLiteral("Num.Doc. Informado = ") + r.text("DOC_ID_P") + QLatin1Char(' '),
                    MsgStyle::Exclamation);
            return false;
        }
    }
    return true;
}

bool udf_Verificar_Detalle_Montos(const AppContext& ctx, const DeclarationKey& key) {
    if (decl::periodValue(key.periodo) < 2008) return true;
    const QVariant party = ctx.db().scalar(
        QStringLiteral("SELECT T.DOC_ID_P FROM TMPTRANSACCION2 T WHERE %1 AND T.FLAG_VAL_MET='02' AND T.IND_TRANSAC_FIN='0'"
                       " AND EXISTS (SELECT 1 FROM TMPTRATIPTRA D WHERE D.TIP_DOC_D=T.TIP_DOC_D AND D.DOC_ID_D=T.DOC_ID_D"
                       " AND D.PERIODO=T.PERIODO AND D.FORMULARIO=T.FORMULARIO AND D.TIP_DOC_P=T.TIP_DOC_P"
                       " AND D.DOC_ID_P=T.DOC_ID_P AND D.COR_TRANSACCION=T.COR_TRANSACCION"
                       " AND (D.MONTO_TRANSACCION IS NULL OR D.MONTO_TRANSACCION=''))"
                       " ORDER BY %2 LIMIT 1")
            .arg(decl::keyCondition(QStringLiteral("T")), decl::transactionOrder(QStringLiteral("T"))),
        decl::keyParams(key));
    if (!party.isValid()) return true;
    ctx.msg(QStringLiteral("Existen transacciones no financieras en OTROS Métodos que no se ha ingresado el detalle del "
                           "Monto de las transacciones en moneda de registro. Num.Doc. Informado = ") +
                decl::text(party) + QLatin1Char(' '),
            MsgStyle::Exclamation);
    return false;
}

}  // namespace klv
