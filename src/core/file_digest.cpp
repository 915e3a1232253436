#include "file_digest.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace klv {

std::optional<QString> udf_HashArchivo(const QString& ruta, QString* error) {
    const QString path = ruta.trimmed();
    QFile file(path);
    if (path.isEmpty() || QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("No se pudo leer el archivo '%1'.").arg(path);
        return std::nullopt;
    }
    QCryptographicHash hash(QCryptographicHash::Sha1);
    if (!hash.addData(&file) || file.error() != QFileDevice::NoError) {
        if (error) *error = QStringLiteral("No se pudo leer el archivo '%1': %2").arg(path, file.errorString());
        return std::nullopt;
    }
    return udf_BytesAStr(hash.result(), 20);
}

QString udf_BytesAStr(const QByteArray& bytes, int n) {
    QString out;
    const qsizetype count = std::min<qsizetype>(std::max(n, 0), bytes.size());
    for (qsizetype i = 0; i < count; ++i) out += QString::number(static_cast<unsigned char>(bytes[i]));
    return out;
}

}  // namespace klv
