// Fuzz target of QM000.INI: the bytes of a whole file, read and then written as the programs do.
// A key written must read back as written, and the write must leave another key as it was.
#include "ini_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/klv-fuzz-XXXXXX")
                                                                         : QDir::tempPath() + QStringLiteral("/klv-fuzz-XXXXXX"));
    static const QString path = dir.path() + QStringLiteral("/QM000.INI");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    f.close();

    const QString section = QStringLiteral("Options"), other = QStringLiteral("DBName");
    const QString none = QStringLiteral("<none>"), value = QStringLiteral("/ruta/sys/");
    const QString before = klv::ini::readString(section, other, none, path);
    (void)klv::ini::readString(QStringLiteral("options"), QStringLiteral("SYSUSER"), none, path);
    if (!klv::ini::writeString(section, QStringLiteral("SysPath"), value, path)) __builtin_trap();
    if (klv::ini::readString(section, QStringLiteral("SysPath"), none, path) != value) __builtin_trap();
    if (klv::ini::readString(section, other, none, path) != before) __builtin_trap();
    return 0;
}
