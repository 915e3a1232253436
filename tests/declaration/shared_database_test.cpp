// QM8027 saving a large declaration while act8027 and 8027REP run on the same database, as the
// host starts them side by side. The save runs the code of the form's Grabar on a connection of
// its own (a thread standing for QM8027); the two others are the real programs, headless. Each
// either completes or ends with one message; no row is lost or doubled.
#include "declaration_fixture.h"
#include "declaration_save.h"

#include "format.h"
#include "utilitarios.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <future>
#include <mutex>
#include <thread>

namespace klv::test {
namespace {

constexpr int kStored = 20000;  // the declaration as stored before
constexpr int kAdded = 2000;    // the rows the save adds

class SharedDatabase : public DeclarationTest {
protected:
    // Working rows from..to of party P1, one transaction type each.
    void working(int from, int to) {
        db().exec(QStringLiteral(
                      "WITH RECURSIVE N(I) AS (SELECT ? UNION ALL SELECT I+1 FROM N WHERE I<?) "
                      "INSERT INTO TMPTRANSACCION2 (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P,"
                      " COR_TRANSACCION, FLAG_VAL_MET, IND_TRANSAC_FIN, MTO_SIN_TRAN_MON_ORI, MTO_SIN_TRAN_MON_REG, CNUMERO)"
                      " SELECT 6, ?, '2015', '8027', 6, 'P1', I, '00', '0', '10', '10', '666666' FROM N"),
                  {from, to, kRuc});
        db().exec(QStringLiteral(
                      "INSERT INTO TMPTRATIPTRA (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P,"
                      " COR_TRANSACCION, COD_TIP_TRANSACCION, MONTO_TRANSACCION, CNUMERO)"
                      " SELECT TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P, COR_TRANSACCION, '05', '10',"
                      " '666666' FROM TMPTRANSACCION2 WHERE COR_TRANSACCION BETWEEN ? AND ?"),
                  {from, to});
    }
    struct Run {
        int status = -1;
        QString err;
        qint64 ms = 0;
    };
    // What the module's save of `st` does from a program of its own.
    Run saveElsewhere(const DeclarationState& st, const WorkProgress& progress = {}) {
        Run r;
        QElapsedTimer clock;
        clock.start();
        RecordingMessageService messages;
        Utilitarios util;
        AppContext other;
        other.messages = &messages;
        other.clock = ctx().clock;
        other.gUtil = &util;
        other.gSysPath = ctx().gSysPath;
        other.gDBFile = ctx().gDBFile;
        other.gRptPath = ctx().gRptPath;
        other.gSysUser = ctx().gSysUser;
        try {
            other.gDB = Database::open(other.gDBFile);
            DeclarationState s = st;
            s.modified = true;
            r.status = grabarDeclaracion(other, s, progress).ok ? 0 : 1;
        } catch (const DbError& e) {
            messages.show(e.text(), MsgStyle::Critical, QStringLiteral("Error"));
            r.status = 1;
        }
        other.gDB.reset();
        for (const auto& c : messages.calls())
            if (c.text != kGrabadoOk && c.text != kGrabadoInconsistente) r.err += c.text + QLatin1Char('\n');
        r.ms = clock.elapsed();
        return r;
    }
    QProcess* start(const QString& program, const QStringList& args) {
        auto* p = new QProcess;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("XDG_RUNTIME_DIR"), runDir.path());
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p->setProcessEnvironment(e);
        p->start(QCoreApplication::applicationDirPath() + QLatin1Char('/') + program, args);
        return p;
    }
    Run finish(QProcess* p, const QElapsedTimer& since) {
        EXPECT_TRUE(p->waitForFinished(120000));
        Run r{p->exitCode(), QString::fromLocal8Bit(p->readAllStandardError()), since.elapsed()};
        delete p;
        return r;
    }
    long long rows(const char* table) {
        return db().scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE DOC_ID_D = ? AND PERIODO = '2015'")
                               .arg(QLatin1String(table)), {kRuc}).toLongLong();
    }
    long long reference() {
        return db().scalar(QStringLiteral("SELECT (SELECT count(*) FROM PARAM) + (SELECT count(*) FROM ENVIO_T) + "
                                          "(SELECT count(*) FROM TIP_VIN) + (SELECT count(*) FROM PARAISO_FISCAL) + "
                                          "(SELECT count(*) FROM reportes)")).toLongLong();
    }

    QTemporaryDir runDir;
};

// One run's outcome: completed without a word, or stopped with one message.
void expectCompletedOrOneMessage(const char* who, int completed, const QString& err, int status) {
    SCOPED_TRACE(who);
    if (status == completed) {
        EXPECT_TRUE(err.isEmpty()) << err.toStdString();
        return;
    }
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err.count(QStringLiteral("3051")) + err.count(QStringLiteral("otro programa")), 1) << err.toStdString();
}

TEST_F(SharedDatabase, SaveInstallerAndSummaryAtOnceLoseAndDoubleNothing) {
    party(QStringLiteral("P1"));
    working(1, kStored);
    DeclarationState st = state();
    st.modified = true;
    ASSERT_TRUE(grabarDeclaracion(ctx(), st).ok);
    const long long referenceRows = reference();

    // First all three at once; then the two programs once the save holds the write lock, so they
    // wait for it.
    for (const bool whileWriting : {false, true}) {
        SCOPED_TRACE(whileWriting ? "started while the save writes" : "started at once");
        const long long before = rows("TRANSACCION2");
        db().exec(QStringLiteral("DELETE FROM TMPTRANSACCION2"));
        db().exec(QStringLiteral("DELETE FROM TMPTRATIPTRA"));
        working(1, before + kAdded);
        const QString number = whileWriting ? QStringLiteral("0000002") : QStringLiteral("0000001");
        const QString line = QStringLiteral("06") + kRuc.leftJustified(15) + QStringLiteral("8027201500A") + number;

        QElapsedTimer since;
        since.start();
        std::promise<void> writing;
        std::once_flag once;
        Run save;
        std::thread qm8027([&] {
            // A total of rows is reported once the save writes (the checks report none).
            save = saveElsewhere(st, [&](qint64, qint64 total) {
                if (total > 0) std::call_once(once, [&] { writing.set_value(); });
            });
            std::call_once(once, [&] { writing.set_value(); });
        });
        if (whileWriting) writing.get_future().wait();
        QProcess* act = start(QStringLiteral("act8027"), {});
        QProcess* rep = start(QStringLiteral("8027REP"), {line});
        const Run installer = finish(act, since);
        const Run summary = finish(rep, since);
        qm8027.join();
        std::printf("save %d in %lld ms %s\nact8027 %d in %lld ms %s\n8027REP %d in %lld ms %s\n", save.status,
                    save.ms, qPrintable(save.err), installer.status, installer.ms, qPrintable(installer.err),
                    summary.status, summary.ms, qPrintable(summary.err));

        expectCompletedOrOneMessage("QM8027", 0, save.err, save.status);
        expectCompletedOrOneMessage("act8027", 0, installer.err, installer.status);
        expectCompletedOrOneMessage("8027REP", 0, summary.err, summary.status);
        if (whileWriting) {
            EXPECT_EQ(save.status, 0) << "nothing took the lock from the save";
        }

        // The stored declaration is the old one or the new one, whole, each row once.
        const long long stored = save.status == 0 ? before + kAdded : before;
        EXPECT_EQ(rows("TRANSACCION2"), stored);
        EXPECT_EQ(rows("TRATIPTRA2"), stored);
        EXPECT_EQ(db().scalar(QStringLiteral("SELECT count(DISTINCT COR_TRANSACCION) FROM TRANSACCION2")).toLongLong(),
                  stored);
        EXPECT_EQ(db().scalar(QStringLiteral("SELECT count(*) FROM CAB WHERE DOC_ID_D = ?"), {kRuc}).toInt(), 1);
        EXPECT_EQ(reference(), referenceRows) << "the installer adds its reference rows once";
        // The summary counted the old or the new declaration, and registered itself once.
        EXPECT_EQ(db().scalar(QStringLiteral("SELECT count(*) FROM SPOOL WHERE CodRep = 'PTR001' AND Archivo IN "
                                             "(SELECT Archivo FROM SPOOL ORDER BY Archivo DESC LIMIT 1)")).toInt(),
                  summary.status == 0 ? 1 : 0);
        if (summary.status == 0) {
            QFile text(ctx().gSysPath + QStringLiteral("tmp/8027201500A") + number + QStringLiteral(".TXT"));
            ASSERT_TRUE(text.open(QIODevice::ReadOnly));
            const QByteArray all = text.readAll();
            const auto counted = [](long long n) {
                return "NUM. TRANSACS  : " + fmt::format(static_cast<double>(n), QStringLiteral("###,###,##0")).toLatin1();
            };
            EXPECT_TRUE(all.contains(counted(before)) || all.contains(counted(before + kAdded))) << all.constData();
        }
    }
}

}  // namespace
}  // namespace klv::test
