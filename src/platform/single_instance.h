#pragma once
// One running copy per program: a lock file in the user's runtime folder.

#include <QLockFile>
#include <QString>
#include <memory>

namespace klv {

// The user's private runtime folder: $XDG_RUNTIME_DIR, else a folder of the user's own in the
// temporary folder (klv-runtime-<uid>, mode 0700). It never asks Qt's standard paths, which warn
// when the variable is unset (root shells, CI).
QString runtimeFolder();
// Points XDG_RUNTIME_DIR at runtimeFolder() when it is unset, so that no part of a program warns
// about it. Called by prepareProgramEnvironment().
void useRuntimeFolder();

class SingleInstance {
public:
    // name: the program's name (e.g. "QM8027"). folder: where the lock lives; empty means the
    // user's runtime folder (runtimeFolder()).
    explicit SingleInstance(const QString& name, const QString& folder = QString());
    // True when this process now holds the lock; false when another live process holds it.
    bool acquire();
    QString lockPath() const { return path_; }

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace klv
