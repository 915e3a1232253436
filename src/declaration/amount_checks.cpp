#include "amount_checks.h"

#include "declaration_sql.h"
#include "format.h"

#include "row_cursor.h"

#include <QRegularExpression>
#include <cmath>
#include <string_view>

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

// The text compared with "0" by character codes: below (< 0), equal (0) or above (> 0). The empty
// text is below "0". UTF-8 keeps the order of the first character against "0".
int compareWithZero(std::string_view t) {
    if (t.empty() || static_cast<unsigned char>(t[0]) < '0') return -1;
    if (static_cast<unsigned char>(t[0]) > '0') return 1;
    return t.size() > 1 ? 1 : 0;
}

// The amount columns of a cursor's current row, read as the rules read them, from the engine's
// bytes; texts that are not plain ASCII numbers go through the general readings.
class AmountRow {
public:
    explicit AmountRow(const RowCursor& c) : c_(c) {}
    bool empty(int col) const { return c_.isEmpty(col); }
    // The stored text is exactly "0".
    bool isZeroText(int col) const { return c_.bytes(col) == "0"; }
    int vsZero(int col) const { return compareWithZero(c_.bytes(col)); }
    // The text without leading and trailing white space, compared with "0".
    int trimmedVsZero(int col) const {
        std::string_view t = c_.bytes(col);
        while (!t.empty() && asciiSpace(t.front())) t.remove_prefix(1);
        while (!t.empty() && asciiSpace(t.back())) t.remove_suffix(1);
        if (!t.empty() && (!ascii(t.front()) || !ascii(t.back())))
            return QString::compare(c_.text(col).trimmed(), QStringLiteral("0"));
        return compareWithZero(t);
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
    "MTO_TOT_AJU_RES_NEG_REG", "MTO_TRA_MON_ORI", "MTO_TRA_MON_REG", "MTO_AJU_RES_POS_REG", "MTO_AJU_RES_NEG_REG"};

struct Method {
    const char* name;
    Col sinAju, aju, intsSinAju, intsAju;
};
const Method kMethods[] = {
    {"PCNC", MTO_SIN_AJU_PCNC, MTO_AJU_PCNC, MTO_INTS_SIN_AJU_PCNC, MTO_INTS_AJU_PCNC},
    {"PR", MTO_SIN_AJU_PR, MTO_AJU_PR, MTO_INTS_SIN_AJU_PR, MTO_INTS_AJU_PR},
    {"CI", MTO_SIN_AJU_CI, MTO_AJU_CI, MTO_INTS_SIN_AJU_CI, MTO_INTS_AJU_CI},
};

QString perMethod(const char* pattern, const char* method) {
    return QString::fromUtf8(pattern).arg(QString::fromLatin1(method));
}

// The message of the first consistency rule the row breaks; the null text when it passes.
QString brokenRule(const RowCursor& c) {
    const AmountRow r(c);
    const std::string_view ind = c.bytes(IND_TRANSAC_FIN);
    const bool financial = ind == "1";
    if (!financial && ind != "0") return {};
    const std::string_view flag = c.bytes(FLAG_VAL_MET);

    if (flag == "00" && financial) {
        if (r.number(MTO_SIN_CAP_MON_ORI) == 0)
            return QStringLiteral("El monto de capital (Moneda de Origen) debe ser mayor a cero. ");
        const int cap = r.trimmedVsZero(MTO_SIN_CAP_MON_ORI);
        const int intsOri = r.trimmedVsZero(MTO_SIN_INTS_MON_ORI);
        const int intsReg = r.trimmedVsZero(MTO_SIN_INTS_MON_REG);
        const int saldo = r.trimmedVsZero(SAL_SIN_CAP_MON_REG);
        const bool withoutInterest = cap != 0 && intsOri == 0 && intsReg == 0 && saldo >= 0;
        const bool withInterest = cap > 0 && intsOri > 0 && intsReg > 0 && saldo >= 0;
        if (!withoutInterest && !withInterest) return QStringLiteral("Ingreso no válido. ");
        return {};
    }
    if (flag == "00") {
        const double ori = r.number(MTO_SIN_TRAN_MON_ORI);
        const double reg = r.number(MTO_SIN_TRAN_MON_REG);
        if (!((ori > 0 && reg > 0) || (ori == 0 && reg == 0)))
            return QStringLiteral("Los montos deben ser cero o mayores a cero. ");
        return {};
    }
    if (flag == "01" && financial) {
        if (r.number(MTO_CAP_MON_ORI) == 0)
            return QStringLiteral("El monto del capital (Moneda de Origen) no es válido. ");
        const bool noInterest = r.number(MTO_INTS_MON_ORI) == 0;
        for (const Method& m : kMethods) {
            if (r.empty(m.intsSinAju) && r.empty(m.intsAju)) continue;
            if (noInterest) {
                if (r.number(m.intsSinAju) != 0)
                    return perMethod("Los intereses sin ajustar para el método %1 (Moneda de Registro) no es válido. ", m.name);
            } else if (!(r.vsZero(m.intsSinAju) > 0 && r.vsZero(m.intsAju) > 0)) {
                return perMethod("Ingrese intereses ajustado e intereses sin ajustar para el método %1 (Moneda de Registro). ", m.name);
            }
        }
        return {};
    }
    if (flag == "01") {
        const bool zeroAmount = r.isZeroText(MTO_TRAN_MON_ORI);
        for (const Method& m : kMethods) {
            if (r.empty(m.sinAju) && r.empty(m.aju)) continue;
            const char* sinAjuMsg = "El monto sin ajustar para el método %1 (Moneda de Registro) no es válido. ";
            if (zeroAmount) {
                if (!r.isZeroText(m.sinAju)) return perMethod(sinAjuMsg, m.name);
            } else {
                if (r.isZeroText(m.sinAju)) return perMethod(sinAjuMsg, m.name);
                if (r.isZeroText(m.aju))
                    return perMethod("El monto ajustado para el método %1 (Moneda de Registro) no es válido. ", m.name);
            }
        }
        return {};
    }
    const QString onlyOneAdjustment =
        QStringLiteral("Consignar solo un monto de ajuste a los resultados (POSITIVO o NEGATIVO). ");
    if (flag == "02" && financial) {
        if (r.isZeroText(MTO_TOT_CAP_MON_ORI))
            return QStringLiteral("Consignar monto total del capital (Moneda de Origen). ");
        const double ori = r.number(MTO_TOT_INTS_MON_ORI);
        const double reg = r.number(MTO_TOT_INTS_MON_REG);
        if ((ori == 0 && reg != 0) || (ori != 0 && reg == 0))
            return QStringLiteral("Monto total de los intereses (Moneda de Registro) no es válido. ");
        if (r.number(MTO_TOT_AJU_RES_POS_REG) > 0 && r.number(MTO_TOT_AJU_RES_NEG_REG) > 0) return onlyOneAdjustment;
        return {};
    }
    if (flag == "02") {
        const bool oriZero = r.isZeroText(MTO_TRA_MON_ORI);
        if ((oriZero && !r.isZeroText(MTO_TRA_MON_REG)) || (!oriZero && r.number(MTO_TRA_MON_REG) == 0))
            return QStringLiteral("Ingreso del monto de la transacción (Moneda de Registro) inconsistente. ");
        if (r.number(MTO_AJU_RES_POS_REG) > 0 && r.number(MTO_AJU_RES_NEG_REG) > 0) return onlyOneAdjustment;
        return {};
    }
    return {};
}

// The working transactions of the declaration, in the table's own order: the working tables hold
// only the declaration shown, so a plain scan reads the same rows as the key index, faster.
QString workingRowsInTableOrder(const QString& columns) {
    return QStringLiteral("SELECT %1 FROM TMPTRANSACCION2 NOT INDEXED WHERE %2").arg(columns, decl::keyCondition());
}

}  // namespace

QString largeAmountQuestion(const QString& threshold) {
    return QStringLiteral("Existen transacciones mayores a ") + threshold + QStringLiteral(". ¿Es correcto?");
}

QString udf_Verificar_Montos(const AppContext& ctx, const DeclarationKey& key) {
    // The sum, the largest and the count do not depend on the order of the rows.
    RowCursor c(ctx.db(),
                workingRowsInTableOrder(QStringLiteral(
                    "FLAG_VAL_MET, IND_TRANSAC_FIN, MTO_SIN_TRAN_MON_REG, MTO_SIN_INTS_MON_REG, MTO_AJU_PCNC, MTO_AJU_PR,"
                    " MTO_AJU_CI, MTO_INTS_AJU_PCNC, MTO_INTS_AJU_PR, MTO_INTS_AJU_CI, MTO_TRA_MON_REG, MTO_TOT_INTS_MON_REG")),
                decl::keyParams(key));
    const AmountRow r(c);
    Wide sum = 0, largest = 0;
    long long count = 0;
    while (c.next()) {
        // Positions of the amounts taken for the row's method and indicator.
        const std::string_view flag = c.bytes(0);
        const std::string_view ind = c.bytes(1);
        int first = 0, last = -1;
        if (ind == "0" || ind == "1") {
            const bool financial = ind == "1";
            if (flag == "00") first = last = financial ? 3 : 2;
            if (flag == "01") first = financial ? 7 : 4, last = first + 2;
            if (flag == "02") first = last = financial ? 11 : 10;
        }
        for (int i = first; i <= last; ++i) {
            if (r.empty(i)) continue;
            const Wide a = r.currency(i);
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
    QStringList cols;
    for (const char* name : kColumnNames) cols << QString::fromLatin1(name);
    // The first transaction that breaks a rule: a pass in the table's order tells whether there is
    // one; only then the walk in key order finds the one to report.
    auto firstBroken = [&](const QString& sql, QString* message) {
        RowCursor c(ctx.db(), sql, decl::keyParams(key));
        while (c.next()) {
            const QString broken = brokenRule(c);
            if (!broken.isEmpty()) {
                *message = broken + QStringLiteral("Num.Doc. Informado = ") + c.text(DOC_ID_P) + QLatin1Char(' ');
                return true;
            }
        }
        return false;
    };
    QString message;
    if (!firstBroken(workingRowsInTableOrder(decl::columnList(cols)), &message)) return true;
    if (!firstBroken(QStringLiteral("SELECT %1 FROM TMPTRANSACCION2 WHERE %2 ORDER BY %3")
                         .arg(decl::columnList(cols), decl::keyCondition(), decl::transactionOrder()),
                     &message))
        return true;
    ctx.msg(message, MsgStyle::Exclamation);
    return false;
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
