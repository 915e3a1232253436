#include "whole_file.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace klv {
namespace {

WriteFailure systemFailure(int e) { return {75, qt_error_string(e)}; }

// How much of a file is written out at a time while its sync is told (see WholeFile::commit).
constexpr off_t kSyncPart = off_t(4) << 20;

// Writes the file `fd` of `size` bytes out to the disk part by part, telling `synced` the bytes
// written out short of the whole: each part is started before the one before it is waited for, so
// the disk always has the next part at hand. 0, or the error of a write-out that failed. A file
// system that cannot write out part of a file leaves it all to the sync that follows.
int writeOut(int fd, off_t size, const std::function<void(qint64, qint64)>& synced) {
    off_t started = 0, waited = 0;
    while (waited < size) {
        if (started < size) {
            const off_t part = std::min(kSyncPart, size - started);
            if (::sync_file_range(fd, started, part, SYNC_FILE_RANGE_WRITE) != 0) break;
            started += part;
        }
        if (started - waited <= kSyncPart && started < size) continue;
        const off_t part = std::min(kSyncPart, size - waited);
        if (::sync_file_range(fd, waited, part,
                              SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER) != 0)
            break;
        waited += part;
        if (waited < size) synced(waited, size);
    }
    if (waited < size && errno != ENOSYS && errno != EINVAL && errno != ESPIPE && errno != EOPNOTSUPP) return errno;
    return 0;
}

// A name for the new file beside `path`: "name." and six letters or digits.
QByteArray besideName(const QByteArray& path) {
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray name = path + '.';
    for (int i = 0; i < 6; ++i) name += kChars[QRandomGenerator::global()->bounded(int(sizeof kChars) - 1)];
    return name;
}

}  // namespace

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

WholeFile::WholeFile(QString path) : path_(std::move(path)) {}

WholeFile::~WholeFile() { cancel(); }

bool WholeFile::open(WriteFailure* why) {
    cancel();
    failure_ = {};
    const QByteArray name = QFile::encodeName(path_);
    // The permissions of the file the new one replaces (a link there is not followed).
    struct stat st {};
    const bool replaces = ::lstat(name.constData(), &st) == 0 && S_ISREG(st.st_mode);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_ = besideName(name);
        fd_ = ::open(temp_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, replaces ? 0600 : 0666);
        if (fd_ < 0) {
            if (errno != EEXIST) break;
            continue;
        }
        // Locked until the rename. A sweep that took the file in the instant before the lock has
        // unlinked it: then another name.
        struct stat mine {};
        if (::flock(fd_, LOCK_EX) == 0 && ::fstat(fd_, &mine) == 0 && mine.st_nlink > 0) break;
        ::close(fd_);
        fd_ = -1;
        errno = EEXIST;
    }
    if (fd_ < 0) {
        const int e = errno;
        temp_.clear();
        if (why) *why = systemFailure(e);
        return false;
    }
    if (replaces) ::fchmod(fd_, st.st_mode & 07777);
    return true;
}

bool WholeFile::write(const QByteArray& bytes, WriteFailure* why) {
    const char* at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        if (fd_ < 0) {
            if (why) *why = fileError(EBADF);
            return false;
        }
        const ssize_t n = ::write(fd_, at, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failure_ = fileError(n < 0 ? errno : ENOSPC);
            if (why) *why = failure_;
            return false;
        }
        at += n;
        left -= n;
    }
    return true;
}

bool WholeFile::commit(WriteFailure* why, const std::function<void(qint64, qint64)>& synced) {
    if (fd_ < 0) {
        if (why) *why = fileError(EBADF);
        return false;
    }
    if (failure_.number != 0) {
        if (why) *why = failure_;
        cancel();
        return false;
    }
    int e = 0;
    struct stat st {};
    const bool told = synced && ::fstat(fd_, &st) == 0;
    if (told) {
        synced(0, st.st_size);
        e = writeOut(fd_, st.st_size, synced);
    }
    if (e == 0 && ::fsync(fd_) != 0) e = errno;
    // Renamed while still open and locked: closing first would let a sweep take it meanwhile.
    if (e == 0 && ::rename(temp_.constData(), QFile::encodeName(path_).constData()) != 0) e = errno;
    if (e == 0) {
        ::close(fd_);  // synced already: what it holds is on the disk
        fd_ = -1;
    }
    if (e != 0) {
        // The cause is taken before the new file goes.
        if (why) *why = fileError(e);
        cancel();
        return false;
    }
    temp_.clear();
    if (told) synced(st.st_size, st.st_size);  // whole once it stands under its name
    return true;
}

void WholeFile::cancel() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.isEmpty()) ::unlink(temp_.constData());
    temp_.clear();
}

int removeAbandonedReports(const QString& folder) {
    static const QRegularExpression kAbandoned(QStringLiteral("^[0-9]{8}\\.PRN\\.[A-Za-z0-9]{6}$"));
    int removed = 0;
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.PRN.*")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& n : names) {
        if (!kAbandoned.match(n).hasMatch()) continue;
        const QByteArray path = QFile::encodeName(QDir(folder).filePath(n));
        const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat held {}, named {};
        // Only a plain file nobody writes, still at its name.
        if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::lstat(path.constData(), &named) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino &&
            ::unlink(path.constData()) == 0)
            ++removed;
        ::close(fd);
    }
    return removed;
}

bool openAppending(QFile& file, bool fresh, WriteFailure* why) {
    const QByteArray name = QFile::encodeName(file.fileName());
    // Opened first: a file the user may not write is refused before anything changes. A hard link
    // names a file that other names share, so it is refused as a symbolic link is; only then does a
    // fresh start empty the file, through this descriptor, never by putting another in its place.
    // Only a plain file: a pipe or a device planted at the name would hold the open or the writes
    // (opened without waiting, then refused).
    const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    int e = fd < 0 ? errno : 0;
    struct stat st {};
    if (e == 0 && ::fstat(fd, &st) != 0) e = errno;
    if (e == 0 && (st.st_nlink > 1 || !S_ISREG(st.st_mode))) e = ELOOP;
    if (e == 0 && ::fcntl(fd, F_SETFL, O_APPEND) != 0) e = errno;
    if (e == 0 && fresh && ::ftruncate(fd, 0) != 0) e = errno;
    if (e != 0) {
        if (fd >= 0) ::close(fd);
        if (why) *why = fileError(e);
        return false;
    }
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Append, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        if (why) *why = fileError(EBADF);
        return false;
    }
    return true;
}

}  // namespace klv
