// 8027REP's whole run as the host starts it (a process of its own, its command line, the stored
// declaration summarised into its files) against the same work done raw: bench/rep8027_raw.c, a C
// program over the sqlite3 library and POSIX files that reads QM000.INI for its folders and its
// database, runs the same queries and writes the same files, started the same way (its command
// line, its one argument). Once, the bench checks that both write the same markup file, twin, text
// and copy for the host, byte for byte but for the time of day. Declarations of N stored
// transactions (a third by each valuation method).
//
// The reported time is 8027REP's, from its start until it has ended; the counters give the raw
// program's time (raw_ms), the ratio of the two (ratio = 8027REP / raw), and the most resident
// memory each process held (peak_MiB, raw_peak_MiB: GNU time's maximum resident set, in one more
// run of each, not timed).
// The programs run on the bench's display when it has one (DISPLAY), else without one.
//   build: cmake -DCMAKE_BUILD_TYPE=Release -DKLV_BUILD_BENCH=ON ... &&
//          cmake --build . --target summary_report_bench 8027REP rep8027_raw
//   run:   bin/summary_report_bench [--benchmark_filter=Summary/100000] [--benchmark_repetitions=3]
//          KLV_BENCH_OTHER=path/8027REP also runs that build (an earlier one) in each iteration;
//          KLV_BENCH_KEEP=1 leaves the environment on disk (its folder is printed).
#include "database.h"
#include "host_env.h"
#include "message_service.h"

#include "event_loop.h"
#include "laid_environment.h"
#include "raw_sqlite.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <memory>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

using namespace klv;
using namespace klv::bench;

const char* const kRuc = host::kDemoRucEmpresa;
// Type, document (15), form, period ("00": the year), submission code and number; the base name of
// the twin, its text and the copy.
const char* const kLine = "0620601234565    8027201600A0000001";
const char* const kBase = "8027201600A0000001";

class Quiet : public MessageService {
public:
    int show(const QString&, int style, const QString&) override { return defaultAnswerOfStyle(style); }
};

// A laid host environment with the module installed and one stored declaration of n transactions.
struct SummaryData {
    QTemporaryDir dir;
    QString sysPath;

    explicit SummaryData(int n) {
        Quiet messages;
        const auto db = layEnvironment(dir, messages);
        qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
        sysPath = host::sysPathOf(dir.path());
        sqlite3* raw = db->sqliteHandle();
        rawExec(raw, "BEGIN");
        RawStatement t(raw,
                       "INSERT INTO TRANSACCION2 (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P,"
                       " COR_TRANSACCION, FLAG_VAL_MET, IND_TRANSAC_FIN, COD_TIP_MONEDA, MTO_SIN_TRAN_MON_REG,"
                       " MTO_SIN_AJU_PR, MTO_AJU_PR, MTO_TRA_MON_REG, MTO_AJU_RES_POS_REG, MTO_AJU_RES_NEG_REG, MET_VAL,"
                       " PAR_ANALIZADA, CNUMERO)"
                       " VALUES (6, ?1, '2016', '8027', 6, ?2, ?3, ?4, '0', '01', ?5, ?5, ?6, ?5, ?6, '0', 'MP', 'A',"
                       " '666666')");
        const QByteArray ruc(kRuc);
        for (int i = 0; i < n; ++i) {
            const char* flag = i % 3 == 0 ? "00" : i % 3 == 1 ? "01" : "02";
            t.text(1, ruc)
                .text(2, QByteArray::number(20100000000LL + i / 100))
                .integer(3, i % 100 + 1)
                .text(4, flag)
                .text(5, QByteArray::number(1000 + i % 997))
                .text(6, QByteArray::number(1100 + i % 991))
                .run();
        }
        rawExec(raw, "INSERT INTO CAB (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, NROCHEQUE, FEC_PRO, ESTADO, RECTIFICA,"
                     " CNUMERO) VALUES (6, '20601234565', '2016', '8027', '1.4', '01/01/2017', 0, '0', '666666')");
        rawExec(raw, "COMMIT");
        rawExec(raw, "ANALYZE");
    }

    // What the last run wrote: its markup file (the report folder's highest number), the twin, its
    // text and the copy for the host, one after the other; the time of day the markup shows is
    // left out (the two programs run seconds apart).
    QByteArray outputs() const {
        const QDir rpt(sysPath + QStringLiteral("RPT"));
        const QStringList markups = rpt.entryList({QStringLiteral("[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9].PRN")},
                                                  QDir::Files, QDir::Name);
        if (markups.isEmpty()) throw std::runtime_error("no markup file was written");
        QByteArray out;
        for (const QString& f : {rpt.filePath(markups.last()), rpt.filePath(QString::fromLatin1(kBase) + QStringLiteral(".PRN")),
                                 rpt.filePath(QString::fromLatin1(kBase) + QStringLiteral(".txt")),
                                 sysPath + QStringLiteral("TMP/") + QString::fromLatin1(kBase) + QStringLiteral(".TXT")}) {
            QFile file(f);
            if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("missing " + f.toStdString());
            out += file.readAll() + '\0';
        }
        const QByteArray time("pPos|300|600|");
        if (const qsizetype at = out.indexOf(time); at >= 0) out.replace(at + time.size(), 8, "hh:mm:ss");
        return out;
    }
};

// Starts a program with `args` in the bench's environment and waits for it; returns the seconds
// it took. Throws unless it ends with status 0.
double runProgram(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto t0 = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start " + args[0]);
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) throw std::runtime_error("lost " + args[0]);
    const auto t1 = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(args[0] + " failed with status " + std::to_string(status));
    return std::chrono::duration<double>(t1 - t0).count();
}

// The most resident memory the program held in a run of its own, in MiB, as GNU time reports it
// (a child started straight from the bench would count the bench's own memory, which it shares
// until it starts the program); 0 without /usr/bin/time.
double peakMiB(const std::vector<std::string>& args, const QString& folder) {
    if (!QFileInfo::exists(QStringLiteral("/usr/bin/time"))) return 0;
    const std::string out = (folder + QStringLiteral("/peak.txt")).toStdString();
    std::vector<std::string> timed{"/usr/bin/time", "-f", "%M", "-o", out};
    timed.insert(timed.end(), args.begin(), args.end());
    runProgram(timed);
    QFile f(QString::fromStdString(out));
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().toDouble() / 1024.0 : 0;
}

std::unique_ptr<SummaryData> g_kept;
int g_keptSize = -1;

void Summary(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    if (!g_kept || g_keptSize != n) {
        g_kept.reset();
        g_kept = std::make_unique<SummaryData>(n);
        g_keptSize = n;
    }
    const SummaryData& d = *g_kept;
    const std::string bin = QCoreApplication::applicationDirPath().toStdString() + "/";
    const std::vector<std::string> ours{bin + "8027REP", kLine};
    const std::vector<std::string> raw{bin + "rep8027_raw", kLine};
    // Once each: both find the declaration and write the same files (and the files are in the
    // system's cache for the timed runs).
    runProgram(ours);
    const QByteArray written = d.outputs();
    runProgram(raw);
    if (d.outputs() != written) throw std::runtime_error("the raw program writes other files than 8027REP");
    // KLV_BENCH_OTHER names another build of 8027REP (an earlier one) to run in the same
    // iterations: its ratio to the raw program is other_ratio.
    const QString otherPath = qEnvironmentVariable("KLV_BENCH_OTHER");
    const std::vector<std::string> other{otherPath.toStdString(), kLine};
    double oursSeconds = 0, rawSeconds = 0, otherSeconds = 0;
    for (auto _ : state) {
        if (!otherPath.isEmpty()) otherSeconds += runProgram(other);
        const double o = runProgram(ours);
        rawSeconds += runProgram(raw);
        state.SetIterationTime(o);
        oursSeconds += o;
    }
    state.counters["raw_ms"] = rawSeconds / static_cast<double>(state.iterations()) * 1000.0;
    state.counters["ratio"] = rawSeconds > 0 ? oursSeconds / rawSeconds : 0;
    if (!otherPath.isEmpty()) {
        state.counters["other_ratio"] = rawSeconds > 0 ? otherSeconds / rawSeconds : 0;
        state.counters["other_peak_MiB"] = peakMiB(other, d.dir.path());
    }
    state.counters["peak_MiB"] = peakMiB(ours, d.dir.path());
    state.counters["raw_peak_MiB"] = peakMiB(raw, d.dir.path());
}

BENCHMARK(Summary)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(9);

}  // namespace

int main(int argc, char** argv) { return klv::bench::benchmarkMain(argc, argv, [] { g_kept.reset(); }); }
