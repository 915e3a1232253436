#include "single_instance.h"

#include <QDir>
#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>

namespace klv {

QString runtimeFolder() {
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty()) return xdg;
    const QString dir = QDir::tempPath() + QStringLiteral("/klv-runtime-") + QString::number(::getuid());
    const QByteArray native = QFile::encodeName(dir);
    ::mkdir(native.constData(), 0700);
    // Only a real folder of our own, closed to others, serves: otherwise the temporary folder.
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return QDir::tempPath();
    if ((st.st_mode & 0777) != 0700) ::chmod(native.constData(), 0700);
    return dir;
}

void useRuntimeFolder() {
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeFolder()));
}

SingleInstance::SingleInstance(const QString& name, const QString& folder) {
    QString dir = folder;
    if (dir.isEmpty()) dir = runtimeFolder();
    QDir().mkpath(dir);
    path_ = dir + QStringLiteral("/klv-") + name + QStringLiteral(".lock");
    lock_ = std::make_unique<QLockFile>(path_);
    lock_->setStaleLockTime(0);  // a lock whose process is gone is stale at once
}

bool SingleInstance::acquire() { return lock_->tryLock(0); }

}  // namespace klv
