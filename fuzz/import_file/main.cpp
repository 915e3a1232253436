// Fuzz target of the file imports: the bytes of a RUC.ifm and of a RUC.TXT imported into a laid
// demo database, as the import dialog runs them.
#include "app_context.h"
#include "host_env.h"
#include "import_core.h"
#include "installer.h"
#include "utilitarios.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

namespace {
struct Env {
    QTemporaryDir dir;
    klv::RecordingMessageService messages;
    klv::FixedClock clock{QDate(2026, 12, 8)};
    klv::Utilitarios util;
    klv::AppContext ctx;
    Env() {
        klv::host::initEnvironment(dir.path());
        const QString sys = klv::host::sysPathOf(dir.path());
        klv::installer::writeEnvFile(sys);
        ctx.gDB = klv::Database::open(sys + QString::fromLatin1(klv::host::kDbName));
        klv::installer::Installer(messages).run(*ctx.gDB, sys);
        ctx.messages = &messages;
        ctx.clock = &clock;
        ctx.gUtil = &util;
        ctx.gRptPath = sys + QStringLiteral("RPT");
    }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Env env;
    const QString path = env.dir.filePath(QStringLiteral("20601234565.TXT"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    f.close();
    for (auto kind : {klv::import::ImportKind::Partes, klv::import::ImportKind::Transacciones2012}) {
        klv::import::ImportRequest req{kind, QStringLiteral("20601234565"), QString(), QStringLiteral("2015"),
                                       QStringLiteral("0"), QStringLiteral("0"), path, env.ctx.gRptPath};
        (void)klv::import::ejecutarImportacion(env.ctx, req, {});
    }
    return 0;
}
