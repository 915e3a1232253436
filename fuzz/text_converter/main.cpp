// Fuzz target of 8027REP's text converter: the bytes of the report file it converts. The file is
// converted whole, and no tag line (one beginning with a closed tag, blanks of any kind before it
// aside) reaches the text.
#include "conversor_texto.h"
#include "cp1252.h"
#include "recording_message_service.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/klv-fuzz-XXXXXX")
                                                                         : QDir::tempPath() + QStringLiteral("/klv-fuzz-XXXXXX"));
    const QString carpeta = dir.path() + QLatin1Char('/');
    QFile f(carpeta + QStringLiteral("base.PRN"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    f.close();

    klv::RecordingMessageService mensajes;
    klv::resumen::ConversorTexto conversor(mensajes, carpeta);
    if (!conversor.udf_ImprimirArchivo(QStringLiteral("base.PRN"))) __builtin_trap();
    QFile texto(carpeta + QStringLiteral("base.txt"));
    if (!texto.open(QIODevice::ReadOnly)) __builtin_trap();
    while (!texto.atEnd()) {
        // A tag line as the markup reader sees one: its keyword trimmed of every kind of blank.
        const QString linea = klv::cp1252::decode(texto.readLine()).trimmed();
        if (linea.startsWith(QLatin1String("<!")) && linea.indexOf(QLatin1String("!>"), 1) >= 0) __builtin_trap();
    }
    return 0;
}
