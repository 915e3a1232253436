#include "amount_rules.h"

namespace klv::rules {

bool loanFits(const QString& capital, const QString& interestOrigin, const QString& interestRecord,
              const QString& balance) {
    const bool withoutInterest = !isZeroText(capital) && isZeroText(interestOrigin) && isZeroText(interestRecord) &&
                                 textAtLeastZero(balance);
    const bool withInterest = textAboveZero(capital) && textAboveZero(interestOrigin) &&
                              textAboveZero(interestRecord) && textAtLeastZero(balance);
    return withoutInterest || withInterest;
}

bool zeroOrBothPositive(double origin, double record) {
    return (origin > 0 && record > 0) || (origin == 0 && record == 0);
}

bool interestsMismatch(double origin, double record) {
    return (origin == 0 && record != 0) || (origin != 0 && record == 0);
}

bool otherMethodsAmountsInconsistent(const QString& origin, const QString& record, double recordNumber) {
    if (isZeroText(origin)) return !isZeroText(record);
    return recordNumber == 0;
}

MethodFault methodAmountFault(bool originIsZeroText, const QString& unadjusted, const QString& adjusted) {
    if (originIsZeroText) return isZeroText(unadjusted) ? MethodFault::None : MethodFault::Unadjusted;
    if (isZeroText(unadjusted)) return MethodFault::Unadjusted;
    if (isZeroText(adjusted)) return MethodFault::Adjusted;
    return MethodFault::None;
}

InterestFault methodInterestFault(bool noInterest, double unadjustedNumber, const QString& unadjusted,
                                  const QString& adjusted) {
    if (noInterest) return unadjustedNumber != 0 ? InterestFault::Unadjusted : InterestFault::None;
    return textAboveZero(unadjusted) && textAboveZero(adjusted) ? InterestFault::None : InterestFault::Both;
}

QString msgCapitalAboveZero() { return QStringLiteral("El monto de capital (Moneda de Origen) debe ser mayor a cero"); }
QString msgZeroOrAboveZero() { return QStringLiteral("Los montos deben ser cero o mayores a cero"); }
QString msgCapitalNotValid() { return QStringLiteral("El monto del capital (Moneda de Origen) no es válido"); }

QString msgMethodAmount(MethodFault fault, const QString& method) {
    switch (fault) {
    case MethodFault::Unadjusted:
        return QStringLiteral("El monto sin ajustar para el método %1 (Moneda de Registro) no es válido").arg(method);
    case MethodFault::Adjusted:
        return QStringLiteral("El monto ajustado para el método %1 (Moneda de Registro) no es válido").arg(method);
    case MethodFault::None:
        break;
    }
    return {};
}

QString msgMethodInterest(InterestFault fault, const QString& method) {
    switch (fault) {
    case InterestFault::Unadjusted:
        return QStringLiteral("Los intereses sin ajustar para el método %1 (Moneda de Registro) no es válido").arg(method);
    case InterestFault::Both:
        return QStringLiteral("Ingrese intereses ajustado e intereses sin ajustar para el método %1 (Moneda de Registro)")
            .arg(method);
    case InterestFault::None:
        break;
    }
    return {};
}

QString msgTotalCapital() { return QStringLiteral("Consignar monto total del capital (Moneda de Origen)"); }
QString msgTotalInterests() { return QStringLiteral("Monto total de los intereses (Moneda de Registro) no es válido"); }
QString msgAmountInconsistent() {
    return QStringLiteral("Ingreso del monto de la transacción (Moneda de Registro) inconsistente.");
}
QString msgOnlyOneAdjustment() {
    return QStringLiteral("Consignar solo un monto de ajuste a los resultados (POSITIVO o NEGATIVO).");
}

}  // namespace klv::rules
