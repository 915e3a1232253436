#pragma once
// For fuzz targets whose reader works on the shared database (the imports): one laid environment
// (host folder, QM000.INI, the database with the module's tables and reference data, an
// AppContext) with the related parties of scripts/demo's sample file imported, made on the first
// input and kept for the whole run. Link the target with klv_test_env. A target that writes runs
// each input inside an Undo, so the database stays as laid.
#include "cp1252.h"
#include "import_core.h"
#include "test_env.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <cstdlib>

namespace klv::fuzz {

inline const QString kRuc = QStringLiteral("20601234565");

inline test::Environment& environment() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static test::Environment env;
    static const bool parties = [] {
        const QString path = env.root() + QStringLiteral("/") + kRuc + QStringLiteral(".ifm");
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(cp1252::encode(QStringLiteral(
            "06|20100047218||||Distribuidora Andina S.A.C.|01|9589|0|2||1|0|0|0|0|0|0|0|0|0|0|0|0|0||||\r\n"
            "01|41234567|Quispe|Mamani|Rosa||01|9589|0|1||0|1|0|0|0|0|0|0|0|0|0|0|0|0||||\r\n"
            "07|X1234567|Muñoz|Ibáñez|Carlos||02|9063|0|1||0|0|1|0|0|0|0|0|0|0|0|0|0|0|01|Av. Corrientes 1234|"
            "1975-08-21|\r\n")));
        f.close();
        import::ImportRequest req{import::ImportKind::Partes, kRuc, QString(), QStringLiteral("2015"),
                                  QStringLiteral("0"), QStringLiteral("0"), path, env.ctx().gRptPath};
        return import::ejecutarImportacion(env.ctx(), req, {}).counts.transferidos == 3;
    }();
    if (!parties) {
        std::fputs("fuzz: the demo parties could not be imported\n", stderr);
        std::abort();
    }
    return env;
}

// Whatever an input wrote is rolled back when this leaves scope.
struct Undo {
    Transaction t{environment().db()};
};

}  // namespace klv::fuzz
