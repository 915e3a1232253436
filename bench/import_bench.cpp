// The file imports on large files against the same work done raw with the sqlite3 C library, in the
// same run: a party file (RUC.ifm) of N new parties, and a transaction file (RUC.TXT) of N valid
// lines of 1,000 parties in place. Each import runs as the user meets it: "&Aceptar" of the import
// dialog, its progress shown.
//
// The raw side does what the import must do, in plain C over the bytes: it reads the file line by
// line, splits it at "|", trims and upper-cases the fields, and inserts the rows with statements
// prepared once, 50,000 lines a transaction, as the import's batches. For the party file it also
// parses the numbers the checks use (document type, birth date) and computes the control numbers
// where the import stores them (PAR_VIN, TIP_VIN_PAR), but looks nothing up: the import's lookups
// and checks are what that ratio charges it for. For the transaction file it also makes the
// import's checks and lookups of its lines (rawTransactionChecks: the party's row and next number
// read once a party, the currency looked up, the field, record and case rules), so that ratio is
// the import's own cost for the same work. After the first iteration the bench compares the tables
// each side wrote, every column of every row, and stops when they differ.
//
// Both sides run on a connection opened afresh with the door's settings (an empty page cache): the
// import on the engine's, on its own thread as in QM8027, the raw side on the bench's own; and on
// a database file grown beforehand to hold the rows; the file is on the disk before anything is
// timed. Counters: the raw side's time (raw_ms), the ratio by the clock (ratio) and by processor
// time (cpu_ratio: less disturbed by other programs, blind to waiting for the disk), lines per
// second of each side, and the memory each side adds to the process at its peak (peak_MiB,
// raw_peak_MiB: Linux's high-water mark less the resident size when the side began, both taken
// after the set-up's memory was given back), and the longest time the import held the dialog's event
// loop (gap_ms: between two firings of a 10 ms timer).
//   build: cmake -DCMAKE_BUILD_TYPE=Release -DKLV_BUILD_BENCH=ON ... && cmake --build . --target import_bench
//   run:   bin/import_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
//          (--benchmark_filter=Parties, /100000$ ... for a part)
#include "app_context.h"
#include "database.h"
#include "engine.h"
#include "frm_importador.h"
#include "host_env.h"
#include "import_core.h"
#include "schema.h"
#include "utilitarios.h"

#include "event_loop.h"
#include "raw_sqlite.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <sqlite3.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

using namespace klv;
using namespace klv::bench;

const QString kRuc = QStringLiteral("20601234565");
constexpr const char* kRucC = "20601234565";
constexpr int kParties = 1000;      // parties of the transaction file
constexpr int kLinesPerBatch = 50000;

class NullMessages : public MessageService {
public:
    int show(const QString&, int style, const QString&) override { return defaultAnswerOfStyle(style); }
};

// ---- Time and memory ---------------------------------------------------------------------------

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

// ---- The raw side: sqlite3 and C over the bytes ----------------------------------------------------

// The fields of a line, split in place: the text before each "|", blanks trimmed, letters
// upper-cased, each ended by a zero.
int splitFields(char* line, size_t size, std::string_view* fields, int max) {
    int n = 0;
    size_t start = 0;
    for (size_t i = 0; i < size && n < max; ++i) {
        if (line[i] != '|') continue;
        size_t b = start, e = i;
        while (b < e && line[b] == ' ') ++b;
        while (e > b && line[e - 1] == ' ') --e;
        for (size_t k = b; k < e; ++k)
            if (line[k] >= 'a' && line[k] <= 'z') line[k] = static_cast<char>(line[k] - 32);
        line[e] = '\0';
        fields[n++] = std::string_view(line + b, e - b);
        start = i + 1;
    }
    return n;
}

long long digits(std::string_view t) {
    long long v = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return 0;
        v = v * 10 + (c - '0');
    }
    return v;
}

// Lines of a file, read and split; `onLine` gets the fields of each.
template <class OnLine>
void rawLines(sqlite3* db, const QString& path, int max, OnLine onLine) {
    FILE* f = std::fopen(path.toLocal8Bit().constData(), "rb");
    if (!f) throw std::runtime_error("cannot read the file");
    char* line = nullptr;
    size_t capacity = 0;
    ssize_t size;
    std::vector<std::string_view> fields(static_cast<size_t>(max));
    long lines = 0;
    rawExec(db, "BEGIN IMMEDIATE");
    while ((size = getline(&line, &capacity, f)) > 0) {
        while (size > 0 && (line[size - 1] == '\n' || line[size - 1] == '\r')) --size;
        if (splitFields(line, static_cast<size_t>(size), fields.data(), max) != max) throw std::runtime_error("bad line");
        onLine(fields.data());
        if (++lines % kLinesPerBatch == 0) {
            rawExec(db, "COMMIT");
            rawExec(db, "BEGIN IMMEDIATE");
        }
    }
    rawExec(db, "COMMIT");
    std::free(line);
    std::fclose(f);
}

// ---- The database and the files ---------------------------------------------------------------------

// `ctx` holds the bench's own connection (the set-up, the raw side, the comparison); the dialog
// gets `win`, as QM8027's window has it: no connection, the engine in its place.
struct Fixture {
    QTemporaryDir dir;
    QString file;
    NullMessages messages;
    FixedClock clock{QDate(2026, 12, 8)};
    Utilitarios util;
    AppContext ctx;
    AppContext win;

    explicit Fixture(bool transactionParties) {
        file = dir.filePath(QStringLiteral("bench.db"));
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.close();
        ctx.gDB = Database::open(file);
        ctx.messages = &messages;
        ctx.clock = &clock;
        ctx.gUtil = &util;
        ctx.gRptPath = dir.filePath(QStringLiteral("RPT"));
        ctx.gSysUser = QStringLiteral("DEMO");
        Database& db = ctx.db();
        for (const auto& t : schema::moduleTables()) db.exec(schema::createStatement(t));
        host::createHostTables(db);
        Transaction tx(db);
        // The declarant the import dialog lists for the user.
        db.exec(QStringLiteral("INSERT INTO CONT (Tip_doc_d, Doc_id_d, Dependencia, Nombre, Usuario, TIPO_INGRESO)"
                               " VALUES (6, ?, '0021', 'EMPRESA', ?, 1)"),
                {kRuc, ctx.gSysUser});
        for (const char* p : {"'883', '001', 'SOLES'", "'976', '9589', 'PERU'", "'976', '9063', 'ESPAÑA'",
                              "'876', '01', 'DOMICILIO'"})
            db.exec(QStringLiteral("INSERT INTO PARAM (Numero, Argumento, Funcion) VALUES (%1)").arg(QString::fromUtf8(p)));
        if (transactionParties) {
            Query p = db.prepare(QStringLiteral(
                "INSERT INTO PAR_VIN (tip_doc_d, doc_id_d, formulario, tip_doc_p, doc_id_p, cod_par, flag_par_fis, "
                "cod_nat_jur, flag_par_vin, flag_con_dom, razon_social, cnumero) "
                "VALUES (6, ?, '8027', 6, ?, '9589', '0', '2', '01', '01', 'PARTE', '000000')"));
            for (int i = 0; i < kParties; ++i) db.run(p, {kRuc, party(i)});
        }
        tx.commit();
        win.globals() = ctx.globals();
        win.messages = ctx.messages;
        win.clock = ctx.clock;
        win.gUtil = ctx.gUtil;
    }

    static QString party(int i) { return QStringLiteral("P%1").arg(i, 7, 10, QLatin1Char('0')); }

    // Connections opened afresh, as a program that begins an import has: the bench's own and the
    // engine's.
    sqlite3* reopen() {
        win.engine.reset();
        ctx.gDB.reset();
        ctx.gDB = Database::open(file);
        win.engine = Engine::open(file);
        return ctx.db().sqliteHandle();
    }

    void write(const QString& path, const std::function<QByteArray(int)>& line, int n) {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        for (int i = 0; i < n; ++i) f.write(line(i));
        // On the disk before anything is timed: its write-back would otherwise fall in the import.
        f.flush();
        ::fsync(f.handle());
    }

    // What the import took, from "&Aceptar" to its outcome shown: its start and end, and the longest
    // time it held the event loop.
    struct Timing {
        double baseMiB = 0;  // the resident memory when it began, the heap freed earlier given back
        Moment start, end;
        double gapMs = 0;
    };

    // The file imported by the import dialog opened by the party register or the declaration form.
    long import(import::ImportKind kind, const QString& path, Timing& timing) {
        const OpenDeclaration opener{kRuc + QStringLiteral("           EMPRESA"), QStringLiteral("2015"),
                                     QStringLiteral("1"), QStringLiteral("0")};
        import::ImportOutcome out;
        FrmImportador dialog(win, [&out](AppContext& c, const import::ImportRequest& req, const import::ProgressFn& p) {
            return out = import::ejecutarImportacion(c, req, p);
        });
        dialog.udp_Def_Caller(kind == import::ImportKind::Partes ? QStringLiteral("FrmPartesVinc")
                                                                 : QStringLiteral("Frm_KLV_Declara"));
        dialog.Form_Load(&opener);
        dialog.setDirectory(QFileInfo(path).path());
        dialog.show();
        auto* files = dialog.findChild<QListWidget*>(QStringLiteral("File1"));
        if (files->count() != 1) throw std::runtime_error("the dialog does not list the file");
        files->item(0)->setSelected(true);
        {
            timing.baseMiB = freshBaseline();
            EventGaps gaps;
            timing.start = Moment::now();
            dialog.cmdTransferir_Click();
            timing.end = Moment::now();
            timing.gapMs = gaps.longestMs();
        }
        if (out.status != import::ImportOutcome::Status::Terminado) std::fprintf(stderr, "%s\n", qPrintable(out.message));
        if (out.counts.rechazados > 0) {
            QFile err(out.errPath);
            err.open(QIODevice::ReadOnly);
            std::fprintf(stderr, "rejected: %s\n", err.readLine().constData());
        }
        return out.counts.rechazados == 0 ? out.counts.transferidos : -1;
    }
};

// ---- Parties --------------------------------------------------------------------------------------

// Line i: a domiciled company (a valid RUC, one vinculation type) or, every other line, a natural
// person abroad with birth date and legal address (two types).
QByteArray partyLine(const Utilitarios& util, int i) {
    // Fields 12-25: the vinculation types ticked.
    const auto types = [](std::initializer_list<int> ticked) {
        QStringList flags(14, QStringLiteral("0"));
        for (int t : ticked) flags[t - 1] = QStringLiteral("1");
        return flags.join(QLatin1Char('|'));
    };
    QString line;
    if (i % 2 == 0) {
        const QString base = QStringLiteral("20%1").arg(i, 8, 10, QLatin1Char('0'));
        QString ruc;
        for (int d = 0; d <= 9; ++d)
            if (util.ValidaRuc(base + QString::number(d))) ruc = base + QString::number(d);
        line = QStringLiteral("06|%1||||Empresa %2 SAC|01|9589|0|2||%3||||").arg(ruc).arg(i).arg(types({1}));
    } else {
        line = QStringLiteral("07|PA%1|Perez|Gomez|Ana Maria||02|9063|0|1||%2|01|Calle %1|1980-05-17|").arg(i).arg(types({2, 5}));
    }
    return (line + QStringLiteral("\r\n")).toLatin1();
}

void rawParties(sqlite3* db, const QString& path) {
    RawStatement party(db,
                       "INSERT INTO PAR_VIN (tip_doc_d, doc_id_d, formulario, tip_doc_p, doc_id_p, cod_par, "
                       "flag_par_fis, cod_nat_jur, otr_nat_jur, flag_par_vin, flag_con_dom, razon_social, nom_par_vin, "
                       "apepat_par_vin, apemat_par_vin, tip_dir_legal, des_dir_legal, fec_nac, cnumero) "
                       "VALUES (6, ?, '8027', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    RawStatement type(db,
                      "INSERT INTO TIP_VIN_PAR (tip_doc_d, doc_id_d, formulario, tip_doc_p, doc_id_p, cod_tip_vin, "
                      "cnumero) VALUES (6, ?, '8027', ?, ?, ?, ?)");
    static const char* const kCodes[] = {"01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11", "12", "13", "14"};
    std::string razon;
    rawLines(db, path, 28, [&](const std::string_view* f) {
        const long long tipo = digits(f[0]);
        int year = 0, month = 0, day = 0;  // the birth date the checks test
        if (!f[27].empty()) std::sscanf(std::string(f[27]).c_str(), "%d-%d-%d", &year, &month, &day);
        if (!f[27].empty() && (month < 1 || month > 12 || day < 1 || day > 31)) throw std::runtime_error("bad date");
        razon.assign(f[5]);
        if (razon.empty()) razon.append(f[2]).append(" ").append(f[3]).append(", ").append(f[4]);
        bool related = false;
        for (int k = 11; k <= 24; ++k) related = related || f[k] == "1";
        const std::string_view flag = related ? "01" : "02";
        const RawField row[18] = {RawField::of(6), RawField::of(kRucC), RawField::of("8027"), RawField::of(tipo),
                                  RawField::of(f[1]), RawField::of(f[7]), RawField::of(f[8]), RawField::of(f[9]),
                                  RawField::textOrNull(f[10]), RawField::of(flag), RawField::of(f[6]),
                                  RawField::of(razon), RawField::textOrNull(f[4]), RawField::textOrNull(f[2]),
                                  RawField::textOrNull(f[3]), RawField::textOrNull(f[25]), RawField::textOrNull(f[26]),
                                  RawField::dateOrNull(f[27])};
        party.runWith(kRucC, tipo, f[1], f[7], f[8], f[9], OrNull{f[10]}, flag, f[6], razon, OrNull{f[4]},
                      OrNull{f[2]}, OrNull{f[3]}, OrNull{f[25]}, OrNull{f[26]}, OrNull{f[27]},
                      rawControlNumber(row, 18, 4));
        for (int k = 11; k <= 24; ++k) {
            if (f[k] != "1") continue;
            const RawField t[6] = {RawField::of(6), RawField::of(kRucC), RawField::of("8027"), RawField::of(tipo),
                                   RawField::of(f[1]), RawField::of(kCodes[k - 11])};
            type.runWith(kRucC, tipo, f[1], kCodes[k - 11], rawControlNumber(t, 6, 4));
        }
    });
}

// ---- Transactions ---------------------------------------------------------------------------------

// Line i: a "00" line without method of party i mod 1,000, one type.
QByteArray transactionLine(int i) {
    QStringList fields(149);
    fields[0] = QStringLiteral("06");
    fields[1] = Fixture::party(i % kParties);
    fields[2] = QStringLiteral("00");
    fields[3] = QStringLiteral("0");
    fields[4] = QStringLiteral("01");
    fields[6] = fields[7] = QString::number(1000 + i);
    for (int k = 43; k <= 87; ++k) fields[k - 1] = QStringLiteral("0");
    fields[42] = QStringLiteral("1");
    return (fields.join(QLatin1Char('|')) + QStringLiteral("|\r\n")).toLatin1();
}

// The type of flag field 43-87.
int typeOfFlag(int field) {
    if (field <= 60) return field - 42;
    if (field <= 64) return field - 22;
    if (field <= 84) return field - 46;
    return field - 15;
}

// What the raw side knows of a party of the transaction file, read once a run as the import does.
struct RawParty {
    bool domiciled = false, haven = false;
    long next = 0;  // the next transaction number
};

bool oneOf(std::string_view v, std::initializer_list<std::string_view> texts) {
    for (std::string_view t : texts)
        if (v == t) return true;
    return false;
}
bool allBytes(std::string_view v, bool (*accepts)(unsigned char)) {
    for (const char c : v)
        if (!accepts(static_cast<unsigned char>(c))) return false;
    return true;
}
bool digitByte(unsigned char c) { return c >= '0' && c <= '9'; }
bool documentByte(unsigned char c) { return digitByte(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-'; }
bool nameByte(unsigned char c) {
    return documentByte(c) || c == ' ' || c == '\'' || c == '.' || c >= 0xC0 || c == 0xD1 || c == 0xF1;
}
bool rateByte(unsigned char c) { return digitByte(c) || c == '.'; }

// The checks the import makes of a line of a declaration of 2015 (questions answered 1 and 0), on
// the fields' bytes, and the lookups it needs: the document type and number, the party registered
// (its row read once a run), the option, the indicator, the currency (PARAM '883', read once), the
// other currency's name, every amount of the line's own case given and of digits (rates with one
// point), at most 14 characters, the flags "0" or "1", the detail amounts of a non-financial "02"
// line adding up to field 32, field 133 empty (the study question answered No from 2013), the
// range fields empty or numbers; the record rules (the party's domicile and tax haven against the
// option and the study answer, the count of flags and the financial types); and the "00"
// non-financial amounts both zero or both above. A line that fails stops the raw side: the bench's
// lines all pass.
bool rawTransactionChecks(const std::string_view* f, const RawParty& party, bool known, bool currencyKnown) {
    auto F = [f](int k) { return f[k - 1]; };
    const std::string_view tipo = F(1), doc = F(2), option = F(3), ind = F(4), currency = F(5);
    if (!oneOf(tipo, {"1", "01", "4", "04", "6", "06", "7", "07", "31", "32"})) return false;
    if (doc.empty() || (tipo == "1" && doc.size() != 8) || (oneOf(tipo, {"4", "7"}) && doc.size() > 12) ||
        (oneOf(tipo, {"31", "32"}) && doc.size() > 50))
        return false;
    if (!allBytes(doc, oneOf(tipo, {"1", "6"}) ? nameByte : documentByte) || !known) return false;
    if (!oneOf(option, {"00", "01", "02"}) || !oneOf(ind, {"0", "1"}) || !currencyKnown) return false;
    if ((currency == "00") != !F(6).empty() || F(6).size() >= 16) return false;
    const bool fin = ind == "1";
    // The amounts of the line's case: given, digits (the rates digits and a point).
    int first = 0, last = -1;
    if (option == "00") first = fin ? 9 : 7, last = fin ? 13 : 8;
    if (option == "01") first = fin ? 21 : 14, last = fin ? 24 : 14;
    if (option == "02") first = fin ? 36 : 31, last = fin ? 41 : 34;
    for (int k = 7; k <= 41; ++k) {
        if (k != 35 && F(k).size() > 14) return false;
        if (k < first || k > last) continue;
        if (F(k).empty() || !allBytes(F(k), k == 11 || k == 23 ? rateByte : digitByte)) return false;
    }
    int flags = 0;
    bool finFlag = false, otherFlag = false;
    long long detail = 0;
    for (int k = 43; k <= 87; ++k) {
        const std::string_view flag = F(k);
        if (!flag.empty() && !oneOf(flag, {"0", "1"})) return false;
        if (flag != "1") continue;
        ++flags;
        (k == 54 || k == 80 ? finFlag : otherFlag) = true;
        if (option == "02" && !fin) {
            if (!allBytes(F(k + 45), digitByte)) return false;
            detail += digits(F(k + 45));
        }
    }
    if (option == "02" && !fin && detail != digits(F(32))) return false;
    if (!F(133).empty()) return false;
    for (int k = 134; k <= 149; ++k)
        if (!F(k).empty() && (F(k).size() > 16 || !allBytes(F(k), rateByte))) return false;
    // The record rules: the study answered No, so a party at home or of no tax haven needs "00".
    if (party.haven && !party.domiciled ? option == "00" : option != "00") return false;
    if (flags == 0 || (flags >= 2 && option != "02")) return false;
    if ((fin && (!finFlag || otherFlag)) || (!fin && finFlag)) return false;
    if (option == "00" && !fin) {
        const long long origin = digits(F(7)), registered = digits(F(8));
        if ((origin == 0) != (registered == 0)) return false;
    }
    return true;
}

void rawTransactions(sqlite3* db, const QString& path) {
    RawStatement row(db,
                     "INSERT INTO TMPTRANSACCION2 (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P, "
                     "COR_TRANSACCION, FLAG_VAL_MET, IND_TRANSAC_FIN, COD_TIP_MONEDA, MTO_SIN_TRAN_MON_ORI, "
                     "MTO_SIN_TRAN_MON_REG, CNUMERO) VALUES (6, ?, '2015', '8027', ?, ?, ?, ?, ?, ?, ?, ?, '666666')");
    RawStatement type(db,
                      "INSERT INTO TMPTRATIPTRA (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P, "
                      "COR_TRANSACCION, COD_TIP_TRANSACCION, MONTO_TRANSACCION, CNUMERO) "
                      "VALUES (6, ?, '2015', '8027', ?, ?, ?, ?, NULL, '666666')");
    RawStatement partyRow(db,
                          "SELECT FLAG_CON_DOM, FLAG_PAR_FIS FROM PAR_VIN WHERE TIP_DOC_D = 6 AND DOC_ID_D = ? AND "
                          "TIP_DOC_P = ? AND DOC_ID_P = ? AND FORMULARIO = '8027'");
    RawStatement highest(db,
                         "SELECT max(COR_TRANSACCION) FROM TMPTRANSACCION2 WHERE TIP_DOC_D = 6 AND DOC_ID_D = ? AND "
                         "PERIODO = '2015' AND TIP_DOC_P = ? AND DOC_ID_P = ? AND FORMULARIO = '8027'");
    std::unordered_set<std::string> currencies;  // PARAM '883', three digits
    {
        RawStatement q(db, "SELECT Argumento FROM PARAM WHERE Numero = '883'");
        while (q.step()) currencies.insert(reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 0)));
    }
    std::unordered_map<std::string, RawParty> parties;  // by document type and number
    std::string key;
    rawLines(db, path, 149, [&](const std::string_view* f) {
        const long long tipo = digits(f[0]);
        key.assign(f[0]).append("|").append(f[1]);
        auto party = parties.find(key);
        if (party == parties.end()) {
            if (partyRow.with(kRucC, tipo, f[1]).step()) {
                auto text = [&](int c) {
                    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(partyRow.get(), c));
                    return std::string_view(t ? t : "");
                };
                RawParty p;
                p.domiciled = text(0) == "01";
                p.haven = text(1) == "1";
                party = parties.emplace(key, p).first;
                partyRow.run();
            }
        }
        char currency[24] = "";
        if (f[4].size() <= 2 && allBytes(f[4], digitByte)) std::snprintf(currency, sizeof currency, "%03lld", digits(f[4]));
        const bool known = party != parties.end();
        if (!rawTransactionChecks(f, known ? party->second : RawParty{}, known, currencies.count(currency) > 0))
            throw std::runtime_error("the raw checks refuse a line");
        long& cor = party->second.next;
        if (cor == 0) {
            cor = highest.with(kRucC, tipo, f[1]).step() ? static_cast<long>(sqlite3_column_int64(highest.get(), 0)) + 1 : 1;
            highest.run();
        }
        row.runWith(kRucC, tipo, f[1], static_cast<long long>(cor), f[2], f[3], f[4], f[6], f[7]);
        for (int k = 43; k <= 87; ++k) {
            if (f[k - 1] != "1") continue;
            char code[3];
            std::snprintf(code, sizeof code, "%02d", typeOfFlag(k));
            type.runWith(kRucC, tipo, f[1], static_cast<long long>(cor), code);
        }
        ++cor;
    });
}

// ---- The benchmarks -------------------------------------------------------------------------------

struct Kind {
    import::ImportKind import;
    std::vector<const char*> tables;
    void (*raw)(sqlite3*, const QString&);
};

// The folder of each size holds the one file the dialog lists for the declarant.
QString sizedFile(const Fixture& fx, int n, const char* extension) {
    return fx.dir.filePath(QStringLiteral("%1/%2.%3").arg(n).arg(kRuc, QString::fromLatin1(extension)));
}

// One repetition of a file kind and size. The file is written, and the database file grown to
// hold its rows, at the first repetition of the size, untimed: else the first import alone would
// pay for growing it and the raw side after it would reuse its free pages.
void run(benchmark::State& state, Fixture& fx, const Kind& kind, const QString& path,
         const std::function<QByteArray(int)>& line) {
    const int n = static_cast<int>(state.range(0));
    // The tables emptied, then a connection opened afresh: its page cache holds nothing yet.
    auto clear = [&] {
        for (const char* t : kind.tables) rawExec(fx.ctx.db().sqliteHandle(), (std::string("DELETE FROM ") + t).c_str());
        fx.reopen();
    };
    auto digest = [&] {
        unsigned long long d = 0;
        for (const char* t : kind.tables) d = d * 31 + tableDigest(fx.ctx.db().sqliteHandle(), t);
        return d;
    };
    static std::unordered_map<std::string, bool> ready;
    if (!ready[path.toStdString()]) {
        fx.write(path, line, n);
        clear();
        kind.raw(fx.ctx.db().sqliteHandle(), path);
        ready[path.toStdString()] = true;
    }
    double wall = 0, rawWall = 0, cpu = 0, rawCpu = 0, peak = 0, rawPeak = 0, gap = 0;
    bool compared = false;
    for (auto _ : state) {
        clear();
        Fixture::Timing timing;
        const long added = fx.import(kind.import, path, timing);
        const Moment t0 = timing.start, t1 = timing.end;
        gap = std::max(gap, timing.gapMs);
        peak = std::max(peak, memoryMiB("VmHWM") - timing.baseMiB);
        if (added != n) {
            state.SkipWithError("lines rejected");
            return;
        }
        const unsigned long long imported = compared ? 0 : digest();
        clear();
        sqlite3* db = fx.ctx.db().sqliteHandle();
        const double base = freshBaseline();
        const Moment t2 = Moment::now();
        kind.raw(db, path);
        const Moment t3 = Moment::now();
        rawPeak = std::max(rawPeak, memoryMiB("VmHWM") - base);
        if (!compared && digest() != imported) {
            state.SkipWithError("the raw side wrote other rows than the import");
            return;
        }
        compared = true;
        state.SetIterationTime(t1.wall - t0.wall);
        wall += t1.wall - t0.wall;
        cpu += t1.cpu - t0.cpu;
        rawWall += t3.wall - t2.wall;
        rawCpu += t3.cpu - t2.cpu;
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["raw_ms"] = rawWall / iterations * 1000.0;
    state.counters["ratio"] = rawWall > 0 ? wall / rawWall : 0;
    state.counters["cpu_ratio"] = rawCpu > 0 ? cpu / rawCpu : 0;
    state.counters["lines_per_s"] = wall > 0 ? n * iterations / wall : 0;
    state.counters["raw_lines_per_s"] = rawWall > 0 ? n * iterations / rawWall : 0;
    state.counters["peak_MiB"] = peak;
    state.counters["raw_peak_MiB"] = rawPeak;
    state.counters["gap_ms"] = gap;
}

void BM_ImportParties(benchmark::State& state) {
    static Fixture fx(false);
    run(state, fx, {import::ImportKind::Partes, {"PAR_VIN", "TIP_VIN_PAR"}, rawParties},
        sizedFile(fx, static_cast<int>(state.range(0)), "ifm"), [](int i) { return partyLine(fx.util, i); });
}
// Each file kind at each size, once a repetition.
void sizes(benchmark::internal::Benchmark* b) {
    for (int n : {10000, 100000, 400000, 1000000}) b->Arg(n);
    b->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
}
BENCHMARK(BM_ImportParties)->Apply(sizes);

void BM_ImportTransactions(benchmark::State& state) {
    static Fixture fx(true);
    run(state, fx, {import::ImportKind::Transacciones2012, {"TMPTRANSACCION2", "TMPTRATIPTRA"}, rawTransactions},
        sizedFile(fx, static_cast<int>(state.range(0)), "TXT"), transactionLine);
}
BENCHMARK(BM_ImportTransactions)->Apply(sizes);

}  // namespace

int main(int argc, char** argv) { return klv::bench::benchmarkMain(argc, argv); }
