#include "type_detail.h"

#include "amount_entry.h"
#include "app_context.h"
#include "declaration_queries.h"
#include "declaration_sql.h"
#include "declaration_state.h"
#include "format.h"
#include "transaction_save.h"
#include "transaction_state.h"
#include "working_copy.h"

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

// Sum of two strings of digits.
QString addDigits(const QString& a, const QString& b) {
    QString out;
    int carry = 0;
    for (int i = a.size() - 1, j = b.size() - 1; i >= 0 || j >= 0 || carry; --i, --j) {
        const int d = (i >= 0 ? a[i].digitValue() : 0) + (j >= 0 ? b[j].digitValue() : 0) + carry;
        out.prepend(QChar('0' + d % 10));
        carry = d / 10;
    }
    return out;
}

// An amount rounded to a whole number as digits; a text that is not a plain number counts by its
// leading number.
QString wholeDigits(const QString& text) {
    if (const auto n = readBoxNumber(text)) return n->rounded(0);
    const double v = fmt::roundHalfAwayFromZero(fmt::val(text), 0);
    return v > 0 ? fmt::numberText(v) : QStringLiteral("0");
}

}  // namespace

long detailNumber(const AppContext& ctx, const TransactionState& st) {
    if (st.mode == kModoNuevo) return udf_SgteCorTransacc(ctx, st.declaration(), st.party());
    return st.corTransaccion;
}

void prepareDetail(const AppContext& ctx, const TransactionState& st, long cor) {
    const TransactionKey key = st.key(cor);
    const bool nuevo = st.mode == kModoNuevo;
    Database& db = ctx.db();
    Transaction tx(db);
    Query exists = db.prepare(QStringLiteral("SELECT 1 FROM TMPTRADET WHERE %1 AND COD_TIP_TRANSACCION=?")
                                      .arg(transactionCondition()));
    Query add = db.prepare(QStringLiteral(
        "INSERT INTO TMPTRADET (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P, COR_TRANSACCION,"
        " COD_TIP_TRANSACCION, DES_TRANSACCION, MONTO, CNUMERO) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, '666666')"));
    Query drop = db.prepare(QStringLiteral("DELETE FROM TMPTRADET WHERE %1 AND COD_TIP_TRANSACCION=?")
                                    .arg(transactionCondition()));
    for (const TypeItem& item : st.types) {
        QVariantList p = transactionParams(key);
        p << textValue(item.code);
        if (item.ticked) {
            db.run(exists, p);
            const bool found = exists.next();
            exists.finish();
            if (found) continue;
            p << textValue(detailDescription(ctx, item.code));
            p << (nuevo ? QVariant() : textValue(MONTO_TRATIPTRA(ctx, st, cor, item.code)));
            db.run(add, p);
        } else if (nuevo) {
            db.run(drop, p);
        }
    }
    tx.commit();
}

void deleteDetail(const AppContext& ctx, const TransactionKey& key) {
    ctx.db().exec(QStringLiteral("DELETE FROM TMPTRADET WHERE %1").arg(transactionCondition()), transactionParams(key));
}

std::vector<DetailRow> detailRows(const AppContext& ctx, const TransactionKey& key) {
    std::vector<DetailRow> rows;
    Query q = ctx.db().exec(QStringLiteral("SELECT COD_TIP_TRANSACCION, DES_TRANSACCION, MONTO FROM TMPTRADET WHERE %1"
                                               " ORDER BY COD_TIP_TRANSACCION")
                                    .arg(transactionCondition()),
                                transactionParams(key));
    while (q.next()) rows.push_back({decl::text(q.value(0)), decl::text(q.value(1)), q.value(2)});
    return rows;
}

void setDetailAmount(const AppContext& ctx, const TransactionKey& key, const QString& code, const QString& monto) {
    QVariantList p{textValue(monto)};
    p += transactionParams(key);
    p << textValue(code);
    ctx.db().exec(QStringLiteral("UPDATE TMPTRADET SET MONTO=? WHERE %1 AND COD_TIP_TRANSACCION=?").arg(transactionCondition()),
                  p);
}

QString TotalMonto(const AppContext& ctx, const TransactionKey& key) {
    Query q = ctx.db().exec(QStringLiteral("SELECT MONTO FROM TMPTRADET WHERE %1 AND TRIM(MONTO)<>''")
                                    .arg(transactionCondition()),
                                transactionParams(key));
    QString total = QStringLiteral("0");
    while (q.next()) total = addDigits(total, wholeDigits(decl::text(q.value(0))));
    while (total.size() > 1 && total.startsWith(QLatin1Char('0'))) total.remove(0, 1);
    return total;
}

bool allAmountsGiven(const AppContext& ctx, const TransactionKey& key) {
    return !ctx.db()
                .scalar(QStringLiteral("SELECT 1 FROM TMPTRADET WHERE %1 AND (MONTO IS NULL OR MONTO='') LIMIT 1")
                            .arg(transactionCondition()),
                        transactionParams(key))
                .isValid();
}

QString msgFaltanMontos() { return QStringLiteral("Debe ingresar todos los montos."); }

}  // namespace klv
