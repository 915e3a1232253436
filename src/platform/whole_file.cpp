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

WriteFailure writeFailure(const QFileDevice& file, int errnoValue) {
    return {fileErrorNumber(errnoValue), file.errorString()};
}

bool writeAll(QSaveFile& file, const QByteArray& bytes, WriteFailure* why) {
    errno = 0;
    if (file.write(bytes) == bytes.size()) return true;
    if (why) *why = writeFailure(file, errno);
    return false;
}

bool commitWhole(QSaveFile& file, WriteFailure* why) {
    errno = 0;
    if (!file.flush()) {
        // Cancelling replaces the file's error text: the cause is taken first.
        const WriteFailure cause = writeFailure(file, errno);
        file.cancelWriting();
        if (why) *why = cause;
        return false;
    }
    errno = 0;
    if (file.commit()) return true;
    if (why) *why = writeFailure(file, errno);
    return false;
}

}  // namespace klv
