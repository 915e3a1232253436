// The declaration's bulk work on declarations of many transactions, each measured against the
// same work done raw with the sqlite3 library in the same process and on the same database file:
// Grabar and Validar (the buttons of the form showing the declaration), the rebuild of the working
// copy, the totals and amount checks, opening a stored declaration in the declaration form, the
// transactions grid, the declaration chooser, deleting a party, deleting a stored declaration
// (against declaration_delete_raw.c, the same deletes in C), and the declaration's print,
// written (against declaration_print_raw.c, the same steps in C) and painted into a PDF (against
// the same pages painted with QPainter alone). The raw sides compute the control numbers with
// the module's algorithm written plainly and parse every amount the checks read. The forms and the
// long works run as in QM8027, through the engine (its connection on its own thread); the raw
// sides and the logic measured without a form (rebuild, totals and checks, grid) use the bench's
// own connection on this thread.
//
// Every iteration runs the project's operation, then its raw baseline; the reported time is the
// operation's, and the counters give the baseline's time (raw_ms), the ratio of the two
// (ratio = operation / baseline), and how far each raised the process's resident memory above
// what it held when it began (peak_MiB, raw_peak_MiB: Linux's high-water mark, reset once the heap
// freed by earlier work is given back; the engine's page cache of at most 64 MB counts as it
// fills). The operations run in a form (Grabar, Validar, opening) also give the longest time they
// held the event loop (gap_ms: between two firings of a 10 ms timer, the longest of the
// iterations).
//   build: cmake -DCMAKE_BUILD_TYPE=Release -DKLV_BUILD_BENCH=ON ... && cmake --build . --target declaration_bench
//   run:   bin/declaration_bench [--benchmark_filter=Grabar/100000] [--benchmark_repetitions=3]
//          scripts/bench runs each benchmark and size in a process of its own and prints medians.
//          KLV_BENCH_KEEP=1 leaves the data on disk (its folder is printed) to look at query plans.
#include "amount_checks.h"
#include "app_context.h"
#include "database.h"
#include "declaration_grid.h"
#include "declaration_save.h"
#include "engine.h"
#include "frm_cont_abrir.h"
#include "frm_detalle_om.h"
#include "frm_importador.h"
#include "frm_imprimir.h"
#include "frm_partes_vinc.h"
#include "frm_partes_vinc_det.h"
#include "frm_transacciones.h"
#include "import_core.h"
#include "party_state.h"
#include "frm_impxpag.h"
#include "markup_document.h"
#include "markup_render.h"
#include "print_service.h"
#include "long_work.h"
#include "party_register.h"
#include "frm_klv_declara.h"
#include "transaction_grid_model.h"
#include "host_env.h"
#include "installer.h"
#include "numero_control.h"
#include "schema.h"
#include "status_panels.h"
#include "totals.h"
#include "utilitarios.h"
#include "working_copy.h"

#include "declaration_delete_raw.h"
#include "declaration_print_raw.h"
#include "event_loop.h"
#include "laid_environment.h"
#include "raw_sqlite.h"

#include <benchmark/benchmark.h>
#include <unordered_map>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStandardItemModel>
#include <QTableView>
#include <QFile>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <future>
#include <thread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sqlite3.h>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace klv;
using namespace klv::bench;
using Clock = std::chrono::steady_clock;

const char* const kRuc = host::kDemoRucEmpresa;
const char* const kPeriodo = "2016";

// --- Measuring ----------------------------------------------------------------------------------

// Whether the operation runs as the user meets it, in a window that shows its progress: then the
// longest time it held the event loop is measured too (gap_ms, the longest of the iterations).
enum class InWindow { No, Yes };

// Runs the operation and its baseline once per iteration and reports the operation's time and the
// counters described at the top. The memory is measured in one more run of each, not timed: giving
// the freed heap back costs the next run the faults of taking it again. `tidy`, when given, runs
// after each side, untimed (to remove the files a side wrote).
void compare(benchmark::State& state, const std::function<void()>& ours, const std::function<void()>& raw,
             InWindow inWindow = InWindow::No, const std::function<void()>& tidy = {}) {
    auto tidied = [&] {
        if (tidy) tidy();
    };
    double oursSeconds = 0, rawSeconds = 0, gap = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        if (inWindow == InWindow::Yes) {
            EventGaps gaps;
            ours();
            gap = std::max(gap, gaps.longestMs());
        } else {
            ours();
        }
        const auto t1 = Clock::now();
        tidied();
        const auto t2 = Clock::now();
        raw();
        const auto t3 = Clock::now();
        tidied();
        const double o = std::chrono::duration<double>(t1 - t0).count();
        state.SetIterationTime(o);
        oursSeconds += o;
        rawSeconds += std::chrono::duration<double>(t3 - t2).count();
    }
    double base = freshBaseline();
    ours();
    const double peak = memoryMiB("VmHWM") - base;
    tidied();
    base = freshBaseline();
    raw();
    const double rawPeak = memoryMiB("VmHWM") - base;
    tidied();
    const double n = static_cast<double>(state.iterations());
    state.counters["raw_ms"] = rawSeconds / n * 1000.0;
    state.counters["ratio"] = rawSeconds > 0 ? oursSeconds / rawSeconds : 0;
    state.counters["peak_MiB"] = peak;
    state.counters["raw_peak_MiB"] = rawPeak;
    if (inWindow == InWindow::Yes) state.counters["gap_ms"] = gap;
}

// --- Raw SQLite ------------------------------------------------------------------------------------

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

void rawControlNumberSql(sqlite3_context* ctx, int argc, sqlite3_value** argv);

// --- The environment ---------------------------------------------------------------------------

class Quiet : public MessageService {
public:
    // Yes to every question, OK to the rest; the last text is kept, and every text since the last
    // clear().
    int show(const QString& text, int style, const QString&) override {
        last = text;
        shown.push_back(text);
        at.push_back(Clock::now());
        return (style & 0xF) == MsgStyle::YesNo ? MsgAnswer::Yes : defaultAnswerOfStyle(style);
    }
    void clear() {
        last.clear();
        shown.clear();
        at.clear();
    }
    QString last;
    std::vector<QString> shown;
    std::vector<Clock::time_point> at;  // when each was shown
};

// A laid host environment with the module installed (tables and reference data), as the programs
// find it. `ctx` holds the bench's own connection, on this thread: the set-up, the raw sides and
// the logic measured without a form use it. Every form and long work gets window(), as QM8027's
// window has it: no connection, the engine (its own connection on its own thread) in its place,
// the same services and globals.
struct Environment {
    virtual ~Environment() = default;
    QTemporaryDir dir;
    Quiet messages;
    FixedClock clock{QDate(2026, 12, 8)};
    StatusPanels panels;
    Utilitarios util;
    AppContext ctx;
    std::unique_ptr<AppContext> win;  // after ctx: its engine closes first

    // The window's context, its engine opened at the first call (once the data is laid) with the
    // globals of ctx as they stand then.
    AppContext& window() {
        if (!win) {
            win = std::make_unique<AppContext>();
            win->globals() = ctx.globals();
            win->messages = ctx.messages;
            win->clock = ctx.clock;
            win->help = ctx.help;
            win->gUtil = ctx.gUtil;
            win->panels = ctx.panels;
            win->forms = ctx.forms;
            win->engine = Engine::open(ctx.gDBFile);
        }
        return *win;
    }

    Environment() {
        ctx.gDB = layEnvironment(dir, messages);
        ctx.gSysPath = host::sysPathOf(dir.path());
        ctx.gRptPath = ctx.gSysPath + QStringLiteral("RPT");  // as the programs read it: the reports go there
        ctx.gDBFile = ctx.gDB->path();
        ctx.gSysUser = QString::fromLatin1(host::kDemoUser);
        ctx.messages = &messages;
        ctx.clock = &clock;
        ctx.panels = &panels;
        ctx.gUtil = &util;
        sqlite3_create_function(raw(), "RAW_CNUMERO", -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, rawControlNumberSql,
                                nullptr, nullptr);
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
        RawStatement t(db,
                    "INSERT INTO TRANSACCION2 (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P, COR_TRANSACCION,"
                    " FLAG_VAL_MET, IND_TRANSAC_FIN, COD_TIP_MONEDA, MTO_SIN_TRAN_MON_ORI, MTO_SIN_TRAN_MON_REG,"
                    " MTO_TRAN_MON_ORI, MTO_SIN_AJU_PR, MTO_AJU_PR, MTO_TRA_MON_ORI, MTO_TRA_MON_REG, MTO_AJU_RES_POS_REG,"
                    " MTO_AJU_RES_NEG_REG, MET_VAL, PAR_ANALIZADA, CNUMERO)"
                    " VALUES (6, ?1, ?2, '8027', 6, ?3, ?4, ?5, '0', '01', ?6, ?6, ?6, ?6, ?7, ?6, ?7, '0', '0', 'MP', 'A', '666666')");
        RawStatement y(db, "INSERT INTO TRATIPTRA2 (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P,"
                        " COR_TRANSACCION, COD_TIP_TRANSACCION, MONTO_TRANSACCION, CNUMERO)"
                        " VALUES (6, ?1, ?2, '8027', 6, ?3, ?4, ?5, ?6, '666666')");
        RawStatement p(db, "INSERT INTO PAR_VIN (TIP_DOC_D, DOC_ID_D, FORMULARIO, TIP_DOC_P, DOC_ID_P, COD_PAR, FLAG_PAR_FIS,"
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
                    " VALUES (6, '20601234565', '2016', '8027', '0', '0', '', '666666')");
        rawExec(db, "INSERT INTO CAB (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, NROCHEQUE, FEC_PRO, ESTADO, RECTIFICA, CNUMERO)"
                    " VALUES (6, '20601234565', '2016', '8027', '1.4', '01/01/2016', 0, '0', '666666')");
        rawExec(db, "COMMIT");
        rawExec(db, "ANALYZE");
    }

    DeclarationKey key() const { return DeclarationKey{6, QString::fromLatin1(kRuc), QString::fromLatin1(kPeriodo), QStringLiteral("8027")}; }
};

// n stored declarations (ten periods of each declarant) for the chooser.
struct ChooserData : Environment {
    explicit ChooserData(int n) {
        sqlite3* db = raw();
        rawExec(db, "BEGIN");
        RawStatement c(db, "INSERT OR IGNORE INTO CONT (Tip_doc_d, Doc_id_d, Dependencia, Nombre, Usuario, TIPO_INGRESO)"
                        " VALUES (6, ?1, '0021', ?2, 'DEMO', 1)");
        RawStatement d(db, "INSERT INTO IDENTIFICA2 (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, AUTCONTEXT, ESTTECPT, RUC, CNUMERO)"
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

const char* const kKey = "TIP_DOC_D=6 AND DOC_ID_D='20601234565' AND PERIODO='2016'";
const char* const kFormKey = "TIP_DOC_D=6 AND DOC_ID_D='20601234565' AND PERIODO='2016' AND FORMULARIO='8027'";

// The type rows of `types` whose transaction is in `transactions`, as a table to select from: a
// type row is copied only with its transaction. The key columns are the transaction's, so an
// order by them follows the transactions' key index and needs no sort.
std::string typesWithTransaction(const char* transactions, const char* types) {
    std::string on, key;
    for (const char* c : {"TIP_DOC_D", "DOC_ID_D", "PERIODO", "FORMULARIO", "TIP_DOC_P", "DOC_ID_P", "COR_TRANSACCION"}) {
        on += std::string(on.empty() ? "" : " AND ") + "X." + c + "=Y." + c;
        key += std::string("X.") + c + ", ";
    }
    return std::string("(SELECT ") + key + "Y.COD_TIP_TRANSACCION, Y.MONTO_TRANSACCION FROM " + transactions +
           " X CROSS JOIN " + types + " Y ON " + on + ")";
}

// The names of a table's first columns (all but cnumero by default) in its description's order,
// joined by commas.
// A table's description, the module's or the host's.
const schema::Table* tableOf(const char* table) {
    const schema::Table* t = schema::findTable(QString::fromLatin1(table));
    return t ? t : schema::findHostTable(QString::fromLatin1(table));
}

std::string columnsOf(const char* table, int count = -1) {
    const schema::Table* t = tableOf(table);
    std::string out;
    const int n = count < 0 ? static_cast<int>(t->columns.size()) - 1 : count;
    for (int i = 0; i < n; ++i) out += (i ? ", " : "") + t->columns[i].name.toStdString();
    return out;
}

RawField rawField(sqlite3_stmt* st, int col) {
    RawField f;
    f.kind = sqlite3_column_type(st, col);
    if (f.kind == SQLITE_INTEGER) f.integer = sqlite3_column_int64(st, col);
    if (f.kind == SQLITE_TEXT) {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
        f.text = std::string_view(t, static_cast<size_t>(sqlite3_column_bytes(st, col)));
    }
    return f;
}

// The declaration's row of CAB or IDENTIFICA2 with some columns set, and its control number.
void rawHeaderRow(sqlite3* db, const char* table, int nKeys, const std::vector<std::pair<std::string, std::string>>& sets) {
    const schema::Table* t = tableOf(table);
    const int n = static_cast<int>(t->columns.size()) - 1;
    RawStatement select(db, "SELECT " + columnsOf(table) + " FROM " + table + " WHERE " + kFormKey);
    if (!select.step()) {
        RawStatement(db, std::string("INSERT INTO ") + table + " (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO) VALUES"
                         " (6, '20601234565', '2016', '8027')").run();
        select.step();
    }
    std::vector<std::string> values(static_cast<size_t>(n));
    std::vector<RawField> fields(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        fields[i] = rawField(select.get(), i);
        values[i] = std::string(fields[i].text);
        for (const auto& [column, value] : sets)
            if (t->columns[i].name.compare(QString::fromStdString(column), Qt::CaseInsensitive) == 0) {
                values[i] = value;
                fields[i].kind = SQLITE_TEXT;
            }
        fields[i].text = values[i];
    }
    std::string sql = std::string("UPDATE ") + table + " SET ";
    for (const auto& [column, value] : sets) sql += column + "='" + value + "', ";
    sql += "CNUMERO='" + rawControlNumber(fields.data(), n, nKeys) + "' WHERE " + kFormKey;
    select.step();  // done with the row
    RawStatement(db, sql).run();
}

// RAW_CNUMERO(nKeys, field0, ...): rawControlNumber as an SQL function, so that a copy numbers its
// rows in one INSERT ... SELECT.
void rawControlNumberSql(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    RawField fields[80];
    const int count = std::min(argc - 1, 80);
    for (int i = 0; i < count; ++i) {
        sqlite3_value* v = argv[i + 1];
        fields[i].kind = sqlite3_value_type(v);
        if (fields[i].kind == SQLITE_INTEGER) fields[i].integer = sqlite3_value_int64(v);
        if (fields[i].kind == SQLITE_TEXT)
            fields[i].text = std::string_view(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                                              static_cast<size_t>(sqlite3_value_bytes(v)));
    }
    const std::string number = rawControlNumber(fields, count, sqlite3_value_int(argv[0]));
    sqlite3_result_text(ctx, number.data(), static_cast<int>(number.size()), SQLITE_TRANSIENT);
}

// The declaration's working rows copied into a stored table (its first `copied` columns, all but
// cnumero when -1), each with its control number over 5 key fields.
void rawCopy(sqlite3* db, const char* stored, const char* working, int copied, const char* order) {
    if (copied < 0) copied = static_cast<int>(schema::table(QString::fromLatin1(stored)).columns.size()) - 1;
    RawStatement(db, std::string("DELETE FROM ") + stored + " WHERE " + kKey).run();
    const std::string columns = columnsOf(stored, copied);
    RawStatement(db, std::string("INSERT INTO ") + stored + " (" + columns + ", CNUMERO) SELECT " + columns +
                         ", RAW_CNUMERO(5, " + columns + ") FROM " + working + " WHERE " + kKey + " ORDER BY " + order)
        .run();
}

// What Grabar writes: the status row, the header, and the transactions and their types with their
// control numbers, in one transaction.
void rawWrite(sqlite3* db) {
    rawExec(db, "BEGIN IMMEDIATE");
    RawStatement count(db, "SELECT count(*) FROM TMPTRANSACCION2");
    count.step();
    count.step();
    rawHeaderRow(db, "CAB", 5, {{"NROCHEQUE", "1.4"}, {"FEC_PRO", "08/12/2026"}, {"ESTADO", "0"}, {"RECTIFICA", "0"}});
    rawHeaderRow(db, "IDENTIFICA2", 4, {{"AUTCONTEXT", "0"}, {"ESTTECPT", "0"}, {"FORMULARIO", "8027"}, {"RUC", ""}});
    rawCopy(db, "TRANSACCION2", "TMPTRANSACCION2", -1, "FORMULARIO, TIP_DOC_P, DOC_ID_P, COR_TRANSACCION");
    rawCopy(db, "TRATIPTRA2", typesWithTransaction("TMPTRANSACCION2", "TMPTRATIPTRA").c_str(), 9,
            "FORMULARIO, TIP_DOC_P, DOC_ID_P, COR_TRANSACCION, COD_TIP_TRANSACCION");
    rawExec(db, "COMMIT");
}

// The amounts of the working transactions that the totals and the amount checks use (33
// columns), each parsed as a number: the six totals by valuation method and financial indicator,
// and the largest amount with the sum and count of the amounts it is judged against.
double rawAmounts(sqlite3* db) {
    RawStatement read(db, std::string(
        "SELECT FLAG_VAL_MET, IND_TRANSAC_FIN, MTO_SIN_CAP_MON_ORI, MTO_SIN_INTS_MON_ORI, MTO_SIN_INTS_MON_REG,"
        " SAL_SIN_CAP_MON_REG, MTO_SIN_TRAN_MON_ORI, MTO_SIN_TRAN_MON_REG, MTO_CAP_MON_ORI, MTO_INTS_MON_ORI,"
        " MTO_TRAN_MON_ORI, MTO_SIN_AJU_PCNC, MTO_AJU_PCNC, MTO_SIN_AJU_PR, MTO_AJU_PR, MTO_SIN_AJU_CI, MTO_AJU_CI,"
        " MTO_INTS_SIN_AJU_PCNC, MTO_INTS_AJU_PCNC, MTO_INTS_SIN_AJU_PR, MTO_INTS_AJU_PR, MTO_INTS_SIN_AJU_CI,"
        " MTO_INTS_AJU_CI, MTO_TOT_CAP_MON_ORI, MTO_TOT_INTS_MON_ORI, MTO_TOT_INTS_MON_REG, MTO_TOT_AJU_RES_POS_REG,"
        " MTO_TOT_AJU_RES_NEG_REG, MTO_TRA_MON_ORI, MTO_TRA_MON_REG, MTO_AJU_RES_POS_REG, MTO_AJU_RES_NEG_REG, DOC_ID_P"
        " FROM TMPTRANSACCION2 WHERE ") + kFormKey);
    double totals[6] = {}, largest = 0, sum = 0, count = 0;
    double v[31];
    while (read.step()) {
        sqlite3_stmt* st = read.get();
        const char* flag = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        const char* ind = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
        for (int i = 0; i < 31; ++i) {
            const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st, i + 2));
            v[i] = t ? std::strtod(t, nullptr) : 0;
        }
        if (!flag || !ind) continue;
        const bool financial = ind[0] == '1';
        double judged = 0;
        if (std::strcmp(flag, "00") == 0) {
            judged = financial ? v[2] : v[5];
            totals[0] += judged;
        } else if (std::strcmp(flag, "01") == 0) {
            totals[1] += financial ? v[15] + v[17] + v[19] : v[9] + v[11] + v[13];
            judged = financial ? v[16] + v[18] + v[20] : v[10] + v[12] + v[14];
            totals[2] += judged;
        } else {
            judged = financial ? v[23] : v[27];
            totals[3] += judged;
            totals[4] += financial ? v[24] : v[28];
            totals[5] += financial ? v[25] : v[29];
        }
        largest = std::max(largest, judged);
        sum += judged;
        ++count;
    }
    return totals[0] + totals[1] + totals[2] + totals[3] + totals[4] + totals[5] + largest + sum + count;
}

// The type rows of the transactions valued by other methods that lack their amount, by the query
// the module runs.
long long rawDetailCheck(sqlite3* db) {
    return rawReadAll(db,
        "SELECT T.DOC_ID_P FROM TMPTRATIPTRA D NOT INDEXED CROSS JOIN TMPTRANSACCION2 T"
        " ON T.TIP_DOC_D=D.TIP_DOC_D AND T.DOC_ID_D=D.DOC_ID_D AND T.PERIODO=D.PERIODO"
        " AND T.FORMULARIO=D.FORMULARIO AND T.TIP_DOC_P=D.TIP_DOC_P AND T.DOC_ID_P=D.DOC_ID_P"
        " AND T.COR_TRANSACCION=D.COR_TRANSACCION WHERE D.TIP_DOC_D=6 AND D.DOC_ID_D='20601234565'"
        " AND D.PERIODO='2016' AND D.FORMULARIO='8027' AND (D.MONTO_TRANSACCION IS NULL OR D.MONTO_TRANSACCION='')"
        " AND T.FLAG_VAL_MET='02' AND T.IND_TRANSAC_FIN='0'"
        " ORDER BY T.TIP_DOC_P, T.DOC_ID_P, T.COR_TRANSACCION LIMIT 1");
}

// The checks Grabar runs before it writes, done raw: the informed parties counted, the working
// transactions counted, their amounts read once, then the detail amounts, the parties without
// transactions and the non-domiciled parties used by a transaction by the same queries the module
// runs.
double rawChecks(sqlite3* db) {
    double out = rawReadAll(db, "SELECT count(*) FROM PAR_VIN WHERE TIP_DOC_D=6 AND DOC_ID_D='20601234565'");
    out += rawReadAll(db, "SELECT count(*) FROM TMPTRANSACCION2");
    out += rawAmounts(db);
    out += rawDetailCheck(db);
    out += rawReadAll(db,
        "SELECT 1 FROM PAR_VIN P WHERE P.TIP_DOC_D=6 AND P.DOC_ID_D='20601234565' AND P.FORMULARIO='8027'"
        " AND NOT EXISTS (SELECT 1 FROM TMPTRANSACCION2 T WHERE T.TIP_DOC_D=6 AND T.DOC_ID_D='20601234565'"
        " AND T.PERIODO='2016' AND T.FORMULARIO='8027' AND T.TIP_DOC_P=P.TIP_DOC_P AND T.DOC_ID_P=P.DOC_ID_P) LIMIT 1");
    out += rawReadAll(db,
        "SELECT P.RAZON_SOCIAL, P.COD_NAT_JUR, P.FEC_NAC, P.TIP_DIR_LEGAL, P.DES_DIR_LEGAL FROM PAR_VIN P"
        " WHERE P.TIP_DOC_D=6 AND P.DOC_ID_D='20601234565' AND P.FORMULARIO='8027' AND P.FLAG_CON_DOM='02'"
        " AND EXISTS (SELECT 1 FROM TMPTRANSACCION2 T WHERE T.TIP_DOC_D=6 AND T.DOC_ID_D='20601234565'"
        " AND T.PERIODO='2016' AND T.FORMULARIO='8027' AND T.TIP_DOC_P=P.TIP_DOC_P AND T.DOC_ID_P=P.DOC_ID_P)"
        " ORDER BY P.TIP_DOC_P, P.DOC_ID_P");
    return out;
}

// Validar's checks done raw: Grabar's, and the transactions without technical study of the parties
// in a tax haven (question 2 answered No), by the query the module runs.
double rawValidarChecks(sqlite3* db) {
    return rawChecks(db) +
           rawReadAll(db,
               "SELECT 1 FROM PAR_VIN P WHERE P.TIP_DOC_D=6 AND P.DOC_ID_D='20601234565' AND P.FORMULARIO='8027'"
               " AND P.FLAG_PAR_FIS IS NOT NULL AND P.FLAG_PAR_FIS<>'0' AND EXISTS (SELECT 1 FROM TMPTRANSACCION2 T"
               " WHERE T.TIP_DOC_D=6 AND T.DOC_ID_D='20601234565' AND T.PERIODO='2016' AND T.FORMULARIO='8027'"
               " AND T.FLAG_VAL_MET='00' AND T.IND_TRANSAC_FIN IN ('0','1') AND T.TIP_DOC_P=P.TIP_DOC_P"
               " AND T.DOC_ID_P=P.DOC_ID_P) LIMIT 1");
}

// The three working tables emptied and filled from the stored ones with plain INSERT ... SELECT:
// the transactions, their types, and the types of the transactions valued by other methods with
// their descriptions.
void rawRebuild(sqlite3* db) {
    rawExec(db, "BEGIN IMMEDIATE");
    rawExec(db, "DELETE FROM TMPTRANSACCION2");
    rawExec(db, "INSERT INTO TMPTRANSACCION2 SELECT * FROM TRANSACCION2 WHERE TIP_DOC_D=6 AND DOC_ID_D='20601234565'"
                " AND PERIODO='2016' AND FORMULARIO='8027'");
    rawExec(db, "DELETE FROM TMPTRATIPTRA");
    rawExec(db, ("INSERT INTO TMPTRATIPTRA SELECT TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P,"
                 " COR_TRANSACCION, COD_TIP_TRANSACCION, MONTO_TRANSACCION, NULL FROM " +
                 typesWithTransaction("TRANSACCION2", "TRATIPTRA2") +
                 " WHERE TIP_DOC_D=6 AND DOC_ID_D='20601234565' AND PERIODO='2016' AND FORMULARIO='8027'")
                    .c_str());
    rawExec(db, "DELETE FROM TMPTRADET");
    rawExec(db, "INSERT INTO TMPTRADET SELECT Y.TIP_DOC_D, Y.DOC_ID_D, Y.PERIODO, Y.FORMULARIO, Y.TIP_DOC_P, Y.DOC_ID_P,"
                " Y.COR_TRANSACCION, Y.COD_TIP_TRANSACCION, COALESCE(substr(P.FUNCION, 1, 70), ''), Y.MONTO_TRANSACCION, NULL"
                " FROM TRATIPTRA2 Y JOIN TRANSACCION2 X ON X.TIP_DOC_D=Y.TIP_DOC_D AND X.DOC_ID_D=Y.DOC_ID_D"
                " AND X.PERIODO=Y.PERIODO AND X.FORMULARIO=Y.FORMULARIO AND X.TIP_DOC_P=Y.TIP_DOC_P AND X.DOC_ID_P=Y.DOC_ID_P"
                " AND X.COR_TRANSACCION=Y.COR_TRANSACCION LEFT JOIN PARAM P ON P.NUMERO='395'"
                " AND P.ARGUMENTO=Y.COD_TIP_TRANSACCION WHERE Y.TIP_DOC_D=6 AND Y.DOC_ID_D='20601234565'"
                " AND Y.PERIODO='2016' AND Y.FORMULARIO='8027' AND X.FLAG_VAL_MET='02'"
                " AND Y.COD_TIP_TRANSACCION NOT IN ('12','34')");
    rawExec(db, "COMMIT");
}

// The declaration form's grid read raw, as a C program would make it: the declaration's working
// transactions read in their key's order (each party's rows together, by number), every column
// read and the amount parsed; the currencies' names and the document types' short names looked up
// in tables read once; the parties' names read in the module's order of names (the collation
// KLV_TEXT), and the parties' runs of rows given in that order (a party without a name first).
// `rows`, when given, gets each row's party, number, name, currency and document type, in order.
double rawGrid(sqlite3* db, std::vector<std::string>* rows = nullptr) {
    const auto text = [](sqlite3_stmt* st, int c) {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
        return std::string(t ? t : "", static_cast<size_t>(sqlite3_column_bytes(st, c)));
    };
    std::unordered_map<std::string, std::string> currencies, docTypes;
    {
        RawStatement q(db, "SELECT NUMERO, ARGUMENTO, FUNCION FROM PARAM WHERE NUMERO IN ('044','883')");
        while (q.step()) {
            if (text(q.get(), 0) == "044")
                docTypes[text(q.get(), 1)] = text(q.get(), 2).substr(31, 12);
            else
                currencies[text(q.get(), 1)] = text(q.get(), 2);
        }
    }
    struct Row {
        std::string cor, currency;
    };
    struct Party {
        std::string tipDoc, docId;
        std::vector<Row> rows;
    };
    std::vector<Party> parties;
    std::unordered_map<std::string, size_t> partyAt;  // "tipo|documento"
    double out = 0;
    RawStatement q(db,
                   "SELECT TIP_DOC_P, DOC_ID_P, COR_TRANSACCION, FLAG_VAL_MET, COD_TIP_MONEDA,"
                   " CASE WHEN FLAG_VAL_MET='00' AND IND_TRANSAC_FIN='0' THEN MTO_SIN_TRAN_MON_ORI"
                   " WHEN FLAG_VAL_MET='00' AND IND_TRANSAC_FIN='1' THEN MTO_SIN_INTS_MON_ORI"
                   " WHEN FLAG_VAL_MET='01' AND IND_TRANSAC_FIN='0' THEN MTO_TRAN_MON_ORI"
                   " WHEN FLAG_VAL_MET='01' AND IND_TRANSAC_FIN='1' THEN MTO_INTS_MON_ORI"
                   " WHEN FLAG_VAL_MET='02' AND IND_TRANSAC_FIN='0' THEN MTO_TRA_MON_ORI"
                   " ELSE MTO_TOT_INTS_MON_ORI END FROM TMPTRANSACCION2 WHERE TIP_DOC_D=6"
                   " AND DOC_ID_D='20601234565' AND PERIODO='2016' AND FLAG_VAL_MET IN ('00','01','02')"
                   " AND IND_TRANSAC_FIN IN ('0','1')");
    sqlite3_stmt* st = q.get();
    Party* last = nullptr;
    while (q.step()) {
        std::string tipDoc = text(st, 0), docId = text(st, 1);
        if (!last || last->tipDoc != tipDoc || last->docId != docId) {
            const std::string k = tipDoc + "|" + docId;
            auto [at, added] = partyAt.try_emplace(k, parties.size());
            if (added) parties.push_back({std::move(tipDoc), std::move(docId), {}});
            last = &parties[at->second];
        }
        char code[16];
        std::snprintf(code, sizeof code, "%03lld", static_cast<long long>(sqlite3_column_int64(st, 4)));
        const auto c = currencies.find(code);
        Row row{text(st, 2), c == currencies.end() ? std::string() : c->second};
        out += static_cast<double>(row.cor.size() + row.currency.size() + text(st, 3).size());
        const auto* amount = reinterpret_cast<const char*>(sqlite3_column_text(st, 5));
        out += amount ? std::strtod(amount, nullptr) : 0;
        last->rows.push_back(std::move(row));
    }
    // The parties in the order of their names; those the register does not name come first.
    std::vector<std::pair<size_t, std::string>> order;
    std::vector<bool> named(parties.size());
    {
        RawStatement names(db,
                           "SELECT TIP_DOC_P, DOC_ID_P, RAZON_SOCIAL FROM PAR_VIN WHERE TIP_DOC_D=6 AND DOC_ID_D='20601234565'"
                           " AND FORMULARIO='8027' ORDER BY RAZON_SOCIAL COLLATE KLV_TEXT, TIP_DOC_P, DOC_ID_P");
        while (names.step()) {
            const auto at = partyAt.find(text(names.get(), 0) + "|" + text(names.get(), 1));
            if (at == partyAt.end()) continue;
            named[at->second] = true;
            order.emplace_back(at->second, text(names.get(), 2));
        }
    }
    std::vector<std::pair<size_t, std::string>> unnamed;
    for (size_t i = 0; i < parties.size(); ++i)
        if (!named[i]) unnamed.emplace_back(i, std::string());
    order.insert(order.begin(), unnamed.begin(), unnamed.end());
    for (const auto& [i, name] : order) {
        const Party& p = parties[i];
        const auto d = docTypes.find(p.tipDoc);
        const std::string docType = d == docTypes.end() ? std::string() : d->second;
        out += static_cast<double>(name.size() + docType.size());
        if (rows)
            for (const Row& r : p.rows) rows->push_back(p.docId + "|" + r.cor + "|" + name + "|" + r.currency + "|" + docType);
    }
    return out;
}

// The grid's rows as rawGrid gives them: party, number, name, currency and document type.
std::vector<std::string> gridRows(const TransactionGrid& grid) {
    std::vector<std::string> rows;
    for (int r = 0; r < grid.size(); ++r) {
        QStringList row;
        for (GridColumn c : {GridColumn::DocIdP, GridColumn::Cor, GridColumn::RazonSocial, GridColumn::Moneda, GridColumn::TipDoc})
            row << grid.text(r, c);
        rows.push_back(row.join(QLatin1Char('|')).toStdString());
    }
    return rows;
}

// Throws unless the raw grid is `shown`, row by row.
void sameGrid(sqlite3* db, const std::vector<std::string>& shown) {
    std::vector<std::string> raw;
    rawGrid(db, &raw);
    if (shown.empty() || shown != raw) throw std::runtime_error("the raw grid is not the module's");
}

// --- The benchmarks --------------------------------------------------------------------------------

// The control numbers of the declaration's stored rows, in the order of the rows.
QVariant storedNumbers(const Database& db) {
    return db.scalar(QStringLiteral(
        "SELECT (SELECT group_concat(CNUMERO) FROM TRANSACCION2) || (SELECT group_concat(CNUMERO) FROM TRATIPTRA2)"
        " || (SELECT CNUMERO FROM CAB) || (SELECT CNUMERO FROM IDENTIFICA2)"));
}

// The declaration form opened on the stored declaration and shown, as the chooser leaves it.
std::unique_ptr<Frm_KLV_Declara> shownForm(DeclarationData& d) {
    d.window().gAccion = 1;
    auto form = std::make_unique<Frm_KLV_Declara>(d.window());
    form->udp_DefCaller(QStringLiteral("FrmContAbrir"));
    const DeclarationKey key = d.key();
    form->Form_Load(&key);
    form->show();
    form->Form_Activate();
    return form;
}

// Grabar as the user meets it: the button of the form showing the declaration, with its progress
// window (the checks, then the writes).
void Grabar(benchmark::State& state) {
    DeclarationData& d = data<DeclarationData>(static_cast<int>(state.range(0)));
    const auto form = shownForm(d);
    auto grabar = [&] {
        d.messages.last.clear();
        form->CmdGrabar_Click();
        if (d.messages.last != kGrabadoOk && d.messages.last != kGrabadoInconsistente)
            throw std::runtime_error("the save failed: " + d.messages.last.toStdString());
    };
    // Once: both sides store the same rows with the same control numbers.
    rawWrite(d.raw());
    const QVariant rawNumbers = storedNumbers(d.ctx.db());
    grabar();
    if (storedNumbers(d.ctx.db()) != rawNumbers) throw std::runtime_error("the raw save stores other control numbers");
    compare(
        state, grabar,
        [&] {
            benchmark::DoNotOptimize(rawChecks(d.raw()));
            rawWrite(d.raw());
        },
        InWindow::Yes);
}

// Validar as the user meets it, against the checks done raw.
void Validar(benchmark::State& state) {
    DeclarationData& d = data<DeclarationData>(static_cast<int>(state.range(0)));
    const auto form = shownForm(d);
    // Once: every check runs, as the raw side runs them all.
    form->CmdValidar_Click();
    if (d.messages.last != QStringLiteral("La Declaración no presenta inconsistencias."))
        throw std::runtime_error("Validar stopped: " + d.messages.last.toStdString());
    compare(
        state, [&] { form->CmdValidar_Click(); }, [&] { benchmark::DoNotOptimize(rawValidarChecks(d.raw())); },
        InWindow::Yes);
}

void Rebuild(benchmark::State& state) {
    DeclarationData& d = data<DeclarationData>(static_cast<int>(state.range(0)));
    compare(state, [&] { udp_CargarTemps(d.ctx, d.key()); }, [&] { rawRebuild(d.raw()); });
}

// The amounts of the working transactions as both buttons judge them: the totals, the largest
// amount, the consistency by method and the per-type detail.
void TotalsAndChecks(benchmark::State& state) {
    DeclarationData& d = data<DeclarationData>(static_cast<int>(state.range(0)));
    const DeclarationKey key = d.key();
    compare(
        state,
        [&] {
            const AmountReview review = revisarMontos(d.ctx, key);
            benchmark::DoNotOptimize(review.totals());
            benchmark::DoNotOptimize(udf_Verificar_Detalle_Montos(d.ctx, key));
        },
        [&] {
            benchmark::DoNotOptimize(rawAmounts(d.raw()));
            benchmark::DoNotOptimize(rawDetailCheck(d.raw()));
        });
}

// The declaration form opened on the stored declaration as the chooser opens it, until it is shown
// (load, then the activation that follows the show): the rebuild, the grid and its totals.
// Against the raw rebuild, the grid read raw as the form shows it (rawGrid) and the loop over the
// amounts; the bench checks once that both give the same rows in the same order.
void OpenStored(benchmark::State& state) {
    DeclarationData& d = data<DeclarationData>(static_cast<int>(state.range(0)));
    d.window().gAccion = 1;
    const DeclarationKey key = d.key();
    auto open = [&](const std::function<void(const Frm_KLV_Declara&)>& opened) {
        Frm_KLV_Declara form(d.window());
        form.udp_DefCaller(QStringLiteral("FrmContAbrir"));
        form.Form_Load(&key);
        form.Form_Activate();
        if (opened) opened(form);
    };
    // Once: the raw grid is the form's, row by row.
    std::vector<std::string> shown;
    open([&shown](const Frm_KLV_Declara& form) { shown = gridRows(form.gridModel().grid()); });
    rawRebuild(d.raw());
    sameGrid(d.raw(), shown);
    compare(
        state, [&] { open({}); },
        [&] {
            rawRebuild(d.raw());
            benchmark::DoNotOptimize(rawGrid(d.raw()));
            benchmark::DoNotOptimize(rawAmounts(d.raw()));
        },
        InWindow::Yes);
}

// The transactions grid of the declaration (its rows read, parties and currencies named, sorted by
// the party's name) against the same grid read raw (rawGrid), compared once row by row.
void Grid(benchmark::State& state) {
    DeclarationData& d = data<DeclarationData>(static_cast<int>(state.range(0)));
    const DeclarationKey key = d.key();
    {
        TransactionGrid grid;
        grid.load(d.ctx, 6, key.docIdD, key.periodo);
        sameGrid(d.raw(), gridRows(grid));
    }
    compare(
        state,
        [&] {
            TransactionGrid grid;
            grid.load(d.ctx, 6, key.docIdD, key.periodo);
            benchmark::DoNotOptimize(grid.size());
        },
        [&] { benchmark::DoNotOptimize(rawGrid(d.raw())); });
}

void Chooser(benchmark::State& state) {
    ChooserData& d = data<ChooserData>(static_cast<int>(state.range(0)));
    d.window().gAccion = 1;
    compare(
        state,
        [&] {
            FrmContAbrir chooser(d.window());
            benchmark::DoNotOptimize(chooser.rowCount());
        },
        [&] {
            benchmark::DoNotOptimize(rawReadAll(
                d.raw(), "SELECT I.TIP_DOC_D, I.DOC_ID_D, I.PERIODO, C.NOMBRE AS RAZON_SOCIAL, I.AUTCONTEXT, I.ESTTECPT,"
                         " I.FORMULARIO FROM IDENTIFICA2 I, CONT C WHERE I.TIP_DOC_D=C.TIP_DOC_D AND I.DOC_ID_D=C.DOC_ID_D"
                         " ORDER BY I.TIP_DOC_D, I.DOC_ID_D, I.PERIODO, I.FORMULARIO"));
        },
        InWindow::Yes);
}

bool progressWindowShown() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [](QWidget* w) {
        return w->objectName() == QStringLiteral("ProgressWindow") && w->isVisible();
    });
}

// KLV_BENCH_SHOTS=folder: once the progress window has been on screen `afterMs` milliseconds, a
// picture of the whole screen is saved there as `name`.png (for a look at the work under way).
class ProgressShot {
public:
    ProgressShot(const QString& name, qint64 afterMs) : name_(name), afterMs_(afterMs) {
        if (qEnvironmentVariableIsEmpty("KLV_BENCH_SHOTS")) return;
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (!progressWindowShown()) {
                since_.invalidate();
                return;
            }
            if (!since_.isValid()) since_.start();
            if (since_.elapsed() < afterMs_) return;
            timer_.stop();
            QGuiApplication::primaryScreen()->grabWindow(0).save(qEnvironmentVariable("KLV_BENCH_SHOTS") + QLatin1Char('/') +
                                                               name_ + QStringLiteral(".png"));
        });
        timer_.start(20);
    }

private:
    QString name_;
    qint64 afterMs_;
    QTimer timer_;
    QElapsedTimer since_;
};

// Grabar while another program holds the database's write lock for 5 s from just before the
// click: the save waits on the engine's thread with the progress window on screen, then
// completes. Gives the longest gap, whether the progress window was on screen during the wait
// (on_screen), and the time (the wait included).
void GrabarLocked(benchmark::State& state) {
    DeclarationData& d = data<DeclarationData>(static_cast<int>(state.range(0)));
    const auto form = shownForm(d);
    double gap = 0;
    bool onScreen = true;
    for (auto _ : state) {
        std::promise<void> held;
        std::thread other([&held, path = d.ctx.gDBFile.toStdString()] {
            sqlite3* c = nullptr;
            sqlite3_open(path.c_str(), &c);
            rawExec(c, "BEGIN IMMEDIATE");
            rawExec(c, "CREATE TABLE IF NOT EXISTS OTRO_PROGRAMA (x INT)");
            rawExec(c, "INSERT INTO OTRO_PROGRAMA VALUES (1)");
            held.set_value();
            std::this_thread::sleep_for(std::chrono::seconds(5));
            rawExec(c, "COMMIT");
            sqlite3_close(c);
        });
        held.get_future().wait();
        const auto t0 = Clock::now();
        // The progress window, looked for every 50 ms from 1 s to 4.5 s into the wait.
        bool seen = true;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            const double at = std::chrono::duration<double>(Clock::now() - t0).count();
            if (at < 1.0 || at > 4.5) return;
            seen = seen && progressWindowShown();
        });
        look.start(50);
        const ProgressShot shot(QStringLiteral("grabar-bloqueada"), 1500);
        d.messages.last.clear();
        {
            EventGaps gaps;
            form->CmdGrabar_Click();
            gap = std::max(gap, gaps.longestMs());
        }
        look.stop();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
        other.join();
        onScreen = onScreen && seen;
        if (d.messages.last != kGrabadoOk && d.messages.last != kGrabadoInconsistente)
            throw std::runtime_error("the save failed: " + d.messages.last.toStdString());
    }
    state.counters["gap_ms"] = gap;
    state.counters["on_screen"] = onScreen ? 1 : 0;
}

// Acts on a modal window once it is on screen, as the user would: the first visible T that is the
// active modal window (looked for every 10 ms from the event loop, its modal loop's included) gets
// `act` (what the user does there, and a note of what it shows), then is closed as a modal loop
// ends (QDialog::done) if `act` left it open. For the forms an action opens modally through their
// launchers (the transaction form, the party register, the party detail, the per-type detail).
template <class T>
class WhenShown {
public:
    explicit WhenShown(std::function<void(T&)> act) {
        QObject::connect(&timer_, &QTimer::timeout, [this, act] {
            auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
            if (!w || !w->isVisible()) return;
            timer_.stop();  // once: what `act` does runs loops of its own
            act(*w);
            if (w->isVisible()) w->QDialog::done(QDialog::Rejected);
        });
        timer_.start(10);
    }

private:
    QTimer timer_;
};

// Another program holding the database file's exclusive lock (BEGIN EXCLUSIVE in the default
// rollback journal: no other connection reads or writes) from the constructor's return for
// `seconds`, on a thread of its own with a raw sqlite3 connection. The destructor waits for it to
// let go, running the event loop meanwhile (the window's thread is measured).
class OtherProgramLock {
public:
    OtherProgramLock(const QString& file, int seconds) {
        std::promise<void> held;
        thread_ = std::thread([this, &held, seconds, path = file.toStdString()] {
            sqlite3* c = nullptr;
            sqlite3_open(path.c_str(), &c);
            rawExec(c, "BEGIN EXCLUSIVE");
            held.set_value();
            std::this_thread::sleep_for(std::chrono::seconds(seconds));
            rawExec(c, "COMMIT");
            sqlite3_close(c);
            released_ = true;
        });
        held.get_future().wait();
    }
    ~OtherProgramLock() {
        while (!released_) {
            QEventLoop loop;
            QTimer::singleShot(5, &loop, &QEventLoop::quit);
            loop.exec();
        }
        thread_.join();
    }
    OtherProgramLock(const OtherProgramLock&) = delete;
    OtherProgramLock& operator=(const OtherProgramLock&) = delete;

private:
    std::atomic<bool> released_{false};
    std::thread thread_;
};

// A file of the import folder, written whole before anything is timed.
void writeImportFile(const QString& path, const QByteArray& text) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size()) throw std::runtime_error("cannot write " + path.toStdString());
}

// Five new parties: domiciled companies (a valid RUC, one vinculation type) and persons abroad
// with birth date and legal address (two types).
QByteArray partiesFile(const Utilitarios& util) {
    QByteArray out;
    for (int i = 0; i < 5; ++i) {
        QStringList types(14, QStringLiteral("0"));
        QString line;
        if (i % 2 == 0) {
            const QString base = QStringLiteral("20%1").arg(90000000 + i, 8, 10, QLatin1Char('0'));
            QString ruc;
            for (int d = 0; d <= 9; ++d)
                if (util.ValidaRuc(base + QString::number(d))) ruc = base + QString::number(d);
            types[0] = QStringLiteral("1");
            line = QStringLiteral("06|%1||||Empresa Importada %2 SAC|01|9589|0|2||%3||||").arg(ruc).arg(i).arg(types.join(QLatin1Char('|')));
        } else {
            types[1] = types[4] = QStringLiteral("1");
            line = QStringLiteral("07|PX%1|Perez|Gomez|Ana Maria||02|9063|0|1||%2|01|Calle %1|1980-05-17|")
                       .arg(i)
                       .arg(types.join(QLatin1Char('|')));
        }
        out += (line + QStringLiteral("\r\n")).toLatin1();
    }
    return out;
}

// Five transactions without valuation method, not financial, one type each, of the declaration's
// first five parties (domiciled).
QByteArray transactionsFile() {
    QByteArray out;
    for (int i = 0; i < 5; ++i) {
        QStringList fields(149);
        fields[0] = QStringLiteral("06");
        fields[1] = QString::number(20100000000LL + i);
        fields[2] = QStringLiteral("00");
        fields[3] = QStringLiteral("0");
        fields[4] = QStringLiteral("01");
        fields[6] = fields[7] = QString::number(5000 + i);
        for (int k = 43; k <= 87; ++k) fields[k - 1] = QStringLiteral("0");
        fields[42] = QStringLiteral("1");
        out += (fields.join(QLatin1Char('|')) + QStringLiteral("|\r\n")).toLatin1();
    }
    return out;
}

// Every action a user can take, one after the other, while another program holds the database
// file's exclusive lock (BEGIN EXCLUSIVE, the default rollback journal: no reader gets in), each
// action as its form does it, on the window's context: the engine waits for the lock on its own
// thread, up to the connection's busy timeout (10 s, as QM8027 opens it), then the work fails
// with 3051. LockedActions: the lock held for 30 s from the first action, so the first actions
// wait and the later ones find the file free. LockedEachAction: the lock taken again before each
// action and held 11 s, so every action meets it. The window's thread stays in its event loop
// throughout: gap_ms is the longest interval of the whole run between two firings of a 10 ms
// timer; on_screen is 1 when every action that lasted a second had the progress window on screen
// (looked for every 50 ms). Each action must end in its own message (or, where it ends silently,
// with its form showing what it read) or in the locked database's message (3051,
// "...bloqueada..."); stderr gets each action with its start and time, whether the progress
// window showed, and every message it showed with its time, the last one its end.
void lockedActions(benchmark::State& state, bool eachAction) {
    DeclarationData& d = data<DeclarationData>(static_cast<int>(state.range(0)));
    AppContext& win = d.window();
    const QString ruc = QString::fromLatin1(kRuc);
    const auto form = shownForm(d);
    win.forms.transaction = [&win](QWidget* parent, const QString& mode, const QString& caller, const OpenDeclaration& decl,
                                   const TransactionKey* key) { FrmTransacciones::run(win, parent, mode, caller, decl, key); };
    // The import folder: one file of each kind for the declarant.
    const QString folder = d.dir.filePath(QStringLiteral("importar"));
    QDir().mkpath(folder);
    writeImportFile(folder + QLatin1Char('/') + ruc + QStringLiteral(".ifm"), partiesFile(d.util));
    writeImportFile(folder + QLatin1Char('/') + ruc + QStringLiteral(".TXT"), transactionsFile());
    // The per-type detail of a transaction by other methods (the declaration's third).
    const TransactionKey otherMethods{d.key(), Party{6, QStringLiteral("20100000000")}, 3};

    // What an action ended with: the message it showed last or, when it showed none, what its
    // form shows (empty when the form shows nothing: an action that fails silently).
    struct Action {
        const char* name;
        std::function<QString()> run;  // what the form shows when the action ended silently
        std::function<bool(const QString&)> own;  // its own end message
    };
    const auto none = [](const QString&) { return false; };
    const auto importOutcome = [](FrmImportador& dialog) {
        return QStringLiteral("%1, %2").arg(dialog.findChild<QLabel*>(QStringLiteral("lblTransferidos"))->text(),
                                            dialog.findChild<QLabel*>(QStringLiteral("lblRechazados"))->text());
    };
    const auto import = [&](const QString& caller, const OpenDeclaration& opener) {
        FrmImportador dialog(win, import::ejecutarImportacion);
        dialog.udp_Def_Caller(caller);
        dialog.Form_Load(&opener);
        dialog.setDirectory(folder);
        dialog.show();
        // Without its declarant (its read failed, and said so) the dialog lists no file.
        auto* files = dialog.findChild<QListWidget*>(QStringLiteral("File1"));
        if (files->count() == 0) return QString();
        files->item(0)->setSelected(true);
        dialog.cmdTransferir_Click();
        return importOutcome(dialog);
    };
    const auto transactionForm = [&](int option) {
        QString shown;
        const WhenShown<FrmTransacciones> close([&shown](FrmTransacciones& f) {
            shown = QStringLiteral("formulario abierto:") + f.findChild<QLabel*>(QStringLiteral("lblmensaje"))->text() +
                    QStringLiteral(", informado ") + f.findChild<QComboBox*>(QStringLiteral("CboDocIdP"))->currentText();
        });
        form->CmdOpciones_Click(option);
        return shown;
    };
    const std::vector<Action> actions = {
        {"transacción guardada (Modificar)", [&] { return transactionForm(1); }, none},
        {"transacción nueva (Nuevo)", [&] { return transactionForm(0); }, none},
        {"monto del detalle por tipo",
         [&] {
             // The detail as the transaction form opens it; an amount typed, then "&Salir".
             QString shown;
             const WhenShown<FrmDetalle_OM> type([&shown, this_messages = &d.messages](FrmDetalle_OM& detail) {
                 auto* model = qobject_cast<QStandardItemModel*>(detail.findChild<QTableView*>(QStringLiteral("grdDetalle_OM"))->model());
                 if (model->rowCount() == 0) return;
                 model->item(0, 2)->setText(QStringLiteral("1234"));
                 const QString total = detail.findChild<QLineEdit*>(QStringLiteral("TxtTotalMonto"))->text();
                 if (this_messages->shown.empty() && !total.isEmpty()) shown = QStringLiteral("total del detalle ") + total;
                 detail.CmdSalir_Click();
             });
             FrmDetalle_OM::run(win, nullptr, otherMethods, [](const QString&) {});
             return shown;
         },
         none},
        {"registro de informados y su declarante",
         [&] {
             // The register as the main window opens it; the declarant chosen in its combo.
             QString shown;
             const WhenShown<FrmPartesVinc> choose([&shown, &ruc](FrmPartesVinc& r) {
                 auto* declarants = r.findChild<QComboBox*>(QStringLiteral("CboNumDoc"));
                 declarants->setCurrentIndex(declarants->findText(ruc, Qt::MatchStartsWith));
                 if (declarants->currentIndex() < 0) return;
                 r.CboNumDoc_Click();
                 if (r.rowCount() > 0) shown = QStringLiteral("%1 informados").arg(r.rowCount());
             });
             FrmPartesVinc::run(win, nullptr, QStringLiteral("MDI_KLV_PT"));
             return shown;
         },
         none},
        {"detalle de un informado",
         [&] {
             QString shown;
             const WhenShown<FrmPartesVincDet> close([&shown](FrmPartesVincDet& p) {
                 shown = QStringLiteral("detalle abierto: ") + p.findChild<QLineEdit*>(QStringLiteral("TxtNumDoc"))->text();
             });
             const Party party{6, QStringLiteral("20100000001")};
             FrmPartesVincDet::run(win, nullptr, party::kModificar, ruc, QString(), &party);
             return shown;
         },
         none},
        {"selector de declaraciones",
         [&] {
             win.gAccion = 1;
             FrmContAbrir chooser(win);
             return chooser.rowCount() > 0 ? QStringLiteral("%1 declaraciones").arg(chooser.rowCount()) : QString();
         },
         none},
        {"lista de impresión",
         [&] {
             FrmImprimir print(win);
             const int rows = print.findChild<QTableView*>()->model()->rowCount();
             return rows > 0 ? QStringLiteral("%1 declaraciones").arg(rows) : QString();
         },
         none},
        {"Grabar", [&] { form->CmdGrabar_Click(); return QString(); },
         [](const QString& m) { return m == kGrabadoOk || m == kGrabadoInconsistente; }},
        {"Validar", [&] { form->CmdValidar_Click(); return QString(); },
         [](const QString& m) { return m == QStringLiteral("La Declaración no presenta inconsistencias."); }},
        {"importar informados",
         [&] {
             return import(QStringLiteral("FrmPartesVinc"), OpenDeclaration{form->openDeclaration().cboNumDoc, {}, {}, {}});
         },
         [](const QString& m) { return m.startsWith(QStringLiteral("Archivo : ")) && m.endsWith(QStringLiteral("Importado Satisfactoriamente.")); }},
        {"importar transacciones", [&] { return import(QStringLiteral("Frm_KLV_Declara"), form->openDeclaration()); },
         [](const QString& m) { return m.startsWith(QStringLiteral("Archivo : ")) && m.endsWith(QStringLiteral(" transferido")); }},
    };

    // The user's next click comes from the event loop, a moment after the last action ended.
    const auto pause = [](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    const auto oneLine = [](QString text) {
        return text.replace(QStringLiteral("\r\n"), QStringLiteral(" / ")).replace(QLatin1Char('\n'), QStringLiteral(" / "));
    };
    pause(200);
    double gap = 0;
    bool onScreen = true;
    int wrong = 0;
    for (auto _ : state) {
        std::optional<OtherProgramLock> lock;
        if (!eachAction) lock.emplace(d.ctx.gDBFile, 30);
        const auto t0 = Clock::now();
        auto seconds = [](Clock::time_point from, Clock::time_point to = Clock::now()) {
            return std::chrono::duration<double>(to - from).count();
        };
        bool seen = false;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&seen] { seen = seen || progressWindowShown(); });
        look.start(50);
        {
            EventGaps gaps;
            for (const Action& a : actions) {
                d.messages.clear();
                pause(20);
                for (size_t i = 0; i < d.messages.shown.size(); ++i)
                    std::fprintf(stderr, "%6.1f s  entre acciones: %s\n", seconds(t0, d.messages.at[i]),
                                 qPrintable(oneLine(d.messages.shown[i])));
                if (eachAction) lock.emplace(d.ctx.gDBFile, 11);
                d.messages.clear();
                seen = false;
                const auto started = Clock::now();
                const QString silent = a.run();
                const double took = seconds(started);
                const QString end = d.messages.shown.empty() ? silent : d.messages.shown.back();
                const bool locked = !d.messages.shown.empty() && end.contains(QStringLiteral("bloqueada"));
                const bool ok = locked || (d.messages.shown.empty() ? !silent.isEmpty() : a.own(end));
                if (!ok) ++wrong;
                if (took >= 1.0 && !seen) onScreen = false;
                std::fprintf(stderr, "%6.1f s  %s: %.2f s, progreso %s\n", seconds(t0, started), a.name, took,
                             seen ? "visto" : "no visto");
                for (size_t i = 0; i < d.messages.shown.size(); ++i)
                    std::fprintf(stderr, "%6.1f s      %s%s\n", seconds(t0, d.messages.at[i]),
                                 ok || i + 1 < d.messages.shown.size() ? "" : "[NO ES SU FIN] ",
                                 qPrintable(oneLine(d.messages.shown[i])));
                if (d.messages.shown.empty()) std::fprintf(stderr, "              %s%s\n", ok ? "" : "[NO ES SU FIN] ",
                                                           silent.isEmpty() ? "(nada)" : qPrintable(silent));
                if (eachAction) lock.reset();
            }
            gap = std::max(gap, gaps.longestMs());
        }
        look.stop();
        state.SetIterationTime(seconds(t0));
        lock.reset();
    }
    state.counters["gap_ms"] = gap;
    state.counters["on_screen"] = onScreen ? 1 : 0;
    if (wrong > 0) state.SkipWithError("an action ended in neither its own message nor the locked database's");
}

void LockedActions(benchmark::State& state) { lockedActions(state, false); }
void LockedEachAction(benchmark::State& state) { lockedActions(state, true); }

// Deleting a party of the declaration (its hundred transactions with it, every period's state
// checked again) as the party register does it, on the runner; against the same statements raw:
// the party's transactions counted, the four deletes, the declarant's periods, and for each its
// count and the four totals by method in one pass, in one transaction. Each side deletes a party
// of its own.
void DeleteParty(benchmark::State& state) {
    DeclarationData& d = data<DeclarationData>(static_cast<int>(state.range(0)));
    long long next = 20100000000LL;
    const QString ruc = QString::fromLatin1(kRuc);
    compare(
        state,
        [&] {
            const Party party{6, QString::number(next++)};
            LongWork work(d.window(), nullptr, QStringLiteral("Eliminando el informado..."));
            if (!work.run<bool>([&](AppContext& w, const WorkProgress&) { return udp_EliminarInformado(w, ruc, party); }))
                throw std::runtime_error("the party was not deleted: " + d.messages.last.toStdString());
        },
        [&] {
            const std::string party = std::to_string(next++);
            const std::string partyKey = "TIP_DOC_D=6 AND DOC_ID_D='20601234565' AND TIP_DOC_P=6 AND DOC_ID_P='" + party + "'";
            sqlite3* db = d.raw();
            benchmark::DoNotOptimize(
                rawReadAll(db, ("SELECT count(*) FROM TRANSACCION2 WHERE " + partyKey + " AND FORMULARIO='8027'").c_str()));
            rawExec(db, "BEGIN IMMEDIATE");
            for (const char* t : {"TRANSACCION2", "TIP_VIN_PAR", "PAR_VIN", "TRATIPTRA2"})
                rawExec(db, (std::string("DELETE FROM ") + t + " WHERE " + partyKey).c_str());
            benchmark::DoNotOptimize(rawReadAll(
                db, "SELECT PERIODO FROM CAB WHERE TIP_DOC_D=6 AND DOC_ID_D='20601234565' AND FORMULARIO='8027'"));
            benchmark::DoNotOptimize(rawReadAll(db, (std::string("SELECT count(*) FROM TRANSACCION2 WHERE ") + kKey).c_str()));
            benchmark::DoNotOptimize(rawReadAll(
                db, (std::string("SELECT"
                                 " sum(CASE WHEN FLAG_VAL_MET='00' AND IND_TRANSAC_FIN='0' THEN VB_CDBL(MTO_SIN_TRAN_MON_REG)"
                                 " WHEN FLAG_VAL_MET='00' AND IND_TRANSAC_FIN='1' THEN VB_CDBL(MTO_SIN_INTS_MON_REG) END),"
                                 " sum(CASE WHEN FLAG_VAL_MET='01' AND IND_TRANSAC_FIN='0'"
                                 " THEN VB_VAL(MTO_SIN_AJU_PCNC)+VB_VAL(MTO_SIN_AJU_PR)+VB_VAL(MTO_SIN_AJU_CI)"
                                 " WHEN FLAG_VAL_MET='01' AND IND_TRANSAC_FIN='1'"
                                 " THEN VB_VAL(MTO_INTS_SIN_AJU_PCNC)+VB_VAL(MTO_INTS_SIN_AJU_PR)+VB_VAL(MTO_INTS_SIN_AJU_CI) END),"
                                 " sum(CASE WHEN FLAG_VAL_MET='01' AND IND_TRANSAC_FIN='0'"
                                 " THEN VB_VAL(MTO_AJU_PCNC)+VB_VAL(MTO_AJU_PR)+VB_VAL(MTO_AJU_CI)"
                                 " WHEN FLAG_VAL_MET='01' AND IND_TRANSAC_FIN='1'"
                                 " THEN VB_VAL(MTO_INTS_AJU_PCNC)+VB_VAL(MTO_INTS_AJU_PR)+VB_VAL(MTO_INTS_AJU_CI) END),"
                                 " sum(CASE WHEN FLAG_VAL_MET='02' AND IND_TRANSAC_FIN='0' THEN VB_CDBL(MTO_TRA_MON_REG)"
                                 " WHEN FLAG_VAL_MET='02' AND IND_TRANSAC_FIN='1' THEN VB_CDBL(MTO_TOT_INTS_MON_REG) END)"
                                 " FROM TRANSACCION2 WHERE ") +
                     kKey)
                        .c_str()));
            rawExec(db, "COMMIT");
        },
        InWindow::Yes);
}

// The stored declaration of period 2016 copied whole under another period: its transactions, their
// types, its status row and header, and an attached study (EFCONTROLNS), as a declaration the
// chooser deletes. Nothing is laid when the period already has its status row.
void layDeclarationCopy(sqlite3* db, const char* periodo) {
    RawStatement present(db, "SELECT 1 FROM IDENTIFICA2 WHERE TIP_DOC_D=6 AND DOC_ID_D=?1 AND PERIODO=?2");
    if (present.with(kRuc, periodo).step()) {
        present.run();
        return;
    }
    rawExec(db, "BEGIN IMMEDIATE");
    for (const char* table : {"TRANSACCION2", "TRATIPTRA2", "IDENTIFICA2", "CAB"}) {
        std::string columns, values;
        for (const schema::Column& c : tableOf(table)->columns) {
            const std::string name = c.name.toStdString();
            columns += (columns.empty() ? "" : ", ") + name;
            values += std::string(values.empty() ? "" : ", ") + (c.name.compare(QStringLiteral("PERIODO"), Qt::CaseInsensitive) ? name : "?1");
        }
        RawStatement(db, std::string("INSERT INTO ") + table + " (" + columns + ") SELECT " + values + " FROM " + table +
                             " WHERE TIP_DOC_D=6 AND DOC_ID_D='20601234565' AND PERIODO='2016' ORDER BY rowid")
            .runWith(periodo);
    }
    RawStatement(db, "INSERT INTO EFCONTROLNS (TIP_DOC_D, DOC_ID_D, Periodo, Formulario, Semana, nomarc, tab_d, RutArc,"
                     " tamarc, Marca, Indice, cNumero) VALUES (6, ?1, ?2, '8027', 0, ?3, 'PDF', '/estudios', 1000, '0', 0,"
                     " '666666')")
        .runWith(kRuc, periodo, std::string("8027") + kRuc + periodo + ".PDF");
    rawExec(db, "COMMIT");
}

// Deleting a stored declaration as the chooser does it ("&Eliminar" of the chooser opened to delete,
// its question answered Yes: the work "Eliminando la declaración..." on the engine, then the list
// read again), against declaration_delete_raw.c: the same five deletes of the same rows, in one
// transaction, by a C program on a connection of its own. Each side deletes a declaration of its
// own of n transactions (copies of the stored one, periods 2017 and 2018), laid again after each
// run, untimed. Once, both sides delete the same declaration from the same database, and the bench
// checks that they leave every table with the same rows.
void DeleteDeclaration(benchmark::State& state) {
    DeclarationData& d = data<DeclarationData>(static_cast<int>(state.range(0)));
    sqlite3* db = d.raw();
    AppContext& win = d.window();
    win.gAccion = 3;
    FrmContAbrir chooser(win);
    if (!qEnvironmentVariableIsEmpty("KLV_BENCH_SHOTS")) chooser.show();
    const std::string file = d.ctx.gDBFile.toStdString();
    const auto period = [](const char* p) { return DeclarationKey{6, QString::fromLatin1(kRuc), QString::fromLatin1(p), QStringLiteral("8027")}; };
    auto ours = [&] {
        d.messages.clear();
        const int before = chooser.rowCount();
        const ProgressShot shot(QStringLiteral("eliminar-declaracion"), 150);
        chooser.CmdOpciones_Click(0);
        if (chooser.rowCount() != before - 1)
            throw std::runtime_error("the declaration was not deleted: " + d.messages.last.toStdString());
    };
    auto raw = [&](const char* periodo) {
        if (rawDeleteDeclaration(file.c_str(), kRuc, periodo, "8027") != 0) throw std::runtime_error("the raw delete failed");
    };
    // Lays what a side deleted again and selects the module's declaration in the chooser.
    auto tidy = [&] {
        layDeclarationCopy(db, "2017");
        layDeclarationCopy(db, "2018");
        chooser.selectKey(period("2017"));
        if (chooser.selectedKey().periodo != QLatin1String("2017")) throw std::runtime_error("the chooser lists no 2017");
    };
    // Once: the same declaration deleted by each side from the same rows leaves the same rows.
    layDeclarationCopy(db, "2017");
    chooser.selectKey(period("2017"));
    ours();
    const unsigned long long deleted = databaseDigest(db);
    layDeclarationCopy(db, "2017");
    raw("2017");
    if (databaseDigest(db) != deleted) throw std::runtime_error("the raw delete leaves other rows than the chooser's");
    tidy();
    compare(state, ours, [&] { raw("2018"); }, InWindow::Yes, tidy);
}

// The report files named by `folder`'s SPOOL rows go (each side writes one of its own every run).
void removeReports(const QString& folder) {
    for (const QString& name : QDir(folder).entryList({QStringLiteral("*.PRN")}, QDir::Files)) QFile::remove(folder + QLatin1Char('/') + name);
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read " + path.toStdString());
    return f.readAll();
}

// Writing the declaration's print as the print dialog's Preliminar does (its work on the engine:
// the answers, the SPOOL row and its empty file, the report written aside, synced and renamed; the
// range dialog that follows is not shown), against declaration_print_raw.c: the same steps in C on
// the bench's connection. The bench checks once that both write the same file, byte for byte; the
// files go after each side.
void WriteReport(benchmark::State& state) {
    DeclarationData& d = data<DeclarationData>(static_cast<int>(state.range(0)));
    FrmImprimir dialog(d.window());
    QString written;  // the report's file name
    dialog.showRangeDialog = [&](FrmImpxPag& range) { written = range.fileName(); };
    if (!qEnvironmentVariableIsEmpty("KLV_BENCH_SHOTS")) dialog.show();
    dialog.selectRow(0);
    const QString folder = d.ctx.gRptPath;
    const QByteArray dir = QFile::encodeName(folder), user = d.ctx.gSysUser.toUtf8(),
                     now = d.clock.now().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toUtf8(),
                     name = d.ctx.db()
                                .scalar(QStringLiteral("SELECT NOMBRE FROM CONT WHERE TIP_DOC_D=6 AND DOC_ID_D=?"),
                                        {QString::fromLatin1(kRuc)})
                                .toString()
                                .toUtf8();
    QString rawFile;
    auto ours = [&] {
        written.clear();
        const ProgressShot shot(QStringLiteral("escribir-reporte"), 500);
        dialog.CmdImprimir_Click(0);
        if (written.isEmpty()) throw std::runtime_error("no report was written: " + d.messages.last.toStdString());
    };
    auto raw = [&] {
        char file[16];
        if (rawWriteDeclarationPrint(d.raw(), dir.constData(), kRuc, name.constData(), kPeriodo, "8027", user.constData(),
                                     now.constData(), file) != 0)
            throw std::runtime_error("the raw side wrote no report");
        rawFile = folder + QLatin1Char('/') + QString::fromLatin1(file);
    };
    // Once: both sides write the same file.
    ours();
    raw();
    if (fileBytes(folder + QLatin1Char('/') + written) != fileBytes(rawFile)) throw std::runtime_error("the raw side writes another report");
    removeReports(folder);
    compare(state, ours, raw, InWindow::Yes, [&] { removeReports(folder); });
}

// The floor of printing the declaration: the same pages painted with QPainter alone into a PDF.
// Everything is prepared beforehand from the report read whole: each font made (family, pixel
// size at the scale, weight) with its ascent, every text's baseline and every box's corners in
// device pixels at the scale and origin the print's fit found, the sheets' breaks where the print
// begins a sheet (before the first drawing after a page break). paint() then makes the printer,
// paints and ends the job, setting font and pen where the print sets them: nothing is read,
// measured or looked up there.
class PaintFloor {
public:
    explicit PaintFloor(const markup::MarkupDocument& doc) : landscape_(doc.landscape()) {
        QTemporaryDir scratch;
        QPrinter printer(QPrinter::HighResolution);
        setUp(printer, scratch.filePath(QStringLiteral("fit.pdf")));
        QPainter painter(&printer);
        const markup::PageFit fit = markup::fitToArea(doc, printer.pageRect(QPrinter::DevicePixel).size(),
                                                      printer.resolution() / 1440.0, &printer);
        origin_ = fit.origin;
        std::map<std::pair<int, bool>, int> faceOf;
        std::vector<double> ascent;
        bool drawn = false, pending = false;
        for (const markup::ParsedLine& e : doc.entries) {
            switch (e.keyword) {
            case markup::Keyword::Pos: {
                auto [it, added] = faceOf.try_emplace({e.size, e.bold}, static_cast<int>(fonts_.size()));
                if (added) {
                    QFont font(markup::kReportFontFamily);
                    font.setStyleHint(QFont::TypeWriter);
                    font.setPixelSize(std::max(1, static_cast<int>(std::lround(std::clamp<int>(e.size, 1, 400) * 20.0 * fit.scale))));
                    font.setBold(e.bold);
                    fonts_.push_back(font);
                    ascent.push_back(QFontMetricsF(font, &printer).ascent());
                }
                if (std::exchange(pending, false)) ops_.push_back({Op::Sheet, 0, {}, {}, {}});
                ops_.push_back({Op::Text, it->second, QPointF(e.x * fit.scale, e.y * fit.scale + ascent[it->second]), {}, e.text});
                drawn = true;
                break;
            }
            case markup::Keyword::Cuadro:
                if (std::exchange(pending, false)) ops_.push_back({Op::Sheet, 0, {}, {}, {}});
                ops_.push_back({Op::Box, 0, QPointF(e.x * fit.scale, e.y * fit.scale), QPointF(e.x2 * fit.scale, e.y2 * fit.scale), {}});
                drawn = true;
                break;
            case markup::Keyword::NuevaHoja: pending = pending || drawn; break;
            case markup::Keyword::PosVerti: throw std::runtime_error("the floor paints no vertical text");
            default: break;
            }
        }
        painter.end();
    }

    void paint(const QString& pdf) const {
        QPrinter printer(QPrinter::HighResolution);
        setUp(printer, pdf);
        QPainter painter(&printer);
        painter.translate(origin_);
        QPen boxPen(Qt::black);
        boxPen.setWidth(1);
        boxPen.setCosmetic(true);
        int font = -1;
        bool textPen = false;
        for (const Op& op : ops_) {
            switch (op.kind) {
            case Op::Text:
                if (!std::exchange(textPen, true)) painter.setPen(Qt::black);
                if (op.font != font) painter.setFont(fonts_[font = op.font]);
                painter.drawText(op.a, op.text);
                break;
            case Op::Box:
                painter.setPen(Qt::black);  // as the print: each box takes its pen anew
                painter.setPen(boxPen);
                textPen = false;
                painter.drawLine(QPointF(op.a.x(), op.a.y()), QPointF(op.a.x(), op.b.y()));
                painter.drawLine(QPointF(op.b.x(), op.a.y()), QPointF(op.b.x(), op.b.y()));
                painter.drawLine(QPointF(op.a.x(), op.a.y()), QPointF(op.b.x(), op.a.y()));
                painter.drawLine(QPointF(op.a.x(), op.b.y()), QPointF(op.b.x(), op.b.y()));
                break;
            case Op::Sheet:
                if (!printer.newPage()) throw std::runtime_error("the floor could not begin a sheet");
                break;
            }
        }
        if (!painter.end()) throw std::runtime_error("the floor could not end its job");
    }

private:
    struct Op {
        enum Kind { Text, Box, Sheet } kind;
        int font;
        QPointF a, b;
        QString text;
    };
    void setUp(QPrinter& printer, const QString& pdf) const {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setFullPage(false);
        printer.setPageOrientation(landscape_ ? QPageLayout::Landscape : QPageLayout::Portrait);
    }
    bool landscape_;
    QPointF origin_;
    std::vector<QFont> fonts_;
    std::vector<Op> ops_;
};

// A PDF without its creation date, the one thing two prints of the same pages may not share.
QByteArray withoutDate(QByteArray pdf) {
    const qsizetype at = pdf.indexOf("/CreationDate");
    if (at >= 0) pdf.remove(at, pdf.indexOf('\n', at) - at);
    return pdf;
}

// Printing the declaration into a PDF. Once, Imprimir as the user meets it: the print dialog's
// button writes the report again, reads it whole and paints every page (whole_ms, whole_gap_ms,
// whole_peak_MiB). Then, for the time and the ratio, the painting alone on both sides: the print
// of that report read whole (printReport, as Imprimir calls it once the report is read: the
// printer made, the report fitted to the printable area, every page painted on the engine's
// thread, the job ended) against PaintFloor's paint() (the printer made, the same pages painted,
// the job ended). The bench checks once that the floor's PDF is the print's.
void Print(benchmark::State& state) {
    DeclarationData& d = data<DeclarationData>(static_cast<int>(state.range(0)));
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("declaracion.pdf")), floorPdf = out.filePath(QStringLiteral("suelo.pdf"));
    FrmImprimir dialog(d.window());
    if (!qEnvironmentVariableIsEmpty("KLV_BENCH_SHOTS")) dialog.show();
    dialog.selectRow(0);
    QString written;  // the report's file name
    const auto print = dialog.printWhole;
    dialog.printWhole = [&](const QString& file) {
        written = file;
        return print(file);
    };
    qputenv("KLV_PRINT_PDF", pdf.toLocal8Bit());
    double wholeMs = 0, wholeGap = 0, wholePeak = 0;
    {
        const double base = freshBaseline();
        const ProgressShot shot(QStringLiteral("imprimir"), 6000);
        EventGaps gaps;
        const auto t0 = Clock::now();
        dialog.CmdImprimir_Click(1);
        wholeMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        wholeGap = gaps.longestMs();
        wholePeak = memoryMiB("VmHWM") - base;
    }
    if (written.isEmpty() || !QFile::exists(pdf)) throw std::runtime_error("nothing was printed: " + d.messages.last.toStdString());
    const markup::MarkupDocument doc = markup::readMarkupFile(d.ctx.gRptPath + QLatin1Char('/') + written);
    if (!doc.ok()) throw std::runtime_error("the report cannot be read");
    const PaintFloor floor(doc);
    floor.paint(floorPdf);
    if (withoutDate(fileBytes(pdf)) != withoutDate(fileBytes(floorPdf)))
        throw std::runtime_error("the floor paints another PDF");
    compare(
        state,
        [&] {
            if (!printReport(d.window(), &dialog, doc, std::nullopt))
                throw std::runtime_error("nothing was printed: " + d.messages.last.toStdString());
        },
        [&] { floor.paint(floorPdf); }, InWindow::Yes);
    state.counters["whole_ms"] = wholeMs;
    state.counters["whole_gap_ms"] = wholeGap;
    state.counters["whole_peak_MiB"] = wholePeak;
    qunsetenv("KLV_PRINT_PDF");
}

void sizes(benchmark::internal::Benchmark* b, std::initializer_list<int> ns) {
    for (int n : ns) b->Arg(n);
    b->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
}

BENCHMARK(Grabar)->Apply([](auto* b) { sizes(b, {10000, 100000, 400000, 1000000}); });
BENCHMARK(Validar)->Apply([](auto* b) { sizes(b, {10000, 100000, 400000, 1000000}); });
BENCHMARK(Rebuild)->Apply([](auto* b) { sizes(b, {10000, 100000, 400000}); });
BENCHMARK(TotalsAndChecks)->Apply([](auto* b) { sizes(b, {10000, 100000, 400000}); });
BENCHMARK(OpenStored)->Apply([](auto* b) { sizes(b, {10000, 100000, 400000, 1000000}); });
BENCHMARK(Grid)->Apply([](auto* b) { sizes(b, {10000, 100000, 400000, 1000000}); });
BENCHMARK(Chooser)->Apply([](auto* b) { sizes(b, {10000, 50000}); });
BENCHMARK(GrabarLocked)->Apply([](auto* b) { sizes(b, {10000, 100000}); b->Iterations(1); });
BENCHMARK(LockedActions)->Apply([](auto* b) { sizes(b, {100000}); b->Iterations(1); });
BENCHMARK(LockedEachAction)->Apply([](auto* b) { sizes(b, {100000}); b->Iterations(1); });
BENCHMARK(DeleteParty)->Apply([](auto* b) { sizes(b, {10000, 100000, 400000, 1000000}); });
BENCHMARK(DeleteDeclaration)->Apply([](auto* b) { sizes(b, {10000, 100000, 120000, 400000}); });
BENCHMARK(WriteReport)->Apply([](auto* b) { sizes(b, {10000, 100000, 400000, 1000000}); });
BENCHMARK(Print)->Apply([](auto* b) { sizes(b, {10000, 100000, 400000, 1000000}); });

}  // namespace

int main(int argc, char** argv) { return klv::bench::benchmarkMain(argc, argv, [] { g_kept.reset(); }); }
