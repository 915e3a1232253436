#pragma once
// One running copy per program: a lock file in the user's runtime folder.

#include <QLockFile>
#include <QString>
#include <memory>

namespace klv {

class SingleInstance {
public:
    // name: the program's name (e.g. "QM8027"). folder: where the lock lives; empty means the
    // user's runtime folder ($XDG_RUNTIME_DIR, else the temporary folder).
    explicit SingleInstance(const QString& name, const QString& folder = QString());
    // True when this process now holds the lock; false when another live process holds it.
    bool acquire();
    QString lockPath() const { return path_; }

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace klv
