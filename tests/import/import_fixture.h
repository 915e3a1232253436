#pragma once
// A laid environment (host tables with the demo taxpayers and the error texts, module tables) and
// a folder of import files for the import's tests.

#include "database.h"
#include "db_rows.h"
#include "fault_injection.h"
#include "import_core.h"
#include "test_env.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <functional>

namespace klv::test {

inline const QString kRuc = QStringLiteral("20601234565");
inline QString S(const char* s) { return QString::fromUtf8(s); }

// The fields of a line with some changed: "n=value;n=value", n counted from 1.
inline QStringList withFields(QStringList fields, const char* changes) {
    for (const QString& c : QString::fromUtf8(changes).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype eq = c.indexOf(QLatin1Char('='));
        fields[c.left(eq).toInt() - 1] = c.mid(eq + 1);
    }
    return fields;
}

class ImportTest : public ::testing::Test {
protected:
    ImportTest() { QDir().mkpath(folder()); }

    AppContext& ctx() { return env_.ctx(); }
    Database& db() { return env_.db(); }
    RecordingMessageService& messages() { return env_.messages(); }
    Environment& env() { return env_; }

    // The folder the import files are laid in.
    QString folder() const { return env_.root() + QStringLiteral("/entrada"); }
    // Writes the bytes to the named file of `dir` (the import folder by default); returns its path.
    QString writeFile(const QString& name, const QByteArray& bytes, const QString& dir = QString()) {
        const QString d = dir.isEmpty() ? folder() : dir;
        QDir().mkpath(d);
        const QString path = d + QLatin1Char('/') + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
        f.write(bytes);
        return path;
    }
    static QByteArray readAll(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    int count(const QString& table) { return db().scalar(QStringLiteral("SELECT count(*) FROM ") + table).toInt(); }

    // Runs an import with row writes failing from the n-th on, for n = 1, 2, ... and both fault
    // kinds (a statement undone; the whole batch rolled back by the engine, as on a full disk),
    // until a run completes, which must take `writes` rows. Each failed run must stop at a line
    // with the lines before it kept and counted; `kept(k)` checks the tables hold the first k
    // lines, then `clear` empties them.
    void sweepWriteFaults(const std::function<import::ImportOutcome()>& run, int writes,
                          const std::function<void(int)>& kept, const std::function<void()>& clear) {
        for (const FaultKind kind : {FaultKind::Statement, FaultKind::Transaction}) {
            for (int n = 1;; ++n) {
                import::ImportOutcome out;
                std::string fault;
                {
                    const WriteFault f(db(), n, kind);
                    fault = f.describe();
                    out = run();
                }
                SCOPED_TRACE(fault);
                if (out.status == import::ImportOutcome::Status::Terminado) {
                    EXPECT_EQ(n, writes + 1);
                    break;
                }
                ASSERT_EQ(out.status, import::ImportOutcome::Status::FallaBaseDatos);
                const int k = static_cast<int>(out.linea) - 1;
                ASSERT_GE(k, 0);
                EXPECT_EQ(out.lineasConservadas, k);
                EXPECT_EQ(out.counts.transferidos, k);
                kept(k);
                clear();
            }
            clear();
        }
    }

private:
    Environment env_;
};

}  // namespace klv::test
