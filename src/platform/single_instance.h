#pragma once
// One running copy per program: a lock file in a private folder of the user's.

#include <QLockFile>
#include <QString>
#include <memory>

namespace klv {

// The user's private runtime folder, one that no other user can write: $XDG_RUNTIME_DIR when it is
// such a folder, else klv-runtime-<uid> in the temporary folder (made with mode 0700), else
// .cache/klv-runtime in the user's home. Each must be a real folder (no link) owned by the user,
// closed to group and others. Empty when none can be had. It never asks Qt's standard paths,
// which warn when the variable is unset (root shells, CI).
QString runtimeFolder();
// Points XDG_RUNTIME_DIR at runtimeFolder() when it is unset, so that no part of a program warns
// about it. When no folder can be had, keeps Qt's warnings about its own fallback folder off the
// terminal instead (the program shows textoSinCarpetaPrivada()). Called by
// prepareProgramEnvironment(), before the application object exists.
void useRuntimeFolder();

class SingleInstance {
public:
    // name: the program's name (e.g. "QM8027"). folder: where the lock lives; empty means the
    // user's runtime folder (runtimeFolder()).
    explicit SingleInstance(const QString& name, const QString& folder = QString());
    // True when this process now holds the lock; false when another live process holds it. A lock
    // whose process is gone is taken over, also one a process killed as it took it left without
    // its owner (an empty file, or an empty ".rmlock" beside it), once it has stood 100 ms. Also
    // true, without a lock, when no private folder could be had (guarded() is then false).
    bool acquire();
    bool guarded() const { return lock_ != nullptr; }
    QString lockPath() const { return path_; }

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

// The warning a program shows when it runs without the one-copy guard.
QString textoSinCarpetaPrivada();

}  // namespace klv
