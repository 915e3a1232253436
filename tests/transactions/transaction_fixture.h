#pragma once
// A laid environment with the module's tables, an informado of the demo declarant and a
// transaction state as the form gathers it, ready to be changed case by case.

#include "db_rows.h"
#include "test_env.h"
#include "transaction_state.h"

#include <gtest/gtest.h>

#include <QVariantMap>

namespace klv::test {

inline const QString kRuc = QStringLiteral("20601234565");
inline const QString kDoc = QStringLiteral("20100000001");
inline QString S(const char* s) { return QString::fromUtf8(s); }

// A new transaction of the demo declarant with party `doc` as the form gathers it: the option
// selected, the types `ticked` in the list, nothing typed, question 2 answered `respuesta`.
TransactionState newTransaction(const AppContext& ctx, const QString& doc, const QString& flag, bool financial,
                                const QString& periodo, const QStringList& ticked,
                                const QString& respuesta = QStringLiteral("1"));

class TransactionTest : public ::testing::Test {
protected:
    // The test's own connection, as another program's: to lay rows before and check them after.
    AppContext& ctx() { return env_.ctx(); }
    // The context the forms get (no connection; the engine): globals and services a form reads are
    // set here.
    AppContext& win() { return env_.windowCtx(); }
    Database& db() { return env_.db(); }
    RecordingMessageService& messages() { return env_.messages(); }

    // A party of the demo declarant (document type 6); flags as PAR_VIN stores them.
    void party(const QString& doc = kDoc, bool domiciled = true, bool haven = false);
    // A new transaction of `kDoc` for the period, option and kind, the type "05" ticked (or
    // "12" and "34" when financial), nothing typed yet.
    TransactionState state(const QString& flag, bool financial = false, const QString& periodo = QStringLiteral("2012"));
public:
    // Ticks exactly the given codes.
    static void tick(TransactionState& st, const QStringList& codes);

protected:
    // One column of the working row of kDoc's transaction `cor`; an invalid QVariant when NULL or no row.
    QVariant column(const QString& column, long cor = 1);
    int count(const QString& table) { return db().scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)).toInt(); }
    // A working transaction type row of kDoc's transaction `cor`.
    void typeRow(long cor, const QString& code, const QVariant& monto, const QString& periodo = QStringLiteral("2012"));
    void detailRow(long cor, const QString& code, const QVariant& monto, const QString& periodo = QStringLiteral("2012"));

    Environment env_;
};

}  // namespace klv::test
