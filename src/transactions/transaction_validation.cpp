#include "transaction_validation.h"

#include "amount_entry.h"
#include "amount_rules.h"
#include "field_checks.h"
#include "mensajes.h"
#include "schema.h"
#include "transaction_map.h"

namespace klv {
namespace {

// The first failure ends the check: it is thrown with its verdict and caught at the top.
struct Stop {
    Verdict verdict;
};

class Checker {
public:
    explicit Checker(const TransactionState& st) : st_(st) {}

    void run();

private:
    [[noreturn]] void fail(int catalogue, const QString& focus = {}, int tab = -1) {
        Verdict v;
        v.ok = false;
        v.catalogue = catalogue;
        v.focus = focus;
        v.tab = tab;
        throw Stop{v};
    }
    [[noreturn]] void box(const QString& text, const QString& focus = {}) {
        Verdict v;
        v.ok = false;
        v.text = text;
        v.focus = focus;
        throw Stop{v};
    }

    QString t(const char* control) const { return st_.text(QLatin1String(control)); }
    bool on(const char* control) const { return st_.on(QLatin1String(control)); }
    bool empty(const char* control) const { return t(control).isEmpty(); }
    // Interquartile bounds, medians, margins and the profit-level value: "", "0" or "0.00".
    bool missing(const char* control) const {
        const QString v = t(control);
        return v.isEmpty() || v == QLatin1String("0") || v == QLatin1String("0.00");
    }
    bool textZero(const char* control) const { return t(control) == QLatin1String("0"); }
    // The text as a number; a text that is not a non-negative number ends the check.
    double number(const char* control) {
        const auto n = readBoxNumber(t(control));
        if (!n) box(msgNoEsNumero(), QLatin1String(control));
        return n->value();
    }
    bool amountZero(const char* control) { return number(control) == 0; }

    // "Debe pasar a la pestaña ..." (tabMessage, with the tab) from the first tab, else message 5.
    void currency(const char* check, const char* name, const char* combo, int tabMessage, int tab) {
        if (on(check)) {
            if (t(name).trimmed().isEmpty()) fail(6, QLatin1String(name));
        } else if (empty(combo)) {
            if (st_.tab == 0) fail(tabMessage, QLatin1String(combo), tab);
            fail(5, QLatin1String(combo));
        }
    }
    // The amount of record may not exceed the amount of origin when the currency is the
    // registration currency.
    bool registrationFits(const char* combo, const char* origin, const char* record) {
        const double o = number(origin);
        const double r = number(record);
        return udf_ComparaClaveMonto(st_.code(QLatin1String(combo)), st_.registrationCode(), o, r);
    }
    // Lower bound at most the upper bound; median between them.
    void range(const char* lower, const char* upper, const char* median, const QString& lowerFocus) {
        const double lo = number(lower);
        const double up = number(upper);
        if (!udf_ComparaMonto(QStringLiteral("menorigual"), lo, up)) fail(43, lowerFocus);
        const double me = number(median);
        if (!udf_ComparaMonto(QStringLiteral("mayorigual"), me, lo) || !udf_ComparaMonto(QStringLiteral("menorigual"), me, up))
            fail(55);
    }

    void setA();
    void setB();
    void setC();
    void adjustments();
    void storedForms();

    const TransactionState& st_;
};

void Checker::run() {
    if (empty("CboTipDocP")) fail(1, QStringLiteral("CmdSelec"));
    if (empty("CboDocIdP")) fail(2, QStringLiteral("CmdSelec"));
    if (!on("OptValMetTradi") && !on("OptValMetOtros") && !on("OptSinValMet")) fail(4);
    if (st_.flag == kSinMetodo)
        setA();
    else if (st_.flag == kTradicional)
        setB();
    else if (st_.flag == kOtros)
        setC();
    else
        return;
    storedForms();
    if (st_.tickedTypes().isEmpty()) {
        Verdict v;
        v.ok = false;
        v.text = msgSinTipo();
        v.tab = 0;
        throw Stop{v};
    }
}

void Checker::setA() {
    currency("ChkOtraMoneda", "TxtOtroTipMoneda", "CboTipMoneda", 38, 1);
    if (st_.financiera) {
        if (empty("TxtMtoSinCapMonOri")) fail(9, QStringLiteral("TxtMtoSinCapMonOri"));
        if (empty("TxtMtoSinIntsMonOri")) fail(10, QStringLiteral("TxtMtoSinIntsMonOri"));
        if (empty("TxtTasSinEfeAnu") || t("TxtTasSinEfeAnu").trimmed() == QLatin1String("."))
            fail(11, QStringLiteral("TxtTasSinEfeAnu"));
        if (empty("TxtMtoSinIntsMonReg")) fail(12, QStringLiteral("TxtMtoSinIntsMonReg"));
        if (empty("TxtSalSinCapMonReg")) fail(13, QStringLiteral("TxtSalSinCapMonReg"));
        if (!registrationFits("CboTipMoneda", "TxtMtoSinCapMonOri", "TxtSalSinCapMonReg"))
            fail(35, QStringLiteral("TxtSalSinCapMonReg"));
        if (t("TxtMtoSinCapMonOri").trimmed() == QLatin1String("0")) box(rules::msgCapitalAboveZero());
        if (!rules::loanFits(t("TxtMtoSinCapMonOri").trimmed(), t("TxtMtoSinIntsMonOri").trimmed(),
                             t("TxtMtoSinIntsMonReg").trimmed(), t("TxtSalSinCapMonReg").trimmed()))
            box(QStringLiteral("No es valido"));
    } else {
        if (empty("TxtMtoSinTranMonOri")) fail(7, QStringLiteral("TxtMtoSinTranMonOri"));
        if (empty("TxtMtoSinTranMonReg")) fail(8, QStringLiteral("TxtMtoSinTranMonReg"));
        if (!registrationFits("CboTipMoneda", "TxtMtoSinTranMonOri", "TxtMtoSinTranMonReg"))
            fail(36, QStringLiteral("TxtMtoSinTranMonReg"));
        if (!rules::zeroOrBothPositive(number("TxtMtoSinTranMonOri"), number("TxtMtoSinTranMonReg")))
            box(rules::msgZeroOrAboveZero());
    }
    // The analysed party of this option is asked only up to 2012, and its options show from 2012.
    if (periodNumber(st_.periodo) <= 2012 && st_.from2012() && !on("OptCont_SETP") && !on("OptInf_SETP")) fail(44);
}

void Checker::setB() {
    currency("ChkOtraMoneda1", "TxtOtroTipMoneda1", "CboTipMoneda1", 37, 2);
    const bool from2012 = st_.from2012();
    const bool fin = st_.financiera;
    if (on("ChkPCNP")) {
        if (empty("TxtSinAjusPCNP")) fail(14);
        if (empty("TxtAjusPCNP")) fail(17);
        if (from2012 && !fin) {
            if (missing("TxtMtoLimInfPCNC")) fail(40, QStringLiteral("TxtMtoLimInfPCNC"));
            if (missing("TxtMtoLimSupPCNC")) fail(41, QStringLiteral("TxtMtoLimSupPCNC"));
            if (missing("TxtMtoMedPCNC")) fail(42, QStringLiteral("TxtMtoMedPCNC"));
            range("TxtMtoLimInfPCNC", "TxtMtoLimSupPCNC", "TxtMtoMedPCNC", QStringLiteral("TxtMtoLimInfPCNC"));
        }
    }
    if (on("ChkPR")) {
        if (from2012) {
            if (empty("TxtSinAjusPr")) fail(15);
            if (empty("TxtAjusPr")) fail(18);
            if (!fin) {
                if (missing("TxtLimInfPR")) fail(45);
                if (missing("TxtLimSupPR")) fail(46);
                if (missing("TxtMedPR")) fail(47);
                if (missing("TxtMargBrutoPR")) fail(48);
                range("TxtLimInfPR", "TxtLimSupPR", "TxtMedPR", {});
            }
        } else {
            // Before 2012 the adjusted amount is asked first.
            if (empty("TxtAjusPr")) fail(18, QStringLiteral("TxtAjusPr"));
            if (empty("TxtSinAjusPr")) fail(15, QStringLiteral("TxtSinAjusPr"));
        }
    }
    if (on("ChkCI")) {
        if (!from2012) {
            if (empty("TxtSinAjusCi")) fail(16, QStringLiteral("TxtSinAjusCi"));
            if (empty("TxtAjusCi")) fail(19, QStringLiteral("TxtAjusCi"));
        } else {
            if (empty("TxtSinAjusCi")) fail(16);
            if (empty("TxtAjusCi")) fail(19);
            if (!fin) {
                if (missing("TxtLimInfCI")) fail(45);
                if (missing("TxtLimSupCI")) fail(46);
                if (missing("TxtMedCI")) fail(47);
                if (missing("TxtMargBrutoCI")) fail(48);
                range("TxtLimInfCI", "TxtLimSupCI", "TxtMedCI", {});
            }
        }
    }
    if (!on("ChkPCNP") && !on("ChkPR") && !on("ChkCI")) fail(33);

    struct Method {
        const char* check;
        const char* sinAju;
        const char* aju;
        const char* name;
    };
    static const Method methods[] = {{"ChkPCNP", "TxtSinAjusPCNP", "TxtAjusPCNP", "PCNC"},
                                     {"ChkPR", "TxtSinAjusPr", "TxtAjusPr", "PR"},
                                     {"ChkCI", "TxtSinAjusCi", "TxtAjusCi", "CI"}};
    if (fin) {
        if (empty("TxtMtoCapMonOri")) fail(9, QStringLiteral("TxtMtoCapMonOri"));
        if (empty("TxtMtoIntsMonOri")) fail(10, QStringLiteral("TxtMtoIntsMonOri"));
        if (empty("TxtTasEfeAnu")) fail(11, QStringLiteral("TxtTasEfeAnu"));
        if (empty("TxtSalCapMonReg")) fail(13, QStringLiteral("TxtSalCapMonReg"));
        if (!registrationFits("CboTipMoneda1", "TxtMtoCapMonOri", "TxtSalCapMonReg"))
            fail(35, QStringLiteral("TxtSalCapMonReg"));
        if (amountZero("TxtMtoCapMonOri")) box(rules::msgCapitalNotValid());
        const bool noInterest = amountZero("TxtMtoIntsMonOri");
        for (const Method& m : methods) {
            if (!on(m.check)) continue;
            const double sinAju = noInterest ? number(m.sinAju) : 0;
            const auto fault = rules::methodInterestFault(noInterest, sinAju, t(m.sinAju), t(m.aju));
            if (fault != rules::InterestFault::None) box(rules::msgMethodInterest(fault, QLatin1String(m.name)));
        }
    } else {
        if (empty("TxtMtoTranMonOri")) fail(7, QStringLiteral("TxtMtoTranMonOri"));
        const bool zero = textZero("TxtMtoTranMonOri");
        for (const Method& m : methods) {
            if (!on(m.check)) continue;
            const auto fault = rules::methodAmountFault(zero, t(m.sinAju), t(m.aju));
            if (fault != rules::MethodFault::None) box(rules::msgMethodAmount(fault, QLatin1String(m.name)));
        }
    }
    if (from2012 && !on("OptCont_MT") && !on("OptInf_MT")) fail(44);
}

void Checker::adjustments() {
    if (empty("TxtMtoAjuResPosReg") || empty("TxtMtoAjuResNegReg")) return;
    if (rules::bothAdjustments(number("TxtMtoAjuResPosReg"), number("TxtMtoAjuResNegReg")))
        box(rules::msgOnlyOneAdjustment());
}

void Checker::setC() {
    currency("ChkOtraMoneda2", "TxtOtroTipMoneda2", "CboTipMoneda2", 34, 3);
    if (st_.financiera) {
        if (empty("TxtMtoTotCapMonOri")) fail(27, QStringLiteral("TxtMtoTotCapMonOri"));
        if (empty("TxtMtoTotIntsMonOri")) fail(28, QStringLiteral("TxtMtoTotIntsMonOri"));
        if (empty("TxtMtoTotIntsMonReg")) fail(29, QStringLiteral("TxtMtoTotIntsMonReg"));
        if (empty("TxtSalTotCapMonReg")) fail(30, QStringLiteral("TxtSalTotCapMonReg"));
        if (!registrationFits("CboTipMoneda2", "TxtMtoTotCapMonOri", "TxtSalTotCapMonReg"))
            fail(35, QStringLiteral("TxtSalTotCapMonReg"));
        if (textZero("TxtMtoTotCapMonOri")) box(rules::msgTotalCapital());
        if (rules::interestsMismatch(number("TxtMtoTotIntsMonOri"), number("TxtMtoTotIntsMonReg")))
            box(rules::msgTotalInterests());
        adjustments();
    } else {
        if (empty("TxtMtoTraMonOri")) fail(25, QStringLiteral("TxtMtoTraMonOri"));
        if (empty("TxtMtoTraMonReg")) fail(26, QStringLiteral("TxtMtoTraMonReg"));
        if (!registrationFits("CboTipMoneda2", "TxtMtoTraMonOri", "TxtMtoTraMonReg"))
            fail(36, QStringLiteral("TxtMtoTraMonReg"));
        if (rules::otherMethodsAmountsInconsistent(t("TxtMtoTraMonOri"), t("TxtMtoTraMonReg"), number("TxtMtoTraMonReg")))
            box(rules::msgAmountInconsistent());
        adjustments();
    }
    if (empty("CboMetodoVal")) fail(22, QStringLiteral("CboMetodoVal"));
    if (empty("TxtMtoAjuResPosReg")) fail(23, QStringLiteral("TxtMtoAjuResPosReg"));
    if (empty("TxtMtoAjuResNegReg")) fail(24, QStringLiteral("TxtMtoAjuResNegReg"));
    if (!st_.from2012()) return;
    if (!on("OptCont_OM") && !on("OptInf_OM")) fail(44);
    if (st_.financiera || st_.code(QStringLiteral("CboMetodoVal")) != QLatin1String("06")) return;
    if (empty("CboRangoPLI")) fail(53, QStringLiteral("CboRangoPLI"));
    if (missing("TxtLimInfOM")) fail(45, QStringLiteral("TxtLimInfOM"));
    if (missing("TxtLimSupOM")) fail(46, QStringLiteral("TxtLimSupOM"));
    if (missing("TxtMedianaOM")) fail(47, QStringLiteral("TxtMedianaOM"));
    if (missing("TxtValorPLIOM")) fail(54, QStringLiteral("TxtValorPLIOM"));
    range("TxtLimInfOM", "TxtLimSupOM", "TxtMedianaOM", {});
}

// Every value the save will write must be a number where one is expected and fit its column.
void Checker::storedForms() {
    const schema::Table& table = schema::table(QStringLiteral("TMPTRANSACCION2"));
    for (const MappedColumn& c : columnMap(st_)) {
        if (c.conversion == Conversion::Constant || c.conversion == Conversion::Code) continue;
        const auto value = storedValue(st_, c);
        if (!value) box(msgNoEsNumero(), c.control);
        const schema::Column* col = table.column(c.column);
        if (!col || col->size <= 0 || value->size() <= col->size) continue;
        switch (c.conversion) {
        case Conversion::Whole: box(msgMontoLargo(), c.control);
        case Conversion::TwoDecimals: box(msgValorLargo(col->size - 3), c.control);
        default: box(msgMonedaLarga(), c.control);
        }
    }
}

}  // namespace

QString Verdict::message() const { return catalogue ? textoMensaje(catalogue, kFrmTransacciones, 0) : text; }

Verdict udf_ValidaText(const TransactionState& st) {
    try {
        Checker(st).run();
    } catch (const Stop& s) {
        return s.verdict;
    }
    return {};
}

QString msgSinTipo() { return QStringLiteral("Debe Seleccionar algún Tipo de Transacción"); }
QString msgNoEsNumero() {
    return QStringLiteral("El valor ingresado no es un número válido: use solo dígitos y, en los valores con "
                          "decimales, un punto.");
}
QString msgMontoLargo() { return QStringLiteral("El monto no puede tener más de 14 dígitos."); }
QString msgValorLargo(int wholeDigits) {
    return QStringLiteral("El valor no puede tener más de %1 dígitos enteros y 2 decimales.").arg(wholeDigits);
}
QString msgMonedaLarga() { return QStringLiteral("El nombre de la otra moneda no puede tener más de 15 caracteres."); }

}  // namespace klv
