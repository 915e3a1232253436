#pragma once
// A laid host environment (host tables and demo data, no module tables) with the shipped
// submission map in SysPath/tmp, and helpers to build a database of the previous layout.

#include "installer.h"
#include "schema.h"
#include "test_env.h"

#include <QStringList>
#include <QVariantList>
#include <gtest/gtest.h>
#include <memory>

namespace klv::test {

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override;

    Database& db() { return env->db(); }
    // Runs the whole program (QM000.INI of the environment) with a fresh recording service.
    int runMain();
    // Table names of the database, upper case, sorted.
    QStringList tables();
    long long count(const QString& sql, const QVariantList& params = {});
    // Replaces the shipped submission map with these lines (Windows-1252, CR LF).
    void writeEnvFile(const QStringList& lines);
    // Creates the previous layout's tables with a few rows: IDENTIFICA, TRATIPTRA, TRANSACCION,
    // TMPTRANSACCION, PAR_VIN without its three newest columns, TIP_VIN, TIP_VIN_PAR,
    // PARAISO_FISCAL (with the withdrawn code 9836), TMPTRATIPTRA with a stale row, and ENVIO_T
    // rows naming the old tables.
    void buildPreviousLayout(bool withParVinDirLegal = false);

    std::unique_ptr<Environment> env;
    RecordingMessageService messages;
};

}  // namespace klv::test
