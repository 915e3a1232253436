#include "working_copy.h"

#include "declaration_sql.h"
#include "numero_control.h"
#include "param_lookups.h"
#include "schema.h"
#include "status_panels.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace klv {
namespace {

const QString kFinancialTypes = QStringLiteral("('12','34')");
// How often the rebuild tells the rows it has gone through.
constexpr qint64 kProgressStep = 2000;

// The columns named with their alias, the first one through KLV_CUENTA_FILA: each row copied is
// counted.
QString countedColumns(const QStringList& names, const QString& alias) {
    QStringList rest = names;
    const QString first = rest.takeFirst();
    return QStringLiteral("KLV_CUENTA_FILA(%1.%2), %3").arg(alias, first, decl::columnList(rest, alias));
}

}  // namespace

WorkingCopyWork countWorkingCopy(const AppContext& ctx, const DeclarationKey& key) {
    const QVariantList params = decl::keyParams(key);
    const auto rows = ctx.db().rows(
        QStringLiteral("SELECT (SELECT count(*) FROM TRANSACCION2 WHERE %1), (SELECT count(*) FROM TRATIPTRA2 WHERE %1)")
            .arg(decl::keyCondition()),
        params + params);
    WorkingCopyWork work;
    work.transactions = rows.front().value(0).toLongLong();
    work.types = rows.front().value(1).toLongLong();
    return work;
}

void udp_CargarTemps(const AppContext& ctx, const DeclarationKey& key, const std::function<void(qint64)>& done) {
    Database& db = ctx.db();
    const QVariantList params = decl::keyParams(key);
    Transaction tx(db, true);
    // The rows gone through, counted by the statements themselves (countWorkingCopy tells how
    // many they go through in all).
    RowProgress counter(done, kProgressStep);

    // Transactions: every column, by name, control number included.
    const QStringList transCols = schema::columnNames(QStringLiteral("TRANSACCION2"));
    db.emptyTable(QStringLiteral("TMPTRANSACCION2"));
    db.exec(QStringLiteral("INSERT INTO TMPTRANSACCION2 (%1) SELECT %2 FROM TRANSACCION2 T WHERE %3 ORDER BY %4")
                .arg(decl::columnList(transCols), countedColumns(transCols, QStringLiteral("T")),
                     decl::keyCondition(QStringLiteral("T")), decl::transactionOrder(QStringLiteral("T"))),
            params);

    // Transaction types: the key, the type and its amount; the control number stays empty. Only
    // the types of a transaction copied above, each transaction finding its types by key: a type
    // row without its transaction belongs to no transaction of the declaration.
    const QStringList typeCols = schema::columnNames(QStringLiteral("TRATIPTRA2")).mid(0, 9);
    db.emptyTable(QStringLiteral("TMPTRATIPTRA"));
    db.exec(QStringLiteral("INSERT INTO TMPTRATIPTRA (%1) SELECT %2 FROM TRANSACCION2 X CROSS JOIN TRATIPTRA2 T ON %3"
                           " WHERE %4 ORDER BY %5, T.COD_TIP_TRANSACCION")
                .arg(decl::columnList(typeCols), countedColumns(typeCols, QStringLiteral("T")),
                     decl::sameTransaction(QStringLiteral("T"), QStringLiteral("X")), decl::keyCondition(QStringLiteral("X")),
                     decl::transactionOrder(QStringLiteral("X"))),
            params);

    // Per-type detail of the transactions valued by other methods, each with its type's
    // description (parameter group 395, cut to the column's width; "" when the code has none).
    db.emptyTable(QStringLiteral("TMPTRADET"));
    const QStringList detKey = typeCols.mid(0, 8);
    const QStringList detCols = detKey + QStringList{QStringLiteral("DES_TRANSACCION"), QStringLiteral("MONTO")};
    // Each type's description as the per-type detail writes it (detailDescription), chosen in the
    // statement by the row's type code; a code without description gets the empty text.
    QString description = QStringLiteral("''");
    QVariantList descriptionParams;
    {
        Query q = db.exec(QStringLiteral("SELECT Argumento FROM PARAM WHERE Numero = '395'"));
        QStringList whens;
        while (q.next()) {
            const QString code = decl::text(q.value(0));
            whens << QStringLiteral("WHEN ? THEN ?");
            descriptionParams << textValue(code) << textValue(detailDescription(ctx, code));
        }
        if (!whens.isEmpty())
            description = QStringLiteral("CASE T.COD_TIP_TRANSACCION %1 ELSE '' END").arg(whens.join(QLatin1Char(' ')));
    }
    // Driven by the transactions valued by other methods, in key order: each finds its types by key.
    // Every transaction of the declaration walked to find them is counted (its method is read
    // through KLV_CUENTA_FILA, compared as the column compares).
    db.exec(QStringLiteral("INSERT INTO TMPTRADET (%1) SELECT %2, %3, T.MONTO_TRANSACCION"
                           " FROM TRANSACCION2 X CROSS JOIN TRATIPTRA2 T ON %4 WHERE %5"
                           " AND KLV_CUENTA_FILA(X.FLAG_VAL_MET) COLLATE NOCASE = '02'"
                           " AND T.COD_TIP_TRANSACCION NOT IN %6 ORDER BY %7, T.COD_TIP_TRANSACCION")
                .arg(decl::columnList(detCols), decl::columnList(detKey, QStringLiteral("T")), description,
                     decl::sameTransaction(QStringLiteral("T"), QStringLiteral("X")), decl::keyCondition(QStringLiteral("X")), kFinancialTypes,
                     decl::transactionOrder(QStringLiteral("X"))),
            descriptionParams + params);
    tx.commit();
}

QString detailDescription(const AppContext& ctx, const QString& codTipTransaccion) {
    static const int width = [] {
        const schema::Column* c = schema::table(QStringLiteral("TMPTRADET")).column(QStringLiteral("des_transaccion"));
        return c && c->size > 0 ? c->size : 70;
    }();
    return udf_DescripcionParam395(ctx, codTipTransaccion).left(width);
}

bool Es_OtroMetodo(const AppContext& ctx, const DeclarationKey& key, const Party& party,
                   long corTransaccion, const QString& codTipTransaccion) {
    if (codTipTransaccion == QLatin1String("34") || codTipTransaccion == QLatin1String("12")) return false;
    QVariantList p = decl::keyParams(key);
    p << party.tipDocP << textValue(party.docIdP) << static_cast<qlonglong>(corTransaccion);
    return ctx.db()
        .scalar(QStringLiteral("SELECT 1 FROM TRANSACCION2 WHERE %1 AND TIP_DOC_P=? AND DOC_ID_P=?"
                               " AND COR_TRANSACCION=? AND FLAG_VAL_MET='02'")
                    .arg(decl::keyCondition()),
                p)
        .isValid();
}

std::optional<QString> detailRowAmount(const AppContext& ctx, const DeclarationKey& key, const Party& party,
                                       long corTransaccion, const QString& codTipTransaccion) {
    QVariantList p = decl::keyParams(key);
    p << party.tipDocP << textValue(party.docIdP) << static_cast<qlonglong>(corTransaccion)
      << textValue(codTipTransaccion);
    const auto rows = ctx.db().rows(QStringLiteral("SELECT MONTO FROM TMPTRADET WHERE %1 AND TIP_DOC_P=? AND DOC_ID_P=?"
                                                   " AND COR_TRANSACCION=? AND COD_TIP_TRANSACCION=?")
                                        .arg(decl::keyCondition()),
                                    p);
    if (rows.empty()) return std::nullopt;
    return decl::text(rows.front().value(0));
}

QString Monto_OtrosMetodos(const AppContext& ctx, const DeclarationKey& key, const Party& party,
                           long corTransaccion, const QString& codTipTransaccion) {
    return detailRowAmount(ctx, key, party, corTransaccion, codTipTransaccion).value_or(QString());
}

bool udf_Form_Existe(const AppContext& ctx, int tipDocD, const QString& docIdD, const QString& periodo) {
    return ctx.db()
        .scalar(QStringLiteral("SELECT 1 FROM IDENTIFICA2 WHERE TIP_DOC_D=? AND DOC_ID_D=? AND PERIODO=? LIMIT 1"),
                {tipDocD, textValue(docIdD), textValue(periodo)})
        .isValid();
}

int udf_NumParVin(const AppContext& ctx, int tipDocD, const QString& docIdD, const QString&) {
    return ctx.db()
        .scalar(QStringLiteral("SELECT COUNT(*) FROM PAR_VIN WHERE TIP_DOC_D=? AND DOC_ID_D=?"),
                {tipDocD, textValue(docIdD)})
        .toInt();
}

StoredHeader readStoredHeader(const AppContext& ctx, int tipDocD, const QString& docIdD,
                              const QString& periodo) {
    StoredHeader h;
    const DeclarationKey key{tipDocD, docIdD, periodo, ctx.gFormulario};
    const auto rows = ctx.db().rows(
        QStringLiteral("SELECT PERIODO, DOC_ID_D, AUTCONTEXT, ESTTECPT, RUC FROM IDENTIFICA2 WHERE %1")
            .arg(decl::keyCondition()),
        decl::keyParams(key));
    if (rows.empty()) return h;
    const QSqlRecord& r = rows.front();
    h.found = true;
    h.periodo = decl::text(r.value(0));
    h.docIdD = decl::text(r.value(1));
    h.answer1 = decl::text(r.value(2)) == QLatin1String("1") ? QStringLiteral("1") : QStringLiteral("0");
    h.answer2 = decl::text(r.value(3)) == QLatin1String("1") ? QStringLiteral("1") : QStringLiteral("0");
    h.rucAutor = decl::text(r.value(4));
    if (decl::periodValue(h.periodo) >= 2012) {
        // A declaration whose status row is missing reads as not answered.
        const QVariant rect = ctx.db().scalar(
            QStringLiteral("SELECT COALESCE(RECTIFICA, '') FROM CAB WHERE %1").arg(decl::keyCondition()),
            decl::keyParams(key));
        if (rect.isValid())
            h.rectifica = decl::text(rect) == QLatin1String("1") ? QStringLiteral("1") : QStringLiteral("0");
    }
    return h;
}

StoredHeader udp_CargarEdit(AppContext& ctx, DeclarationState& st, int tipDocD, const QString& docIdD,
                            const QString& periodo, const std::function<void(qint64)>& done) {
    StoredHeader h = readStoredHeader(ctx, tipDocD, docIdD, periodo);
    if (!h.found) return h;
    st.periodo = h.periodo;
    st.answer1 = h.answer1;
    st.answer2 = h.answer2;
    st.rucAutor = h.rucAutor;
    if (decl::periodValue(h.periodo) >= 2012) st.rectifica = h.rectifica;

    udp_CargarTemps(ctx, DeclarationKey{tipDocD, h.docIdD, h.periodo, ctx.gFormulario}, done);

    if (ctx.panels) {
        ctx.panels->setPanelRuc(st.cboNumDoc.isEmpty() ? h.docIdD : st.ruc());
        ctx.panels->setPanelNombre(st.razonSocial);
        ctx.panels->setPanelPeriodo(h.periodo);
    }
    ctx.gNumParVin = udf_NumParVin(ctx, tipDocD, h.docIdD, h.periodo);
    st.mode = kModoModificar;
    ctx.gAutContExt = st.answer1;
    return h;
}

}  // namespace klv
