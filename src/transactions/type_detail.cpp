#include "type_detail.h"

#include "app_context.h"
#include "declaration_sql.h"

namespace klv {
namespace {

QVariantList transactionParams(const TransactionKey& key) {
    QVariantList p = decl::keyParams(key.declaration);
    p << key.party.tipDocP << textValue(key.party.docIdP) << static_cast<qlonglong>(key.corTransaccion);
    return p;
}

QString transactionCondition() {
    return decl::keyCondition() + QStringLiteral(" AND TIP_DOC_P=? AND DOC_ID_P=? AND COR_TRANSACCION=?");
}

}  // namespace

void deleteDetail(const AppContext& ctx, const TransactionKey& key) {
    ctx.db().exec(QStringLiteral("DELETE FROM TMPTRADET WHERE %1").arg(transactionCondition()), transactionParams(key));
}

}  // namespace klv
