#include "declaration_sql.h"

#include "database.h"
#include "format.h"

namespace klv::decl {
namespace {
QString prefix(const QString& alias) { return alias.isEmpty() ? QString() : alias + QLatin1Char('.'); }
}  // namespace

QString keyCondition(const QString& alias) {
    const QString a = prefix(alias);
    return QStringLiteral("%1TIP_DOC_D=? AND %1DOC_ID_D=? AND %1PERIODO=? AND %1FORMULARIO=?").arg(a);
}

QVariantList keyParams(const DeclarationKey& key) {
    return {key.tipDocD, textValue(key.docIdD), textValue(key.periodo), textValue(key.formulario)};
}

QString keyConditionNoForm(const QString& alias) {
    const QString a = prefix(alias);
    return QStringLiteral("%1TIP_DOC_D=? AND %1DOC_ID_D=? AND %1PERIODO=?").arg(a);
}

QVariantList keyParamsNoForm(const DeclarationKey& key) {
    QVariantList p = keyParams(key);
    p.removeLast();
    return p;
}

QString transactionOrder(const QString& alias) {
    const QString a = prefix(alias);
    return QStringLiteral("%1TIP_DOC_P, %1DOC_ID_P, %1COR_TRANSACCION").arg(a);
}

QString sameTransaction(const QString& a, const QString& b) {
    QStringList out;
    for (const char* c : {"TIP_DOC_D", "DOC_ID_D", "PERIODO", "FORMULARIO", "TIP_DOC_P", "DOC_ID_P", "COR_TRANSACCION"})
        out << QStringLiteral("%1.%3=%2.%3").arg(a, b, QLatin1String(c));
    return out.join(QStringLiteral(" AND "));
}

QString columnList(const QStringList& names, const QString& alias) {
    QStringList out;
    out.reserve(names.size());
    for (const QString& n : names) out << prefix(alias) + n;
    return out.join(QStringLiteral(", "));
}

double amount(const QString& text) {
    if (const auto n = fmt::amountOrZero(text)) return *n;
    return fmt::val(text);
}

int periodValue(const QString& periodo) { return static_cast<int>(fmt::val(periodo.trimmed())); }

}  // namespace klv::decl
