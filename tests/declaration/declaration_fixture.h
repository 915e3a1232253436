#pragma once
// A laid environment with the module's tables, and small builders that put a declaration straight
// into the stored and working tables.

#include "database.h"
#include "declaration_state.h"
#include "schema.h"
#include "test_env.h"
#include "utilitarios.h"

#include <gtest/gtest.h>

#include <QVariantMap>
#include <memory>

namespace klv::test {

inline const QString kRuc = QStringLiteral("20601234565");
inline const QString kRucOtro = QStringLiteral("10412345679");
inline const QString kTmp = QStringLiteral("TMPTRANSACCION2");
// A text written in the source's UTF-8.
inline QString S(const char* s) { return QString::fromUtf8(s); }

class DeclarationTest : public ::testing::Test {
protected:
    DeclarationTest();

    // The test's own connection, as another program has it: to lay rows before and check them after.
    AppContext& ctx() { return env_.ctx(); }
    // The context a form gets: no connection, the engine in its place.
    AppContext& windowCtx() { return env_.windowCtx(); }
    Database& db() { return env_.db(); }
    RecordingMessageService& messages() { return env_.messages(); }
    Environment& env() { return env_; }

    DeclarationKey key(const QString& periodo = QStringLiteral("2015"), const QString& ruc = kRuc) const {
        return DeclarationKey{6, ruc, periodo, QStringLiteral("8027")};
    }

    // Inserts a row into a module table: the declaration key and the given columns (by name);
    // every other column stays NULL.
    void insert(const QString& table, const DeclarationKey& k, const QVariantMap& values);
    // A transaction of party (tip 6, doc) number cor with method flag and financial indicator.
    void transaction(const QString& table, const DeclarationKey& k, const QString& docIdP, int cor,
                     const QString& flag, const QString& ind, QVariantMap amounts = {});
    void transactionType(const QString& table, const DeclarationKey& k, const QString& docIdP, int cor,
                         const QString& code, const QVariant& monto);
    // n working transactions of party P1 numbered 1 to n (method '00', amount 10), each with one
    // type row, as an import leaves them.
    void manyWorkingTransactions(int n);
    // An informed party of the declarant (form 8027).
    void party(const QString& docIdP, QVariantMap values = {}, const QString& ruc = kRuc);
    int count(const QString& table);
    // A state as the form holds it once the header is answered.
    DeclarationState state(const QString& periodo = QStringLiteral("2015")) const;

private:
    Environment env_;
    Utilitarios util_;
};

}  // namespace klv::test
