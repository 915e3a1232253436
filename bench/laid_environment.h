#pragma once
// What the benchmarks lay before they measure: a host environment in a temporary folder with the
// module installed in its database, as the programs find it.

#include "database.h"
#include "host_env.h"
#include "installer.h"
#include "message_service.h"

#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <stdexcept>

namespace klv::bench {

// Lays the host environment in `dir` (KLV_BENCH_KEEP=1 keeps it, its folder printed, for a look
// at the query plans or runs by hand afterwards), points KLV_WINDIR at it, installs the module's
// tables and reference data and returns the database, open.
inline std::unique_ptr<Database> layEnvironment(QTemporaryDir& dir, MessageService& messages) {
    if (qEnvironmentVariableIntValue("KLV_BENCH_KEEP") == 1) {
        dir.setAutoRemove(false);
        std::fprintf(stderr, "bench data in %s\n", qPrintable(dir.path()));
    }
    QString error;
    if (!host::initEnvironment(dir.path(), &error)) throw std::runtime_error(error.toStdString());
    qputenv("KLV_WINDIR", host::winDirOf(dir.path()).toLocal8Bit());
    const QString sysPath = host::sysPathOf(dir.path());
    auto db = Database::open(sysPath + QString::fromLatin1(host::kDbName));
    if (!installer::writeEnvFile(sysPath, &error)) throw std::runtime_error(error.toStdString());
    installer::Installer inst(messages);
    if (!inst.run(*db, sysPath)) throw std::runtime_error("installer failed");
    return db;
}

}  // namespace klv::bench
