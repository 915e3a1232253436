#include "single_instance.h"

#include <QDir>
#include <QStandardPaths>

namespace klv {

SingleInstance::SingleInstance(const QString& name, const QString& folder) {
    QString dir = folder;
    if (dir.isEmpty()) dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    QDir().mkpath(dir);
    path_ = dir + QStringLiteral("/klv-") + name + QStringLiteral(".lock");
    lock_ = std::make_unique<QLockFile>(path_);
    lock_->setStaleLockTime(0);  // a lock whose process is gone is stale at once
}

bool SingleInstance::acquire() { return lock_->tryLock(0); }

}  // namespace klv
