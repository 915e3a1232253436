#include "transaction_save.h"

#include "declaration_queries.h"
#include "declaration_sql.h"
#include "declaration_state.h"
#include "transaction_map.h"
#include "transaction_writer.h"
#include "working_copy.h"

namespace klv {
namespace {

// monto_transaccion of a type of the transaction `cor`, as the writer takes it.
std::optional<QString> typeAmount(const AppContext& ctx, const TransactionState& st, long cor, const QString& code) {
    if (st.flag != kOtros || st.financiera) return QString(QLatin1String(""));
    if (auto detail = detailRowAmount(ctx, st.declaration(), st.party(), cor, code)) return detail;
    return std::nullopt;  // no detail row: a stored amount stays, a new type row gets ""
}

}  // namespace

SaveResult Grabar_Transacc(const AppContext& ctx, const TransactionState& st) {
    SaveResult r;
    r.verdict = udf_ValidaText(st);
    if (!r.verdict.ok) return r;

    const bool nuevo = st.mode == kModoNuevo;
    const DeclarationKey decl = st.declaration();
    const Party party = st.party();
    long cor = st.corTransaccion;
    if (nuevo) {
        cor = udf_SgteCorTransacc(ctx, decl, party);
        if (udf_ExisteTmpTransacc(ctx, TransactionKey{decl, party, cor})) {
            r.outcome = SaveOutcome::Exists;
            return r;
        }
    }

    ColumnValues values;
    for (const MappedColumn& c : columnMap(st)) values.set(c.column, storedValue(st, c).value_or(QString()));

    std::vector<TypeValue> types;
    for (const TypeItem& item : st.types) {
        if (nuevo && !item.ticked) continue;
        types.push_back({item.code, item.ticked, item.ticked ? typeAmount(ctx, st, cor, item.code) : std::nullopt});
    }

    TransactionWriter writer(ctx.db());
    const TransactionKey key{decl, party, cor};
    if (nuevo) {
        try {
            writer.insert(key, values, types);
        } catch (const DbError& e) {
            // Another program on the shared file took the number after it was read: the same
            // answer as a number found taken.
            if (e.number() != DbErr::DuplicateKey) throw;
            r.outcome = SaveOutcome::Exists;
            return r;
        }
    } else {
        writer.update(key, values, types);
    }
    r.outcome = SaveOutcome::Saved;
    r.corTransaccion = cor;
    return r;
}

QString MONTO_TRADET(const AppContext& ctx, const TransactionState& st, long cor, const QString& code) {
    return Monto_OtrosMetodos(ctx, st.declaration(), st.party(), cor, code);
}

QString MONTO_TRATIPTRA(const AppContext& ctx, const TransactionState& st, long cor, const QString& code) {
    const Party party = st.party();
    QVariantList p = decl::keyParams(st.declaration());
    p << party.tipDocP << textValue(party.docIdP) << static_cast<qlonglong>(cor) << textValue(code);
    return decl::text(ctx.db().scalar(QStringLiteral("SELECT MONTO_TRANSACCION FROM TMPTRATIPTRA WHERE %1 AND TIP_DOC_P=?"
                                                     " AND DOC_ID_P=? AND COR_TRANSACCION=? AND COD_TIP_TRANSACCION=?")
                                          .arg(decl::keyCondition()),
                                      p));
}

QString msgYaExiste() {
    return QStringLiteral("La Transacción Ya Existe.\r\nDe Clic en Cancelar para ingresar una Nueva Transacción.");
}

QString msgSeguir() { return QStringLiteral("¿Desea seguir registrando transacciones, para el mismo informado?"); }

}  // namespace klv
