#include "transaction_state.h"

#include "format.h"

namespace klv {

bool periodFrom2008(const QString& periodo) { return QString::compare(periodo, QStringLiteral("2008")) >= 0; }
bool periodFrom2013(const QString& periodo) { return QString::compare(periodo, QStringLiteral("2013")) >= 0; }
double periodNumber(const QString& periodo) { return fmt::val(periodo.trimmed()); }
bool periodFrom2012(const QString& periodo) { return periodNumber(periodo) >= 2012.0; }

QString registrationCurrency(const QString& autContExt) {
    return autContExt == QLatin1String("1") ? QStringLiteral("02") : QStringLiteral("01");
}

Party TransactionState::party() const {
    return Party{static_cast<int>(fmt::val(code(QStringLiteral("CboTipDocP")))), text(QStringLiteral("CboDocIdP"))};
}

DeclarationKey TransactionState::declaration() const {
    return DeclarationKey{6, panelRuc.trimmed(), panelPeriodo.trimmed(), formulario};
}

TransactionKey TransactionState::key(long cor) const { return TransactionKey{declaration(), party(), cor}; }

QStringList TransactionState::tickedTypes() const {
    QStringList out;
    for (const TypeItem& t : types)
        if (t.ticked) out << t.code;
    return out;
}

}  // namespace klv
