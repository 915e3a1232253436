// The declaration's bulk work on declarations of many transactions, each measured against the
// same work done raw with SQLite on the same data, in the same process and on the same
// connection: the save, the rebuild of the working copy, the totals and the three amount checks,
// opening a stored declaration in the declaration form, and the declaration chooser.
//
// Every iteration runs the project's operation, then its raw baseline; the reported time is the
// operation's, and the counters give the baseline's time (raw_ms), the ratio of the two
// (ratio = operation / baseline), and the peak resident memory of the process while each ran
// (peak_MiB, raw_peak_MiB; Linux's high-water mark, reset before each run).
//   build: cmake -DCMAKE_BUILD_TYPE=Release -DKLV_BUILD_BENCH=ON ... && cmake --build . --target declaration_bench
//   run:   bin/declaration_bench [--benchmark_filter=Save/100000] [--benchmark_repetitions=3]
//          scripts/bench runs each benchmark and size in a process of its own and prints medians.
//          KLV_BENCH_KEEP=1 leaves the data on disk (its folder is printed) to look at query plans.
#include "amount_checks.h"
#include "app_context.h"
#include "database.h"
#include "declaration_save.h"
#include "frm_cont_abrir.h"
#include "frm_klv_declara.h"
#include "host_env.h"
#include "installer.h"
#include "status_panels.h"
#include "totals.h"
#include "utilitarios.h"
#include "working_copy.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <sqlite3.h>
#include <stdexcept>

namespace {

using namespace klv;
using Clock = std::chrono::steady_clock;

const char* const kRuc = host::kDemoRucEmpresa;
const char* const kPeriodo = "2015";

// --- Measuring ----------------------------------------------------------------------------------

// Resets the process's resident-memory high-water mark to its current size.
void resetPeakMemory() {
    if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

// The high-water mark in MiB (0 where the system does not tell).
double peakMemoryMiB() {
    double kib = 0;
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::strncmp(line, "VmHWM:", 6) == 0) kib = std::atof(line + 6);
        std::fclose(f);
    }
    return kib / 1024.0;
}

// Runs the operation and its baseline once per iteration; reports the operation's time and the
// counters described at the top.
void compare(benchmark::State& state, const std::function<void()>& ours, const std::function<void()>& raw) {
    double oursSeconds = 0, rawSeconds = 0, peak = 0, rawPeak = 0;
    for (auto _ : state) {
        resetPeakMemory();
        const auto t0 = Clock::now();
        ours();
        const auto t1 = Clock::now();
        peak = std::max(peak, peakMemoryMiB());
        resetPeakMemory();
        const auto t2 = Clock::now();
        raw();
        const auto t3 = Clock::now();
        rawPeak = std::max(rawPeak, peakMemoryMiB());
        const double o = std::chrono::duration<double>(t1 - t0).count();
        state.SetIterationTime(o);
        oursSeconds += o;
        rawSeconds += std::chrono::duration<double>(t3 - t2).count();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["raw_ms"] = rawSeconds / n * 1000.0;
    state.counters["ratio"] = rawSeconds > 0 ? oursSeconds / rawSeconds : 0;
    state.counters["peak_MiB"] = peak;
    state.counters["raw_peak_MiB"] = rawPeak;
}

// --- Raw SQLite ------------------------------------------------------------------------------------

void rawExec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string text = error ? error : "sqlite error";
        sqlite3_free(error);
        throw std::runtime_error(text + " in " + sql);
    }
}

// Steps through a query reading every column of every row as text, as a hand-written C loop
// would; returns the bytes read so that nothing is optimised away.
long long rawReadAll(sqlite3* db, const char* sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db));
    long long bytes = 0;
    const int columns = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW)
        for (int i = 0; i < columns; ++i) {
            const unsigned char* t = sqlite3_column_text(st, i);
            if (t) bytes += sqlite3_column_bytes(st, i) + t[0];
        }
    sqlite3_finalize(st);
    return bytes;
}

// A raw prepared insert, bound by position.
class RawInsert {
public:
    RawInsert(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &st_, nullptr) != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db));
    }
    ~RawInsert() { sqlite3_finalize(st_); }
    RawInsert& text(int i, const QByteArray& v) {
        sqlite3_bind_text(st_, i, v.constData(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    RawInsert& integer(int i, qint64 v) {
        sqlite3_bind_int64(st_, i, v);
        return *this;
    }
    void run() {
        if (sqlite3_step(st_) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(sqlite3_db_handle(st_)));
        sqlite3_reset(st_);
    }

private:
    sqlite3_stmt* st_ = nullptr;
};

// --- The environment ---------------------------------------------------------------------------

class Quiet : public MessageService {
public:
    // Yes to every question, OK to the rest.
    int show(const QString&, int style, const QString&) override {
        return (style & 0xF) == MsgStyle::YesNo ? MsgAnswer::Yes : defaultAnswerOfStyle(style);
    }
};

// A laid host environment with the module installed (tables and reference data), as the programs
// find it.
struct Environment {
    virtual ~Environment() = default;
    QTemporaryDir dir;
    Quiet messages;
    FixedClock clock{QDate(2026, 12, 8)};
    StatusPanels panels;
    Utilitarios util;
    AppContext ctx;

    Environment() {
        // KLV_BENCH_KEEP=1 keeps the database for a look at the query plans afterwards.
        if (qEnvironmentVariableIntValue("KLV_BENCH_KEEP") == 1) {
            dir.setAutoRemove(false);
            std::fprintf(stderr, "bench data in %s\n", qPrintable(dir.path()));
        }
        QString error;
        if (!host::initEnvironment(dir.path(), &error)) throw std::runtime_error(error.toStdString());
        qputenv("KLV_WINDIR", host::winDirOf(dir.path()).toLocal8Bit());
        ctx.gSysPath = host::sysPathOf(dir.path());
        ctx.gDBFile = ctx.gSysPath + QString::fromLatin1(host::kDbName);
        ctx.gSysUser = QString::fromLatin1(host::kDemoUser);
        ctx.messages = &messages;
        ctx.clock = &clock;
        ctx.panels = &panels;
        ctx.gUtil = &util;
        ctx.gDB = Database::open(ctx.gDBFile);
        if (!installer::writeEnvFile(ctx.gSysPath, &error)) throw std::runtime_error(error.toStdString());
        installer::Installer inst(messages);
        if (!inst.run(*ctx.gDB, ctx.gSysPath)) throw std::runtime_error("installer failed");
    }
    sqlite3* raw() const { return ctx.db().sqliteHandle(); }
};

// One declaration of n transactions (a third each without method, by traditional methods and by
// other methods, two transaction types each; a hundred transactions per party) stored and
// copied into the working tables, with its header, status row and parties.
struct DeclarationData : Environment {
    explicit DeclarationData(int n) {
        sqlite3* db = raw();
        rawExec(db, "BEGIN");
        RawInsert t(db,
                    "INSERT INTO TRANSACCION2 (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P, COR_TRANSACCION,"
                    " FLAG_VAL_MET, IND_TRANSAC_FIN, COD_TIP_MONEDA, MTO_SIN_TRAN_MON_ORI, MTO_SIN_TRAN_MON_REG,"
                    " MTO_TRAN_MON_ORI, MTO_SIN_AJU_PR, MTO_AJU_PR, MTO_TRA_MON_ORI, MTO_TRA_MON_REG, MTO_AJU_RES_POS_REG,"
                    " MTO_AJU_RES_NEG_REG, MET_VAL, PAR_ANALIZADA, CNUMERO)"
                    " VALUES (6, ?1, ?2, '8027', 6, ?3, ?4, ?5, '0', '01', ?6, ?6, ?6, ?6, ?7, ?6, ?7, '0', '0', 'MP', 'A', '666666')");
        RawInsert y(db, "INSERT INTO TRATIPTRA2 (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P,"
                        " COR_TRANSACCION, COD_TIP_TRANSACCION, MONTO_TRANSACCION, CNUMERO)"
                        " VALUES (6, ?1, ?2, '8027', 6, ?3, ?4, ?5, ?6, '666666')");
        RawInsert p(db, "INSERT INTO PAR_VIN (TIP_DOC_D, DOC_ID_D, FORMULARIO, TIP_DOC_P, DOC_ID_P, COD_PAR, FLAG_PAR_FIS,"
                        " COD_NAT_JUR, FLAG_PAR_VIN, FLAG_CON_DOM, RAZON_SOCIAL, CNUMERO)"
                        " VALUES (6, ?1, '8027', 6, ?2, '9589', '0', '2', '01', '01', ?3, '666666')");
        const QByteArray ruc(kRuc), periodo(kPeriodo);
        for (int i = 0; i < n; ++i) {
            const QByteArray party = QByteArray::number(20100000000LL + i / 100);
            const int cor = i % 100 + 1;
            const QByteArray amount = QByteArray::number(1000 + i % 997);
            const QByteArray adjusted = QByteArray::number(1100 + i % 991);
            const char* flag = i % 3 == 0 ? "00" : i % 3 == 1 ? "01" : "02";
            if (cor == 1)
                p.text(1, ruc).text(2, party).text(3, "INFORMADO " + QByteArray::number(n - i) + " S.A.").run();
            t.text(1, ruc).text(2, periodo).text(3, party).integer(4, cor).text(5, flag).text(6, amount).text(7, adjusted).run();
            for (const char* code : {"05", "07"})
                y.text(1, ruc).text(2, periodo).text(3, party).integer(4, cor).text(5, code).text(6, amount).run();
        }
        rawExec(db, "INSERT INTO TMPTRANSACCION2 SELECT * FROM TRANSACCION2");
        rawExec(db, "INSERT INTO TMPTRATIPTRA SELECT * FROM TRATIPTRA2");
        rawExec(db, "INSERT INTO IDENTIFICA2 (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, AUTCONTEXT, ESTTECPT, RUC, CNUMERO)"
                    " VALUES (6, '20601234565', '2015', '8027', '0', '0', '', '666666')");
        rawExec(db, "INSERT INTO CAB (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, NROCHEQUE, FEC_PRO, ESTADO, RECTIFICA, CNUMERO)"
                    " VALUES (6, '20601234565', '2015', '8027', '1.4', '01/01/2016', 0, '0', '666666')");
        rawExec(db, "COMMIT");
        rawExec(db, "ANALYZE");
    }

    DeclarationKey key() const { return DeclarationKey{6, QString::fromLatin1(kRuc), QString::fromLatin1(kPeriodo), QStringLiteral("8027")}; }
    DeclarationState state() const {
        DeclarationState st;
        st.cboNumDoc = QString::fromLatin1(kRuc) + QStringLiteral(" - EMPRESA DEMOSTRACION S.A.C.");
        st.razonSocial = QStringLiteral("EMPRESA DEMOSTRACION S.A.C.");
        st.periodo = QString::fromLatin1(kPeriodo);
        st.answer1 = QStringLiteral("0");
        st.answer2 = QStringLiteral("0");
        st.mode = kModoModificar;
        return st;
    }
};

// n stored declarations (ten periods of each declarant) for the chooser.
struct ChooserData : Environment {
    explicit ChooserData(int n) {
        sqlite3* db = raw();
        rawExec(db, "BEGIN");
        RawInsert c(db, "INSERT OR IGNORE INTO CONT (Tip_doc_d, Doc_id_d, Dependencia, Nombre, Usuario, TIPO_INGRESO)"
                        " VALUES (6, ?1, '0021', ?2, 'DEMO', 1)");
        RawInsert d(db, "INSERT INTO IDENTIFICA2 (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, AUTCONTEXT, ESTTECPT, RUC, CNUMERO)"
                        " VALUES (6, ?1, ?2, '8027', ?3, ?4, '', '666666')");
        for (int i = 0; i < n; ++i) {
            const QByteArray ruc = QByteArray::number(20500000000LL + i / 10);
            if (i % 10 == 0) c.text(1, ruc).text(2, "CONTRIBUYENTE " + QByteArray::number(i / 10) + " S.A.C.").run();
            d.text(1, ruc).text(2, QByteArray::number(2006 + i % 10)).text(3, i % 2 ? "1" : "0").text(4, i % 3 ? "1" : "0").run();
        }
        rawExec(db, "COMMIT");
        rawExec(db, "ANALYZE");
    }
};

// Building data of 400,000 rows takes a while: the last one is kept for the repetitions (and
// released before the application ends).
std::unique_ptr<Environment> g_kept;
int g_keptSize = -1;

template <class Data>
Data& data(int n) {
    auto* d = dynamic_cast<Data*>(g_kept.get());
    if (!d || g_keptSize != n) {
        g_kept.reset();
        auto made = std::make_unique<Data>(n);
        d = made.get();
        g_kept = std::move(made);
        g_keptSize = n;
    }
    return *d;
}

// --- The raw baselines ---------------------------------------------------------------------------

// The declaration's rows copied back into the stored tables with plain INSERT ... SELECT.
void rawSave(sqlite3* db) {
    rawExec(db, "BEGIN IMMEDIATE");
    rawExec(db, "DELETE FROM TRANSACCION2 WHERE TIP_DOC_D=6 AND DOC_ID_D='20601234565' AND PERIODO='2015'");
    rawExec(db, "INSERT INTO TRANSACCION2 SELECT * FROM TMPTRANSACCION2 WHERE TIP_DOC_D=6 AND DOC_ID_D='20601234565'"
                " AND PERIODO='2015'");
    rawExec(db, "DELETE FROM TRATIPTRA2 WHERE TIP_DOC_D=6 AND DOC_ID_D='20601234565' AND PERIODO='2015'");
    rawExec(db, "INSERT INTO TRATIPTRA2 SELECT * FROM TMPTRATIPTRA WHERE TIP_DOC_D=6 AND DOC_ID_D='20601234565'"
                " AND PERIODO='2015'");
    rawExec(db, "COMMIT");
}

// The three working tables emptied and filled from the stored ones with plain INSERT ... SELECT:
// the transactions, their types, and the types of the transactions valued by other methods with
// their descriptions.
void rawRebuild(sqlite3* db) {
    rawExec(db, "BEGIN IMMEDIATE");
    rawExec(db, "DELETE FROM TMPTRANSACCION2");
    rawExec(db, "INSERT INTO TMPTRANSACCION2 SELECT * FROM TRANSACCION2 WHERE TIP_DOC_D=6 AND DOC_ID_D='20601234565'"
                " AND PERIODO='2015' AND FORMULARIO='8027'");
    rawExec(db, "DELETE FROM TMPTRATIPTRA");
    rawExec(db, "INSERT INTO TMPTRATIPTRA SELECT TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P,"
                " COR_TRANSACCION, COD_TIP_TRANSACCION, MONTO_TRANSACCION, NULL FROM TRATIPTRA2 WHERE TIP_DOC_D=6"
                " AND DOC_ID_D='20601234565' AND PERIODO='2015' AND FORMULARIO='8027'");
    rawExec(db, "DELETE FROM TMPTRADET");
    rawExec(db, "INSERT INTO TMPTRADET SELECT Y.TIP_DOC_D, Y.DOC_ID_D, Y.PERIODO, Y.FORMULARIO, Y.TIP_DOC_P, Y.DOC_ID_P,"
                " Y.COR_TRANSACCION, Y.COD_TIP_TRANSACCION, COALESCE(substr(P.FUNCION, 1, 70), ''), Y.MONTO_TRANSACCION, NULL"
                " FROM TRATIPTRA2 Y JOIN TRANSACCION2 X ON X.TIP_DOC_D=Y.TIP_DOC_D AND X.DOC_ID_D=Y.DOC_ID_D"
                " AND X.PERIODO=Y.PERIODO AND X.FORMULARIO=Y.FORMULARIO AND X.TIP_DOC_P=Y.TIP_DOC_P AND X.DOC_ID_P=Y.DOC_ID_P"
                " AND X.COR_TRANSACCION=Y.COR_TRANSACCION LEFT JOIN PARAM P ON P.NUMERO='395'"
                " AND P.ARGUMENTO=Y.COD_TIP_TRANSACCION WHERE Y.TIP_DOC_D=6 AND Y.DOC_ID_D='20601234565'"
                " AND Y.PERIODO='2015' AND Y.FORMULARIO='8027' AND X.FLAG_VAL_MET='02'"
                " AND Y.COD_TIP_TRANSACCION NOT IN ('12','34')");
    rawExec(db, "COMMIT");
}

// The grid's own query, every column read.
long long rawGridQuery(sqlite3* db) {
    return rawReadAll(db,
                      "SELECT TIP_DOC_P, DOC_ID_P, COR_TRANSACCION, FLAG_VAL_MET, COD_TIP_MONEDA,"
                      " CASE WHEN FLAG_VAL_MET='00' AND IND_TRANSAC_FIN='0' THEN MTO_SIN_TRAN_MON_ORI"
                      " WHEN FLAG_VAL_MET='00' AND IND_TRANSAC_FIN='1' THEN MTO_SIN_INTS_MON_ORI"
                      " WHEN FLAG_VAL_MET='01' AND IND_TRANSAC_FIN='0' THEN MTO_TRAN_MON_ORI"
                      " WHEN FLAG_VAL_MET='01' AND IND_TRANSAC_FIN='1' THEN MTO_INTS_MON_ORI"
                      " WHEN FLAG_VAL_MET='02' AND IND_TRANSAC_FIN='0' THEN MTO_TRA_MON_ORI"
                      " ELSE MTO_TOT_INTS_MON_ORI END FROM TMPTRANSACCION2 WHERE TIP_DOC_D=6"
                      " AND DOC_ID_D='20601234565' AND PERIODO='2015' AND FLAG_VAL_MET IN ('00','01','02')"
                      " AND IND_TRANSAC_FIN IN ('0','1')");
}

// --- The benchmarks --------------------------------------------------------------------------------

void Save(benchmark::State& state) {
    DeclarationData& d = data<DeclarationData>(static_cast<int>(state.range(0)));
    const DeclarationState st = d.state();
    compare(state, [&] { escribirDeclaracion(d.ctx, st, 0); }, [&] { rawSave(d.raw()); });
}

void Rebuild(benchmark::State& state) {
    DeclarationData& d = data<DeclarationData>(static_cast<int>(state.range(0)));
    compare(state, [&] { udp_CargarTemps(d.ctx, d.key()); }, [&] { rawRebuild(d.raw()); });
}

void TotalsAndChecks(benchmark::State& state) {
    DeclarationData& d = data<DeclarationData>(static_cast<int>(state.range(0)));
    const DeclarationKey key = d.key();
    compare(
        state,
        [&] {
            benchmark::DoNotOptimize(upd_TotalizarMtoTransacc(d.ctx, 6, key.periodo, key.docIdD, QString()));
            benchmark::DoNotOptimize(udf_Verificar_Montos(d.ctx, key));
            benchmark::DoNotOptimize(udf_Verificar_Metodos_Montos(d.ctx, key));
            benchmark::DoNotOptimize(udf_Verificar_Detalle_Montos(d.ctx, key));
        },
        [&] {
            benchmark::DoNotOptimize(rawReadAll(d.raw(), "SELECT * FROM TMPTRANSACCION2 WHERE TIP_DOC_D=6"
                                                         " AND DOC_ID_D='20601234565' AND PERIODO='2015' AND FORMULARIO='8027'"));
        });
}

// The declaration form opened on the stored declaration as the chooser opens it, until it is shown
// (load, then the activation that follows the show).
void OpenStored(benchmark::State& state) {
    DeclarationData& d = data<DeclarationData>(static_cast<int>(state.range(0)));
    d.ctx.gAccion = 1;
    const DeclarationKey key = d.key();
    compare(
        state,
        [&] {
            Frm_KLV_Declara form(d.ctx);
            form.udp_DefCaller(QStringLiteral("FrmContAbrir"));
            form.Form_Load(&key);
            form.Form_Activate();
        },
        [&] {
            rawRebuild(d.raw());
            benchmark::DoNotOptimize(rawGridQuery(d.raw()));
        });
}

void Chooser(benchmark::State& state) {
    ChooserData& d = data<ChooserData>(static_cast<int>(state.range(0)));
    d.ctx.gAccion = 1;
    compare(
        state,
        [&] {
            FrmContAbrir chooser(d.ctx);
            benchmark::DoNotOptimize(chooser.rowCount());
        },
        [&] {
            benchmark::DoNotOptimize(rawReadAll(
                d.raw(), "SELECT I.TIP_DOC_D, I.DOC_ID_D, I.PERIODO, C.NOMBRE AS RAZON_SOCIAL, I.AUTCONTEXT, I.ESTTECPT,"
                         " I.FORMULARIO FROM IDENTIFICA2 I, CONT C WHERE I.TIP_DOC_D=C.TIP_DOC_D AND I.DOC_ID_D=C.DOC_ID_D"
                         " ORDER BY I.TIP_DOC_D, I.DOC_ID_D, I.PERIODO, I.FORMULARIO"));
        });
}

void sizes(benchmark::internal::Benchmark* b, std::initializer_list<int> ns) {
    for (int n : ns) b->Arg(n);
    b->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
}

BENCHMARK(Save)->Apply([](auto* b) { sizes(b, {10000, 100000, 400000}); });
BENCHMARK(Rebuild)->Apply([](auto* b) { sizes(b, {10000, 100000, 400000}); });
BENCHMARK(TotalsAndChecks)->Apply([](auto* b) { sizes(b, {10000, 100000, 400000}); });
BENCHMARK(OpenStored)->Apply([](auto* b) { sizes(b, {10000, 100000, 400000}); });
BENCHMARK(Chooser)->Apply([](auto* b) { sizes(b, {10000, 50000}); });

}  // namespace

int main(int argc, char** argv) {
    useOffscreenWhenHeadless();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_kept.reset();
    return 0;
}
