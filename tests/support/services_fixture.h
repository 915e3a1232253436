#pragma once
// A laid environment for the shared services: host tables and demo data from the test
// environment, plus the module tables the services read, with helpers to add rows.

#include "app_context.h"
#include "db_rows.h"
#include "schema.h"
#include "test_env.h"

#include <QVariantMap>
#include <gtest/gtest.h>
#include <memory>

namespace klv::test {

class ServicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Reference data is seeded by each test itself: no installer run.
        env_ = std::make_unique<Environment>(false);
        for (const char* t : {"PAR_VIN", "TRANSACCION2", "TMPTRANSACCION2"})
            if (!db().tableExists(QString::fromLatin1(t)))
                db().exec(schema::createStatement(schema::table(QString::fromLatin1(t))));
    }

    AppContext& ctx() { return env_->ctx(); }
    Database& db() { return env_->db(); }
    Environment& env() { return *env_; }

    // Adds a row; the columns not given are left NULL.
    void insert(const QString& table, const QVariantMap& values) { insertRow(db(), table, values); }

    void param(const QString& numero, const QString& argumento, const QVariant& funcion) {
        db().exec(QStringLiteral("DELETE FROM PARAM WHERE Numero = ? AND Argumento = ?"), {numero, argumento});
        insert(QStringLiteral("PARAM"), {{"Numero", numero}, {"Argumento", argumento}, {"Funcion", funcion}});
    }

private:
    std::unique_ptr<Environment> env_;
};

}  // namespace klv::test
