// The transaction file import on a large file: N valid lines (parties in place) imported into the
// working tables, against the same rows inserted raw (prepared statements, one transaction), in
// the same run. Prints the time of both, their ratio and the process's peak memory right after each
// import (the sizes run smallest first, the raw inserts after): the import streams the file and
// keeps only counters and small caches, so the peak grows only with SQLite's bounded page cache.
//   build: cmake -DKLV_BUILD_BENCH=ON ... && cmake --build . --target import_bench
//   run:   bin/import_bench
#include "app_context.h"
#include "database.h"
#include "import_core.h"
#include "schema.h"
#include "utilitarios.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <fstream>
#include <string>

namespace {

using namespace klv;

const QString kRuc = QStringLiteral("20601234565");
constexpr int kParties = 1000;

class NullMessages : public MessageService {
public:
    int show(const QString&, int style, const QString&) override { return defaultAnswerOfStyle(style); }
};

// Peak resident memory of the process in MiB (VmHWM).
double peakMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

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
        return path;
    }

    void clear() {
        ctx.db().exec(QStringLiteral("DELETE FROM TMPTRANSACCION2"));
        ctx.db().exec(QStringLiteral("DELETE FROM TMPTRATIPTRA"));
    }

    long importFile(const QString& path) {
        import::ImportRequest req;
        req.kind = import::ImportKind::Transacciones2012;
        req.ruc = kRuc;
        req.periodo = QStringLiteral("2015");
        req.answer1 = QStringLiteral("1");
        req.answer2 = QStringLiteral("0");
        req.filePath = path;
        req.rptPath = ctx.gRptPath;
        return import::ejecutarImportacion(ctx, req, [](const import::ImportProgress&) { return true; })
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
    double importSeconds = 0, rawSeconds = 0, peakAfterImport = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fx.clear();
        state.ResumeTiming();
        QElapsedTimer t;
        t.start();
        const long added = fx.importFile(path);
        importSeconds += t.nsecsElapsed() / 1e9;
        peakAfterImport = peakMiB();
        if (added != n) state.SkipWithError("lines rejected");
        state.PauseTiming();
        fx.clear();
        t.restart();
        fx.raw(n);
        rawSeconds += t.nsecsElapsed() / 1e9;
        state.ResumeTiming();
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["import_s"] = importSeconds / runs;
    state.counters["raw_s"] = rawSeconds / runs;
    state.counters["ratio"] = importSeconds / rawSeconds;
    state.counters["peak_MiB"] = peakAfterImport;
}
BENCHMARK(BM_ImportTransactions)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
