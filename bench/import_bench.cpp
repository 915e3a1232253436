// The transaction file import on a large file: N valid lines (parties in place) imported into the
// working tables, against the same rows inserted raw (prepared statements, one transaction), in
// the same run and on the same connection. Each iteration runs the import, then the raw inserts;
// the reported time is the import's, and the counters give the raw inserts' time (raw_ms), the
// ratio of the two by the clock (ratio) and by processor time (cpu_ratio: less disturbed by other
// programs on the machine, blind to waiting for the disk), and the peak resident memory of the
// process while each ran (peak_MiB, raw_peak_MiB; Linux's high-water mark, reset before each run).
// The import streams the file and keeps only counters and small caches: what grows with N is
// SQLite's page cache (bounded by the connection), which the raw inserts then reuse. Hence two more
// counters of the import: the highest memory SQLite held (sqlite_MiB) and the highest heap the
// program held outside it (own_MiB, looked at every 1,000 lines).
//   build: cmake -DCMAKE_BUILD_TYPE=Release -DKLV_BUILD_BENCH=ON ... && cmake --build . --target import_bench
//   run:   one size per process, repeated, for instance
//          bin/import_bench --benchmark_filter=/100000 --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "app_context.h"
#include "database.h"
#include "import_core.h"
#include "schema.h"
#include "utilitarios.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <ctime>
#include <fstream>
#include <malloc.h>
#include <sqlite3.h>
#include <unistd.h>
#include <string>

namespace {

using namespace klv;

const QString kRuc = QStringLiteral("20601234565");
constexpr int kParties = 1000;

class NullMessages : public MessageService {
public:
    int show(const QString&, int style, const QString&) override { return defaultAnswerOfStyle(style); }
};

// Resets the process's resident-memory high-water mark to its current size, and SQLite's.
void resetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
    sqlite3_int64 current = 0, highest = 0;
    sqlite3_status64(SQLITE_STATUS_MEMORY_USED, &current, &highest, 1);
}

// A line of /proc/self/status in MiB ("VmHWM", the high-water mark, or "VmRSS"; 0 where the
// system does not tell).
double statusMiB(const char* key) {
    std::ifstream status("/proc/self/status");
    const std::string prefix = std::string(key) + ":";
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0) return std::stod(line.substr(prefix.size())) / 1024.0;
    return 0;
}

// The memory SQLite holds now and its high-water mark, in MiB.
std::pair<double, double> sqliteMiB() {
    sqlite3_int64 current = 0, highest = 0;
    sqlite3_status64(SQLITE_STATUS_MEMORY_USED, &current, &highest, 0);
    return {static_cast<double>(current) / (1024.0 * 1024.0), static_cast<double>(highest) / (1024.0 * 1024.0)};
}

// The heap the program holds now outside SQLite's share, in MiB.
double ownHeapMiB() {
    const struct mallinfo2 m = mallinfo2();
    return static_cast<double>(m.uordblks + m.hblkhd) / (1024.0 * 1024.0) - sqliteMiB().first;
}

// Wall-clock and processor time at one moment, in seconds.
struct Moment {
    double wall, cpu;
    static Moment now() {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return {std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(),
                static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9};
    }
};

QString party(int i) { return QStringLiteral("P%1").arg(i, 7, 10, QLatin1Char('0')); }

struct Fixture {
    QTemporaryDir dir;
    AppContext ctx;
    NullMessages messages;
    FixedClock clock{QDate(2026, 12, 8)};
    Utilitarios util;

    Fixture() {
        const QString file = dir.filePath(QStringLiteral("bench.db"));
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.close();
        ctx.gDB = Database::open(file);
        ctx.messages = &messages;
        ctx.clock = &clock;
        ctx.gUtil = &util;
        ctx.gRptPath = dir.filePath(QStringLiteral("RPT"));
        Database& db = ctx.db();
        for (const auto& t : schema::moduleTables()) db.exec(schema::createStatement(t));
        for (const auto& t : schema::hostTables())
            if (!db.tableExists(t.name)) db.exec(schema::createStatement(t));
        db.exec(QStringLiteral("CREATE TABLE Error (coderror TEXT, DescError TEXT)"));
        Transaction tx(db);
        db.exec(QStringLiteral("INSERT INTO PARAM (Numero, Argumento, Funcion) VALUES ('883', '001', 'SOLES')"));
        QSqlQuery p = db.prepare(QStringLiteral(
            "INSERT INTO PAR_VIN (tip_doc_d, doc_id_d, formulario, tip_doc_p, doc_id_p, cod_par, flag_par_fis, "
            "cod_nat_jur, flag_par_vin, flag_con_dom, razon_social, cnumero) "
            "VALUES (6, ?, '8027', 6, ?, '9589', '0', '2', '01', '01', 'PARTE', '000000')"));
        for (int i = 0; i < kParties; ++i) db.run(p, {kRuc, party(i)});
        tx.commit();
    }

    // A file of n "00" lines without method, one type each, spread over the parties.
    QString file(int n) {
        const QString path = dir.filePath(QStringLiteral("%1.TXT").arg(n));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        for (int i = 0; i < n; ++i) {
            QStringList fields(149);
            fields[0] = QStringLiteral("06");
            fields[1] = party(i % kParties);
            fields[2] = QStringLiteral("00");
            fields[3] = QStringLiteral("0");
            fields[4] = QStringLiteral("01");
            fields[6] = fields[7] = QString::number(1000 + i);
            for (int k = 43; k <= 87; ++k) fields[k - 1] = QStringLiteral("0");
            fields[42] = QStringLiteral("1");
            f.write((fields.join(QLatin1Char('|')) + QStringLiteral("|\r\n")).toLatin1());
        }
        // On the disk before anything is timed: its write-back would otherwise fall in the import.
        f.flush();
        ::fsync(f.handle());
        return path;
    }

    void clear() {
        ctx.db().exec(QStringLiteral("DELETE FROM TMPTRANSACCION2"));
        ctx.db().exec(QStringLiteral("DELETE FROM TMPTRATIPTRA"));
    }

    // Imports the file; `ownHeap` takes the highest heap outside SQLite's share, looked at every
    // 1,000 lines.
    long importFile(const QString& path, double& ownHeap) {
        import::ImportRequest req;
        req.kind = import::ImportKind::Transacciones2012;
        req.ruc = kRuc;
        req.periodo = QStringLiteral("2015");
        req.answer1 = QStringLiteral("1");
        req.answer2 = QStringLiteral("0");
        req.filePath = path;
        req.rptPath = ctx.gRptPath;
        return import::ejecutarImportacion(ctx, req,
                                           [&ownHeap](const import::ImportProgress& p) {
                                               if (p.lineas % 1000 == 0) ownHeap = std::max(ownHeap, ownHeapMiB());
                                               return true;
                                           })
            .counts.transferidos;
    }

    // The same rows, raw.
    void raw(int n) {
        Database& db = ctx.db();
        Transaction tx(db);
        QSqlQuery t = db.prepare(QStringLiteral(
            "INSERT INTO TMPTRANSACCION2 (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P, "
            "COR_TRANSACCION, FLAG_VAL_MET, IND_TRANSAC_FIN, COD_TIP_MONEDA, MTO_SIN_TRAN_MON_ORI, "
            "MTO_SIN_TRAN_MON_REG, CNUMERO) VALUES (6, ?, '2015', '8027', 6, ?, ?, '00', '0', '01', ?, ?, '666666')"));
        QSqlQuery y = db.prepare(QStringLiteral(
            "INSERT INTO TMPTRATIPTRA (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P, "
            "COR_TRANSACCION, COD_TIP_TRANSACCION, MONTO_TRANSACCION, CNUMERO) "
            "VALUES (6, ?, '2015', '8027', 6, ?, ?, '01', '', '666666')"));
        for (int i = 0; i < n; ++i) {
            const QString amount = QString::number(1000 + i);
            const int cor = i / kParties + 1;
            db.run(t, {kRuc, party(i % kParties), cor, amount, amount});
            db.run(y, {kRuc, party(i % kParties), cor});
        }
        tx.commit();
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_ImportTransactions(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Fixture& fx = fixture();
    const QString path = fx.file(n);
    // The database file grown once to hold the rows, untimed: else the first import alone would
    // pay for growing it and the raw inserts after it would reuse its free pages.
    fx.clear();
    fx.raw(n);
    double wall = 0, rawWall = 0, cpu = 0, rawCpu = 0, peak = 0, rawPeak = 0, sqlitePeak = 0, ownHeap = 0;
    for (auto _ : state) {
        fx.clear();
        resetPeakMemory();
        const Moment t0 = Moment::now();
        const long added = fx.importFile(path, ownHeap);
        const Moment t1 = Moment::now();
        peak = std::max(peak, statusMiB("VmHWM"));
        sqlitePeak = std::max(sqlitePeak, sqliteMiB().second);
        if (added != n) state.SkipWithError("lines rejected");
        fx.clear();
        resetPeakMemory();
        const Moment t2 = Moment::now();
        fx.raw(n);
        const Moment t3 = Moment::now();
        rawPeak = std::max(rawPeak, statusMiB("VmHWM"));
        state.SetIterationTime(t1.wall - t0.wall);
        wall += t1.wall - t0.wall;
        cpu += t1.cpu - t0.cpu;
        rawWall += t3.wall - t2.wall;
        rawCpu += t3.cpu - t2.cpu;
    }
    state.counters["raw_ms"] = rawWall / static_cast<double>(state.iterations()) * 1000.0;
    state.counters["ratio"] = rawWall > 0 ? wall / rawWall : 0;
    state.counters["cpu_ratio"] = rawCpu > 0 ? cpu / rawCpu : 0;
    state.counters["peak_MiB"] = peak;
    state.counters["raw_peak_MiB"] = rawPeak;
    state.counters["sqlite_MiB"] = sqlitePeak;
    state.counters["own_MiB"] = ownHeap;
}
BENCHMARK(BM_ImportTransactions)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
