#include "whole_file.h"

#include <cerrno>

namespace klv {

int fileErrorNumber(int e) {
    switch (e) {
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        return 70;
    case ENOENT:
    case ENOTDIR:
        return 76;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return 61;
    default:
        return 75;
    }
}

WriteFailure fileError(int errnoValue) {
    const int n = fileErrorNumber(errnoValue);
    switch (n) {
    case 70: return {n, QStringLiteral("Permiso denegado")};
    case 76: return {n, QStringLiteral("No se encontró la ruta de acceso")};
    case 61: return {n, QStringLiteral("Disco lleno")};
    default: return {n, QStringLiteral("Error de acceso a la ruta o el archivo")};
    }
}

bool writeAll(QSaveFile& file, const QByteArray& bytes, WriteFailure* why) {
    errno = 0;
    if (file.write(bytes) == bytes.size()) return true;
    if (why) *why = fileError(errno);
    return false;
}

bool commitWhole(QSaveFile& file, WriteFailure* why) {
    errno = 0;
    if (!file.flush()) {
        // Cancelling replaces the file's error text: the cause is taken first.
        const WriteFailure cause = fileError(errno);
        file.cancelWriting();
        if (why) *why = cause;
        return false;
    }
    errno = 0;
    if (file.commit()) return true;
    if (why) *why = fileError(errno);
    return false;
}

}  // namespace klv
