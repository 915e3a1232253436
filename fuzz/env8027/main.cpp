// Fuzz target of the installer's reader of env8027.txt: the bytes of a whole file.
#include "database.h"
#include "reference_data.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        klv::installer::readEnvioFile(bytes, QStringLiteral("tmp/env8027.txt"), [](const klv::installer::EnvioRow& r) {
            for (int b : r.bytes)
                if (b < 0 || b > 255) __builtin_trap();  // ENVIO_T holds bytes there
            (void)r.values();
        });
    } catch (const klv::DbError&) {
        // A bad line: the installer stops with its message.
    }
    return 0;
}
