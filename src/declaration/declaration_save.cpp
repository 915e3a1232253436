#include "declaration_save.h"

#include "amount_checks.h"
#include "declaration_checks.h"
#include "declaration_queries.h"
#include "declaration_sql.h"
#include "format.h"
#include "mensajes.h"
#include "module_version.h"
#include "numero_control.h"
#include "schema.h"
#include "status_panels.h"
#include "totals.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <exception>

namespace klv {
namespace {

constexpr int kTabTransacciones = 1;
constexpr qint64 kProgressStep = 2000;

// Asks about a transaction amount far above the others; true to go on.
bool confirmLargeAmounts(const AppContext& ctx, const AmountReview& review) {
    const QString& threshold = review.largeAmountThreshold;
    if (threshold.isEmpty()) return true;
    return ctx.msg(largeAmountQuestion(threshold), MsgStyle::YesNo | MsgStyle::Question | MsgStyle::DefaultButton2) ==
           MsgAnswer::Yes;
}

// The first checks of both buttons: a valid header and a working copy with transactions (else
// catalogue message `emptyMessage` and the transactions tab). Returns the number of working
// transactions; 0 when a check stopped the button.
qint64 headerAndTransactionsPresent(AppContext& ctx, const DeclarationState& st, int emptyMessage, ButtonOutcome& out) {
    const HeaderCheck header = udf_Validar(ctx, st);
    if (!header.ok) {
        out.focus = header.focus;
        return 0;
    }
    const auto transactions = static_cast<qint64>(udf_CuentaTmpTransacc(ctx));
    if (transactions == 0) {
        udp_Mensaje(ctx, emptyMessage, kFrmDeclara);
        out.selectTab = kTabTransacciones;
    }
    return transactions;
}

// Inserts the row of `key` into a table when it has none, then returns the row's values.
QVariantMap ensureRow(Database& db, const QString& table, const DeclarationKey& key) {
    const QString where = decl::keyCondition();
    auto rows = db.rows(QStringLiteral("SELECT * FROM %1 WHERE %2").arg(table, where), decl::keyParams(key));
    if (rows.empty()) {
        db.exec(QStringLiteral("INSERT INTO %1 (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO) VALUES (?, ?, ?, ?)").arg(table),
                decl::keyParams(key));
        rows = db.rows(QStringLiteral("SELECT * FROM %1 WHERE %2").arg(table, where), decl::keyParams(key));
    }
    QVariantMap map;
    const QSqlRecord& r = rows.front();
    for (int i = 0; i < r.count(); ++i) map.insert(r.fieldName(i), r.value(i));
    return map;
}

// Sets the columns of the declaration's row and its control number.
void updateRow(Database& db, const QString& table, const DeclarationKey& key, QVariantMap row,
               const std::vector<std::pair<QString, QVariant>>& values, int nKeys) {
    QStringList sets;
    QVariantList params;
    for (const auto& [column, value] : values) {
        for (auto it = row.begin(); it != row.end(); ++it)
            if (it.key().compare(column, Qt::CaseInsensitive) == 0) it.value() = value;
        sets << column + QStringLiteral("=?");
        params << value;
    }
    sets << QStringLiteral("CNUMERO=?");
    params << numeroControl(table, row, nKeys);
    params += decl::keyParams(key);
    db.exec(QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(table, sets.join(QStringLiteral(", ")), decl::keyCondition()),
            params);
}

// Replaces the stored rows of the declarant and period with the working rows W in one statement,
// every column named from the table description, each row with its control number over 5 key
// fields computed by the engine. `from` names W and what it is joined to, `keyAlias` the table
// whose rows the declarant and period select. The rows go in the key's order, which the key
// indexes give without sorting.
void copyWorkingRows(Database& db, const QString& stored, const QString& from, const QString& keyAlias, int copied,
                     const QString& order, const DeclarationKey& key) {
    const schema::Table& table = schema::table(stored);
    QStringList cols;
    for (int i = 0; i < copied; ++i) cols << table.columns[i].name;
    const QString cnumero = table.columns.back().name;
    db.exec(QStringLiteral("DELETE FROM %1 WHERE %2").arg(stored, decl::keyConditionNoForm()), decl::keyParamsNoForm(key));
    db.exec(QStringLiteral("INSERT INTO %1 (%2, %3) SELECT %4, %5 FROM %6 WHERE %7 ORDER BY %8")
                .arg(stored, decl::columnList(cols), cnumero, decl::columnList(cols, QStringLiteral("W")),
                     numeroControlSql(stored, 5, QStringLiteral("W")), from, decl::keyConditionNoForm(keyAlias), order),
            decl::keyParamsNoForm(key));
}

}  // namespace

void escribirDeclaracion(const AppContext& ctx, const DeclarationState& st, int estado, const WorkProgress& progress) {
    Database& db = ctx.db();
    const DeclarationKey key = st.key(ctx);
    Transaction tx(db, true);
    // Counted again under the write lock: another program (act8027 rebuilds the working tables)
    // may have emptied the working copy since the checks, and an empty copy would replace the
    // stored transactions with none.
    if (udf_CuentaTmpTransacc(ctx) == 0)
        throw DbError(DbErr::NoCurrentRecord,
                      QStringLiteral("La copia de trabajo ya no tiene transacciones: otro programa la vació."));

    std::vector<std::pair<QString, QVariant>> cab = {
        {QStringLiteral("NROCHEQUE"), kVersionModulo},
        {QStringLiteral("FEC_PRO"), fmt::formatDate(ctx.clock->today(), QStringLiteral("dd/mm/yyyy"))},
        {QStringLiteral("ESTADO"), estado},
    };
    if (st.rectificationShown()) cab.emplace_back(QStringLiteral("RECTIFICA"), textValue(st.rectifica));
    updateRow(db, QStringLiteral("CAB"), key, ensureRow(db, QStringLiteral("CAB"), key), cab, 5);

    updateRow(db, QStringLiteral("IDENTIFICA2"), key, ensureRow(db, QStringLiteral("IDENTIFICA2"), key),
              {{QStringLiteral("AUTCONTEXT"), textValue(st.answer1)},
               {QStringLiteral("ESTTECPT"), textValue(st.answer2)},
               {QStringLiteral("FORMULARIO"), textValue(ctx.gFormulario)},
               {QStringLiteral("RUC"), textValue(st.rucAutor)}},
              4);

    // Progress: the rows numbered so far, counted by the control number's SQL function, of the
    // rows of both working tables.
    const qint64 rows = static_cast<qint64>(udf_CuentaTmpTransacc(ctx)) +
                        db.scalar(QStringLiteral("SELECT count(*) FROM TMPTRATIPTRA")).toLongLong();
    auto report = [&](qint64 done) {
        if (progress) progress(done, rows);
    };
    report(0);
    RowProgress counter(report, kProgressStep);
    auto order = [](const QString& alias) { return alias + QStringLiteral(".FORMULARIO, ") + decl::transactionOrder(alias); };
    copyWorkingRows(db, QStringLiteral("TRANSACCION2"), QStringLiteral("TMPTRANSACCION2 W"), QStringLiteral("W"),
                    static_cast<int>(schema::table(QStringLiteral("TRANSACCION2")).columns.size()) - 1,
                    order(QStringLiteral("W")), key);
    // Only the types of a transaction saved with them, found by the transaction's key: act8027
    // empties the working transactions but not their types, and an import afterwards numbers its
    // transactions from 1 again.
    copyWorkingRows(db, QStringLiteral("TRATIPTRA2"),
                    QStringLiteral("TMPTRANSACCION2 X CROSS JOIN TMPTRATIPTRA W ON ") +
                        decl::sameTransaction(QStringLiteral("W"), QStringLiteral("X")),
                    QStringLiteral("X"), 9, order(QStringLiteral("X")) + QStringLiteral(", W.COD_TIP_TRANSACCION"), key);
    tx.commit();
    db.ensureSameFile();
}

ButtonOutcome validarDeclaracion(AppContext& ctx, const DeclarationState& st, const WorkProgress& progress) {
    ButtonOutcome out;
    try {
        const qint64 transactions = headerAndTransactionsPresent(ctx, st, 12, out);
        if (transactions == 0) return out;
        // The share of the work done: the working transactions the amount review has read (most
        // of the work), then the per-type detail's check, one statement that scans the types
        // faster, counted as a quarter of them; the other checks read little.
        const qint64 total = transactions + transactions / 4;
        auto report = [&](qint64 done) {
            if (progress) progress(std::min(done, total), total);
        };
        report(0);
        const DeclarationKey key = st.key(ctx);
        if (!udf_Verificar_Trans(ctx, key)) ctx.msg(kInformadosSinTransacciones, MsgStyle::Exclamation);
        // The amounts are read once for the three checks that judge them.
        const AmountReview review =
            revisarMontos(ctx, key, [&](qint64 rows) { report(std::min(rows, transactions)); });
        report(transactions);
        if (!confirmLargeAmounts(ctx, review) || !udf_Validar_Datos_NoDom(ctx, key)) {
            out.selectTab = kTabTransacciones;
            return out;
        }
        if (!udf_Validar_det(ctx, review.totals())) {
            udp_Mensaje(ctx, 12, kFrmDeclara);
            return out;
        }
        if (!udf_Validar_det_2008(ctx, st) || !udf_Verificar_Detalle_Montos(ctx, key)) return out;
        report(total);
        if (!udf_Verificar_Metodos_Montos(ctx, key, review)) return out;
        ctx.msg(QStringLiteral("La Declaración no presenta inconsistencias."), MsgStyle::Exclamation);
        out.ok = true;
    } catch (const std::exception& e) {
        ctx.msg(kValidarFallo + failureText(e), MsgStyle::Critical);
        out = ButtonOutcome{};
    }
    return out;
}

ButtonOutcome grabarDeclaracion(AppContext& ctx, DeclarationState& st, const WorkProgress& progress) {
    ButtonOutcome out;
    try {
        if (headerAndTransactionsPresent(ctx, st, 10, out) == 0) return out;
        const DeclarationKey key = st.key(ctx);
        bool consistent = true;
        // The amounts are read once for the totals, the consistency and the largest amount.
        const AmountReview review = revisarMontos(ctx, key);
        if (!anyJudgedTotalAboveZero(review.totals())) consistent = false;
        if (QString::compare(st.periodo, QStringLiteral("2013")) < 0 && st.answer2 != QLatin1String("0") &&
            !udf_Validar_det_2008(ctx, st))
            consistent = false;
        if (!udf_Verificar_Detalle_Montos(ctx, key)) consistent = false;
        if (!udf_Verificar_Metodos_Montos(ctx, key, review)) consistent = false;
        if (!udf_Verificar_Trans(ctx, key)) ctx.msg(kInformadosSinTransacciones, MsgStyle::Exclamation);
        if (!udf_Validar_Datos_NoDom(ctx, key) || !confirmLargeAmounts(ctx, review)) {
            out.selectTab = kTabTransacciones;
            return out;
        }

        const int estado = consistent ? 0 : 9;
        escribirDeclaracion(ctx, st, estado, progress);
        ctx.msg(consistent ? kGrabadoOk : kGrabadoInconsistente, MsgStyle::Exclamation);
        if (ctx.panels) {
            ctx.panels->setPanelRuc(key.docIdD);
            ctx.panels->setPanelNombre(st.razonSocial);
            ctx.panels->setPanelPeriodo(st.periodo);
        }
        st.modified = false;
        st.mode = kModoModificar;
        out.ok = true;
        out.estado = estado;
    } catch (const std::exception& e) {
        ctx.msg(kGrabarFallo + failureText(e), MsgStyle::Critical);
        out = ButtonOutcome{};
    }
    return out;
}

}  // namespace klv
