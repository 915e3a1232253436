#include "single_instance.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QtGlobal>
#include <algorithm>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace klv {
namespace {

QString tempRuntimeFolder() { return QDir::tempPath() + QStringLiteral("/klv-runtime-") + QString::number(::getuid()); }
QString homeRuntimeFolder() { return QDir::homePath() + QStringLiteral("/.cache/klv-runtime"); }

QtMessageHandler handlerBefore = nullptr;

// Drops Qt's warnings about the runtime folder it falls back on ("QStandardPaths: XDG_RUNTIME_DIR
// not set, defaulting to ...", and those about that folder's owner or mode); passes on the rest.
void withoutRuntimeFolderWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && text.startsWith(QLatin1String("QStandardPaths: ")) &&
        (text.contains(QLatin1String("XDG_RUNTIME_DIR")) || text.contains(QLatin1String("runtime directory"))))
        return;
    if (handlerBefore) handlerBefore(type, context, text);
}

// A folder of the user's own that no one else can write. `made`: a folder of ours at a fixed
// place, made with mode 0700 when missing and never taken through a link; its mode is brought to
// 0700. Otherwise (a folder named by the environment) it may be reached through a link.
bool privateFolder(const QString& dir, bool made) {
    if (dir.isEmpty()) return false;
    const QByteArray native = QFile::encodeName(dir);
    if (made) ::mkdir(native.constData(), 0700);
    struct stat st {};
    if ((made ? ::lstat(native.constData(), &st) : ::stat(native.constData(), &st)) != 0 || !S_ISDIR(st.st_mode) ||
        st.st_uid != ::getuid())
        return false;
    if (!made) return (st.st_mode & 0022) == 0;
    return (st.st_mode & 0777) == 0700 || ::chmod(native.constData(), 0700) == 0;
}

// How old a lock file nobody holds must be before it counts as never written: a live program
// locks its file (flock) in the instant after creating it, and writes into it the instant after.
constexpr qint64 kUnwrittenAfterMs = 100;

qint64 ageMs(const struct stat& st) {
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return (qint64(now.tv_sec) - st.st_mtim.tv_sec) * 1000 + (now.tv_nsec - st.st_mtim.tv_nsec) / 1000000;
}

// Removes a lock file its program never wrote: one killed between creating the file and writing
// its process into it leaves it empty, and QLockFile, which can then tell neither whose it is nor
// whether that one still runs, would refuse every later start (and, for the ".rmlock" a program
// killed while taking over a stale lock leaves, every start for half a minute). Only a file whose
// owner QLockFile cannot read, that no process holds locked and that has stood for a moment is
// removed; one written meanwhile is left to QLockFile. True when it went.
bool removeUnwrittenLock(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    for (int look = 0; look < 3; ++look) {
        const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return false;
        struct stat held {}, named {};
        qint64 pid = 0;
        QString host, app;
        const bool unwritten = ::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) &&
                               ::flock(fd, LOCK_EX | LOCK_NB) == 0 && !QLockFile(path).getLockInfo(&pid, &host, &app);
        const qint64 age = unwritten ? ageMs(held) : 0;
        bool removed = false;
        if (unwritten && age >= kUnwrittenAfterMs)
            removed = ::lstat(name.constData(), &named) == 0 && named.st_dev == held.st_dev &&
                      named.st_ino == held.st_ino && ::unlink(name.constData()) == 0;
        ::close(fd);
        if (!unwritten || age >= kUnwrittenAfterMs) return removed;
        // Just created: look again once it has stood long enough to have been written.
        QThread::msleep(static_cast<unsigned long>(kUnwrittenAfterMs - std::max<qint64>(age, 0)));
    }
    return false;
}

}  // namespace

QString runtimeFolder() {
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (privateFolder(xdg, false)) return xdg;
    const QString tmp = tempRuntimeFolder();
    if (privateFolder(tmp, true)) return tmp;
    // The name in the temporary folder is taken (by another user, or by a link): the user's home.
    const QString home = homeRuntimeFolder();
    if (QDir().mkpath(QFileInfo(home).path()) && privateFolder(home, true)) return home;
    return QString();
}

void useRuntimeFolder() {
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
    const QString folder = runtimeFolder();
    if (!folder.isEmpty()) {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder));
        return;
    }
    // None: the program tells the user itself (it runs without the one-copy guard), so Qt, which
    // asks for the folder as its application object starts, is kept from warning about it too.
    static const bool quiet = [] {
        handlerBefore = qInstallMessageHandler(withoutRuntimeFolderWarnings);
        return true;
    }();
    Q_UNUSED(quiet);
}

SingleInstance::SingleInstance(const QString& name, const QString& folder) {
    QString dir = folder;
    if (dir.isEmpty()) dir = runtimeFolder();
    if (dir.isEmpty()) return;
    QDir().mkpath(dir);
    path_ = dir + QStringLiteral("/klv-") + name + QStringLiteral(".lock");
    lock_ = std::make_unique<QLockFile>(path_);
    lock_->setStaleLockTime(0);  // a lock whose process is gone is stale at once
}

bool SingleInstance::acquire() {
    if (!lock_ || lock_->tryLock(0)) return true;
    if (lock_->error() != QLockFile::LockFailedError) return false;
    // What a program killed as it took the lock may have left unwritten stands in the way.
    const bool rmlock = removeUnwrittenLock(path_ + QStringLiteral(".rmlock"));
    const bool lock = removeUnwrittenLock(path_);
    return (rmlock || lock) && lock_->tryLock(0);
}

QString textoSinCarpetaPrivada() {
    return QStringLiteral("No se pudo tener una carpeta privada donde registrar la copia en ejecución (%1 y %2 no "
                          "sirven: no son carpetas propias, cerradas a otros usuarios).\nEl programa continúa sin "
                          "comprobar si ya se encuentra en ejecución.")
        .arg(tempRuntimeFolder(), homeRuntimeFolder());
}

}  // namespace klv
