#pragma once
// The folder where one run of the suite leaves its pictures and PDFs: a temporary folder of its
// own, so that runs at the same time never write over or delete each other's files. It goes when
// the run ends; with KLV_KEEP_SHOTS set it stays, named on standard error, to be looked at.

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>

namespace klv::test {

inline QString shotsDir() {
    static QTemporaryDir dir(QDir::temp().filePath(QStringLiteral("klv-shots-XXXXXX")));
    static const bool kept = [] {
        if (!qEnvironmentVariableIsSet("KLV_KEEP_SHOTS")) return false;
        dir.setAutoRemove(false);
        std::fprintf(stderr, "pictures and PDFs of this run: %s\n", QDir::toNativeSeparators(dir.path()).toLocal8Bit().constData());
        return true;
    }();
    Q_UNUSED(kept);
    return dir.path();
}

}  // namespace klv::test
