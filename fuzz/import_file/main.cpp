// Fuzz target of the file imports: the bytes of a RUC.ifm and of a RUC.TXT imported into a laid
// demo database, as the import dialog runs them.
#include "fuzz_environment.h"

#include <QFile>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    klv::test::Environment& env = klv::fuzz::environment();
    const klv::fuzz::Undo undo;
    const QString path = env.root() + QStringLiteral("/input.TXT");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    f.close();
    for (auto kind : {klv::import::ImportKind::Partes, klv::import::ImportKind::TransaccionesAntes2012,
                      klv::import::ImportKind::Transacciones2012}) {
        klv::import::ImportRequest req{kind, klv::fuzz::kRuc, QString(), QStringLiteral("2015"), QStringLiteral("0"),
                                       QStringLiteral("0"), path, env.ctx().gRptPath};
        (void)klv::import::ejecutarImportacion(env.ctx(), req, {});
    }
    return 0;
}
