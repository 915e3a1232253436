#pragma once
// For fuzz targets whose reader works on the shared database (the party and transaction
// imports): one laid environment (host folder, QM000.INI, the database with the module's tables
// and reference data, an AppContext) made on the first input and kept for the whole run. Link the
// target with klv_test_env. A target that writes rows should delete them again after each input,
// so the database stays small.
#include "test_env.h"

#include <QCoreApplication>

namespace klv::fuzz {

inline test::Environment& environment() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static test::Environment env;
    return env;
}

}  // namespace klv::fuzz
