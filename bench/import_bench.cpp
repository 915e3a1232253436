// The file imports on large files against the same work done raw with the sqlite3 C library, in the
// same run: a party file (RUC.ifm) of N new parties, and a transaction file (RUC.TXT) of N valid
// lines of 1,000 parties in place. Each import runs as the user meets it: "&Aceptar" of the import
// dialog, its progress shown.
//
// The raw side does what the import must do, in plain C over the bytes: it reads the file twice, as
// the import does (first every line's separators counted and its final "|" looked for, then line by
// line), splits each line in place, trims and upper-cases the fields and inserts the rows with
// statements prepared once, 50,000 lines a transaction, as the import's batches. For the party file
// it makes the import's checks of every field and line (rawPartyChecks: the document type and
// number with the RUC's check digit, the names' characters and lengths, the domicile, the country
// and the tax haven looked up among the reference codes read once, the kind of person, the
// vinculation flags, the legal address and its type, the birth date against today, the line's
// rules), the writer's lookups (the declarant's type rows without a party asked once a run, and at
// each batch whether another program wrote since), writes each rejected line to the log and the
// error file as the import does (the Error table's text of its code, each line written at once),
// and computes the control numbers where the import stores them (PAR_VIN, TIP_VIN_PAR). Three
// lines in a hundred of the party file are rejected. For the transaction file it also makes the
// import's checks and lookups of its lines (rawTransactionChecks: the party's row and next number
// read once a party, the currency looked up, the field, record and case rules). So each ratio is
// the import's own cost for the same work. After the first iteration the bench compares the
// tables each side wrote, every column of every row, and the log and error file of the party
// file, byte for byte, and stops when they differ.
//
// Both sides run on a connection opened afresh with the door's settings (an empty page cache): the
// import on the engine's, on its own thread as in QM8027, the raw side on the bench's own; and on
// a database file grown beforehand to hold the rows; the file is on the disk before anything is
// timed. The import is timed from "&Aceptar" until its outcome shows (after rejected lines, the
// question that offers their report: the report written then is not timed). Counters: the raw
// side's time (raw_ms), the ratio by the clock (ratio) and by processor
// time (cpu_ratio: less disturbed by other programs, blind to waiting for the disk), lines per
// second of each side, and the memory each side adds to the process at its peak (peak_MiB,
// raw_peak_MiB: Linux's high-water mark less the resident size when the side began, both taken
// after the set-up's memory was given back; the import's when its outcome shows), and the longest time the import held the dialog's event
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
#include "mensajes_importacion.h"
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

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
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

// Where a run writes its rejected lines: the log and the error file.
struct RawLogPaths {
    std::string log, err;
};

// Every box answered by default; the moment the first one since clear() showed is kept, with the
// process's high-water mark then: the end of an import as the user meets it (its outcome, or the
// question that follows rejected lines, before the error report is written).
class NullMessages : public MessageService {
public:
    int show(const QString&, int style, const QString&) override {
        if (!firstBox) {
            firstBox = Moment::now();
            peakAtBox = memoryMiB("VmHWM");
        }
        return defaultAnswerOfStyle(style);
    }
    void clear() { firstBox.reset(); }
    std::optional<Moment> firstBox;
    double peakAtBox = 0;
};

// ---- The raw side: sqlite3 and C over the bytes ----------------------------------------------------

// The Windows-1252 upper case of a byte, as the import's: a-z and à-þ (but ÷) move down 32; ÿ š œ ž
// have their own; every other byte stays. A table made once.
char upperByte(char b) {
    static const std::array<char, 256> kUpper = [] {
        std::array<char, 256> t{};
        for (int c = 0; c < 256; ++c) {
            int u = c;
            if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) u = c - 32;
            if (c == 0xFF) u = 0x9F;
            if (c == 0x9A || c == 0x9C || c == 0x9E) u = c - 0x10;
            t[static_cast<size_t>(c)] = static_cast<char>(u);
        }
        return t;
    }();
    return kUpper[static_cast<unsigned char>(b)];
}

// The fields of a line, split in place: the text before each "|", blanks trimmed, letters
// upper-cased as Windows-1252 does, each ended by a zero. given[k], when asked for, tells whether
// field k held any character (a blank counts): the party import takes a field without one for its
// default, and a blank field as an empty one.
int splitFields(char* line, size_t size, std::string_view* fields, int max, bool* given = nullptr) {
    int n = 0;
    size_t start = 0;
    for (size_t i = 0; i < size && n < max; ++i) {
        if (line[i] != '|') continue;
        size_t b = start, e = i;
        if (given) given[n] = e > b;
        while (b < e && line[b] == ' ') ++b;
        while (e > b && line[e - 1] == ' ') --e;
        for (size_t k = b; k < e; ++k) line[k] = upperByte(line[k]);
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

// A line of the file: its fields (from 0), whether each held a character, and its bytes as read
// (without the line end; kept only when asked for).
struct RawLine {
    const std::string_view* f;
    const bool* given;
    std::string_view bytes;
};

// Lines of a file as the import reads them: first the shape of the whole file (every line with
// `max` separators and, blanks aside, ending in one), then each line split; `onLine` gets each
// line, and `onBatch` runs as each batch of kLinesPerBatch lines begins its transaction.
template <class OnLine>
void rawLines(sqlite3* db, const QString& path, int max, bool keepBytes, OnLine onLine,
              const std::function<void()>& onBatch = {}) {
    FILE* f = std::fopen(path.toLocal8Bit().constData(), "rb");
    if (!f) throw std::runtime_error("cannot read the file");
    char* line = nullptr;
    size_t capacity = 0;
    ssize_t size;
    auto chop = [&] {
        while (size > 0 && (line[size - 1] == '\n' || line[size - 1] == '\r')) --size;
    };
    while ((size = getline(&line, &capacity, f)) > 0) {
        chop();
        int separators = 0;
        for (const char* p = line; (p = static_cast<const char*>(std::memchr(p, '|', line + size - p))); ++p) ++separators;
        ssize_t last = size;
        while (last > 0 && line[last - 1] == ' ') --last;
        if (separators != max || (last > 0 && line[last - 1] != '|')) throw std::runtime_error("the file's shape is refused");
    }
    std::rewind(f);
    std::vector<std::string_view> fields(static_cast<size_t>(max));
    const std::unique_ptr<bool[]> given(new bool[static_cast<size_t>(max)]);
    std::string bytes;
    long lines = 0;
    auto begin = [&] {
        rawExec(db, "BEGIN IMMEDIATE");
        if (onBatch) onBatch();
    };
    begin();
    while ((size = getline(&line, &capacity, f)) > 0) {
        chop();
        if (keepBytes) bytes.assign(line, static_cast<size_t>(size));
        if (splitFields(line, static_cast<size_t>(size), fields.data(), max, given.get()) != max)
            throw std::runtime_error("bad line");
        onLine(RawLine{fields.data(), given.get(), bytes});
        if (++lines % kLinesPerBatch == 0) {
            rawExec(db, "COMMIT");
            begin();
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
        // The texts of the import's error codes, as the host keeps them.
        Query error = db.prepare(QStringLiteral("INSERT INTO Error (coderror, DescError) VALUES (?, ?)"));
        for (const auto& [code, text] : mensajesImportacion()) db.run(error, {code, text});
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
        double peakMiB = 0;  // the high-water mark at its end
        Moment start, end;
        double gapMs = 0;
    };

    // The file imported by the import dialog opened by the party register or the declaration form.
    // Its counts; `logs` gets where it writes its rejected lines.
    import::ImportCounts import(import::ImportKind kind, const QString& path, Timing& timing, RawLogPaths& logs) {
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
            messages.clear();
            EventGaps gaps;
            timing.start = Moment::now();
            dialog.cmdTransferir_Click();
            timing.end = messages.firstBox.value_or(Moment::now());
            timing.peakMiB = messages.firstBox ? messages.peakAtBox : memoryMiB("VmHWM");
            timing.gapMs = gaps.longestMs();
        }
        if (out.status != import::ImportOutcome::Status::Terminado) std::fprintf(stderr, "%s\n", qPrintable(out.message));
        logs = {out.logPath.toStdString(), out.errPath.toStdString()};
        return out.counts;
    }
};

// ---- What the checks of both raw sides share ------------------------------------------------------

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

// ---- Parties --------------------------------------------------------------------------------------

// Line i: a domiciled company (a valid RUC, one vinculation type) or, every other line, a natural
// person abroad with birth date and legal address (two types). Three lines in a hundred are
// rejected, each for a field of its own: a RUC with a wrong check digit (i % 100 == 50), a birth
// date still to come (i % 100 == 1), a country that PARAM lacks (i % 100 == 99).
bool rejectedParty(int i) { return i % 100 == 50 || i % 100 == 1 || i % 100 == 99; }

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
            if (util.ValidaRuc(base + QString::number(d)) == (i % 100 != 50)) ruc = base + QString::number(d);
        line = QStringLiteral("06|%1||||Empresa %2 SAC|01|9589|0|2||%3||||").arg(ruc).arg(i).arg(types({1}));
    } else {
        line = QStringLiteral("07|PA%1|Perez|Gomez|Ana Maria||02|%2|0|1||%3|01|Calle %1|%4|")
                   .arg(i)
                   .arg(i % 100 == 99 ? QStringLiteral("9999") : QStringLiteral("9063"), types({2, 5}),
                        i % 100 == 1 ? QStringLiteral("2030-05-17") : QStringLiteral("1980-05-17"));
    }
    return (line + QStringLiteral("\r\n")).toLatin1();
}

// What the raw side's checks of a party line look up, read once a run as the import's cache reads
// them (PARAM '976' countries, '876' address types, '883' currencies, PARAISO_FISCAL), and today.
struct RawPartyRefs {
    std::unordered_set<std::string> countries, addressTypes, currencies, havens;
    int today = 0;  // yyyymmdd

    explicit RawPartyRefs(sqlite3* db, int todayYmd) : today(todayYmd) {
        const std::pair<std::unordered_set<std::string>*, const char*> sets[] = {
            {&countries, "SELECT Argumento FROM PARAM WHERE Numero='976'"},
            {&addressTypes, "SELECT Argumento FROM PARAM WHERE Numero='876'"},
            {&currencies, "SELECT Argumento FROM PARAM WHERE Numero='883'"},
            {&havens, "SELECT cod_par FROM PARAISO_FISCAL"}};
        for (const auto& [set, sql] : sets) {
            RawStatement q(db, sql);
            while (q.step()) {
                const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 0));
                std::string code(t ? t : "");
                for (char& c : code) c = upperByte(c);
                set->insert(code);
            }
        }
    }
    static bool has(const std::unordered_set<std::string>& set, std::string_view code) { return set.count(std::string(code)) > 0; }
};

// The characters the import lets into a field, by their Windows-1252 codes (a control character
// never passes).
template <class Accepts>
bool scanned(std::string_view v, Accepts accepts) {
    for (const char b : v) {
        const auto c = static_cast<unsigned char>(b);
        if (c < 32 || c == 127 || !accepts(c)) return false;
    }
    return true;
}
bool letterByte(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool partyDocumentByte(unsigned char c) { return digitByte(c) || letterByte(c) || c == '-'; }
bool partyNameByte(unsigned char c) {
    static const unsigned char kSpanish[] = {193, 201, 205, 211, 218, 220, 209, 225, 233, 237, 243, 250, 252, 241};
    return letterByte(c) || std::memchr(kSpanish, c, sizeof kSpanish) || std::strchr(" '-.&/()", c) || digitByte(c);
}
bool describedByte(unsigned char c) { return (c >= 32 && c <= 126 && c != '|') || c >= 160; }

bool rawRuc(std::string_view v) {
    if (v.size() != 11 || !allBytes(v, digitByte) || !oneOf(v.substr(0, 2), {"10", "15", "17", "20"})) return false;
    static constexpr int kWeights[10] = {5, 4, 3, 2, 7, 6, 5, 4, 3, 2};
    int sum = 0;
    for (int i = 0; i < 10; ++i) sum += (v[i] - '0') * kWeights[i];
    int check = 11 - sum % 11;
    if (check == 10) check = 0;
    if (check == 11) check = 1;
    return v[10] - '0' == check;
}

// A birth date yyyy-mm-dd as the import judges it: "" when sound, else its code (0803 the form,
// 0804 no date between 1800 and 2500, 0805 a date after today).
const char* rawBirthDate(std::string_view v, int today) {
    if (v.size() != 10 || v[4] != '-' || v[7] != '-' || std::count(v.begin(), v.end(), '-') != 2) return "0803";
    const std::string_view y = v.substr(0, 4), m = v.substr(5, 2), d = v.substr(8, 2);
    if (!allBytes(y, digitByte) || !allBytes(m, digitByte) || !allBytes(d, digitByte)) return "0804";
    const int year = static_cast<int>(digits(y)), month = static_cast<int>(digits(m)), day = static_cast<int>(digits(d));
    static constexpr int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month < 1 || month > 12 || day < 1 || day > (month == 2 && !leap ? 28 : kDays[month - 1])) return "0804";
    const int ymd = year * 10000 + month * 100 + day;
    if (ymd < 18000101 || ymd > 25000101) return "0804";
    return ymd > today ? "0805" : "";
}

// The import's checks of field n (1 to 28) with the line's earlier fields (F(k), from 1): "" when it
// passes, else the code of its last check that failed.
const char* rawPartyField(int n, std::string_view v, const std::string_view* fields, const RawPartyRefs& ref) {
    auto F = [fields](int k) { return fields[k - 1]; };
    const std::string_view tipo = F(1), dom = F(7), pais = F(8), kind = F(10);
    const char* code = "";
    auto name = [&](size_t max, const char* c) {
        if (v.size() > max || !scanned(v, partyNameByte)) code = c;
    };
    switch (n) {
    case 1:
        if (!oneOf(v, {"0", "1", "4", "6", "7", "00", "01", "04", "06", "07", "31", "32"})) code = "0906";
        break;
    case 2: {
        if (v.empty()) code = "0901";
        const size_t len = v.size();
        if ((oneOf(tipo, {"0", "00"}) && len > 15) || (oneOf(tipo, {"1", "01"}) && len != 8) ||
            (oneOf(tipo, {"4", "04"}) && len > 12) || (oneOf(tipo, {"6", "06"}) && len != 11) ||
            (oneOf(tipo, {"7", "07"}) && len > 12) || (oneOf(tipo, {"31", "32"}) && len > 50))
            code = "0907";
        if (oneOf(tipo, {"6", "06"}) && !rawRuc(v)) code = "0928";
        if (!scanned(v, oneOf(tipo, {"1", "01", "6", "06"}) ? digitByte : partyDocumentByte)) code = "0907";
        break;
    }
    case 3: name(50, "0908"); break;
    case 4: name(50, "0909"); break;
    case 5: name(50, "0910"); break;
    case 6: name(120, "0911"); break;
    case 7:
        if (!oneOf(v, {"01", "02"})) code = "0912";
        break;
    case 8:
        if (v.size() > 4 || !RawPartyRefs::has(ref.countries, v)) code = "0913";
        if (dom == "01" && v != "9589") code = "0923";
        if (dom == "02" && v == "9589") code = "0926";
        break;
    case 9:
        if (!oneOf(v, {"1", "0"})) code = "0914";
        if (v == "1" && dom == "01" && pais == "9589") code = "0925";
        if (v == "0" && RawPartyRefs::has(ref.havens, pais)) code = "0927";
        break;
    case 10:
        if (!oneOf(v, {"1", "2", "9"})) code = "0915";
        if (v == "9" && dom == "01") code = "0929";
        if (v == "1" && !F(6).empty()) code = "0952";
        if (oneOf(v, {"2", "9"}) && (!F(3).empty() || !F(4).empty() || !F(5).empty())) code = "0953";
        break;
    case 11:
        if (kind != "9" && !v.empty()) code = "0951";
        if (kind == "9" && (v.empty() || v.size() > 20 || !scanned(v, describedByte))) code = "0950";
        break;
    case 26:
        if (v.empty()) break;
        if (kind == "9" || dom != "02")
            code = "0806";
        else if (v.size() != 2)
            code = "0810";
        else if (!RawPartyRefs::has(ref.addressTypes, v))
            code = "0809";
        break;
    case 27:
        if (v.empty()) break;
        if (kind == "9" || dom != "02")
            code = "0807";
        else if (v.size() > 40)
            code = "0811";
        break;
    case 28:
        if (v.empty()) break;
        if (dom != "02")
            code = "0808";
        else if (kind != "1")
            code = "0812";
        else
            code = rawBirthDate(v, ref.today);
        break;
    default:
        if (!oneOf(v, {"1", "0"})) code = "0917";
        break;
    }
    return code;
}

// The import's rules of a party line whose fields all passed: "" for a sound line, else its code.
const char* rawPartyLineRules(const std::string_view* fields) {
    auto F = [fields](int k) { return fields[k - 1]; };
    const std::string_view tipo = F(1), dom = F(7), kind = F(10);
    bool flags = false;
    for (int k = 12; k <= 25; ++k) flags = flags || F(k) == "1";
    if (F(9) == "0" && dom == "02" && !flags) return "0918";
    if (dom == "01" && !flags) return "0919";
    const char* code = "";
    const bool domiciled = dom == "01", abroad = dom == "02";
    if (domiciled) {
        const bool noPat = F(3).empty(), noMat = F(4).empty();
        if (tipo == "01")
            code = noPat && noMat ? "0920" : noPat ? "0921" : noMat ? "0922" : "";
        else if (oneOf(tipo, {"07", "04"}) && noPat && noMat)
            code = "0920";
    }
    if ((kind == "1" && domiciled && oneOf(tipo, {"31", "32"})) || (kind == "1" && abroad && oneOf(tipo, {"06", "04", "01"})) ||
        (kind == "2" && domiciled && tipo != "06") || (kind == "2" && abroad && tipo != "31") ||
        (kind == "9" && (domiciled || abroad) && tipo != "31"))
        code = "0906";
    if (!*code && kind != "9" && abroad) {
        if (!F(26).empty() && F(27).empty()) code = "0801";
        if (!F(27).empty() && F(26).empty()) code = "0802";
    }
    return code;
}

// The fields of a line as the import reads them, checked one after the other: "" with `taken`
// filled (from 0; a field without a character of 12-25 taken as "0"), or the code that rejects it.
const char* rawPartyChecks(const RawLine& line, const RawPartyRefs& ref, std::string_view* taken) {
    static const char* const kMissing[29] = {nullptr, "0900", "0901", nullptr, nullptr, nullptr, nullptr, "0902", "0903", "0904", "0905"};
    std::fill(taken, taken + 28, std::string_view());
    for (int n = 1; n <= 28; ++n) {
        std::string_view v = line.f[n - 1];
        if (!line.given[n - 1]) {
            if (kMissing[n]) return kMissing[n];
            if (n >= 12 && n <= 25) v = "0";
        }
        if (const char* code = rawPartyField(n, v, taken, ref); *code) return code;
        taken[n - 1] = v;
    }
    return rawPartyLineRules(taken);
}

// A UTF-8 text (SQLite's) in Windows-1252, for the characters of the import's messages (Latin-1).
std::string latin1Of(std::string_view utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
            out += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
        } else {
            while (i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) ++i;
            out += '?';
        }
    }
    return out;
}

// The rejected lines' files of a run as the import writes them: the log (each line's bytes as read)
// and the error file (its key and its code's text from the Error table, read at the first
// rejected line), each line ended by CR LF and written at once. The first rejected line opens each
// file (created when missing, never through a link) and only then empties it.
class RawErrorLog {
public:
    RawErrorLog(sqlite3* db, std::string log, std::string err) : db_(db), paths_{std::move(log), std::move(err)} {}
    ~RawErrorLog() {
        for (const int fd : fds_)
            if (fd >= 0) ::close(fd);
    }
    RawErrorLog(const RawErrorLog&) = delete;
    RawErrorLog& operator=(const RawErrorLog&) = delete;

    void rejected(std::string_view bytes, const char* code) {
        if (fds_[0] < 0) {
            RawStatement q(db_, "SELECT coderror, DescError FROM Error");
            while (q.step())
                texts_.emplace(reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 0)),
                               latin1Of(reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 1))));
            for (int k = 0; k < 2; ++k) {
                fds_[k] = ::open(paths_[k].c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
                struct stat st {};
                if (fds_[k] < 0 || ::fstat(fds_[k], &st) != 0 || st.st_nlink > 1 || ::ftruncate(fds_[k], 0) != 0)
                    throw std::runtime_error("cannot write " + paths_[k]);
            }
        }
        write(0, std::string(bytes));
        // The key: the document type padded to 4, three blanks, the document (padded to 15, then
        // trimmed), two blanks, all padded to 16; cut to 25 when its text is that long, padded to 23.
        std::string_view parts[2];
        for (size_t at = 0, k = 0; k < 2; ++k) {
            const size_t bar = bytes.find('|', at);
            if (bar == std::string_view::npos) break;
            parts[k] = bytes.substr(at, bar - at);
            at = bar + 1;
        }
        std::string key = padded(std::string(parts[0]), 4) + "   " + trimmedText(padded(std::string(parts[1]), 15)) + "  ";
        key = padded(key, 16);
        if (trimmedText(key).size() >= 25) key.resize(25);
        const auto text = texts_.find(code);
        write(1, padded(key, 23) + (text == texts_.end() ? std::string("?") : text->second));
    }

private:
    static std::string padded(std::string s, size_t width) {
        if (s.size() < width) s.append(width - s.size(), ' ');
        return s;
    }
    // Without the white space at either end (the code page's: blanks, tabs, line ends, no-break space).
    static std::string trimmedText(const std::string& s) {
        const auto space = [](char c) { return (c >= 9 && c <= 13) || c == ' ' || c == static_cast<char>(0xA0); };
        size_t b = 0, e = s.size();
        while (b < e && space(s[b])) ++b;
        while (e > b && space(s[e - 1])) --e;
        return s.substr(b, e - b);
    }
    void write(int k, std::string line) {
        line += "\r\n";
        if (::write(fds_[k], line.data(), line.size()) != static_cast<ssize_t>(line.size()))
            throw std::runtime_error("cannot write " + paths_[k]);
    }

    sqlite3* db_;
    std::string paths_[2];
    int fds_[2] = {-1, -1};
    std::unordered_map<std::string, std::string> texts_;  // code -> text in Windows-1252
};

// The party file done raw: every line's fields checked as the import checks them, with the same
// lookups (the reference codes read once; the declarant's type rows without a party asked once a
// run, and at each batch whether another program wrote since), each rejected line written to the
// log and the error file, each sound line added with its control number and its type rows.
void rawParties(sqlite3* db, const QString& path, const RawLogPaths& logs, int today) {
    RawStatement party(db,
                       "INSERT INTO PAR_VIN (tip_doc_d, doc_id_d, formulario, tip_doc_p, doc_id_p, cod_par, "
                       "flag_par_fis, cod_nat_jur, otr_nat_jur, flag_par_vin, flag_con_dom, razon_social, nom_par_vin, "
                       "apepat_par_vin, apemat_par_vin, tip_dir_legal, des_dir_legal, fec_nac, cnumero) "
                       "VALUES (6, ?, '8027', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING");
    RawStatement type(db,
                      "INSERT INTO TIP_VIN_PAR (tip_doc_d, doc_id_d, formulario, tip_doc_p, doc_id_p, cod_tip_vin, "
                      "cnumero) VALUES (6, ?, '8027', ?, ?, ?, ?)");
    RawStatement orphans(db,
                         "SELECT 1 FROM TIP_VIN_PAR t WHERE t.TIP_DOC_D = 6 AND t.DOC_ID_D = ? AND t.FORMULARIO = '8027' "
                         "AND NOT EXISTS (SELECT 1 FROM PAR_VIN p WHERE p.TIP_DOC_D = t.TIP_DOC_D AND "
                         "p.DOC_ID_D = t.DOC_ID_D AND p.FORMULARIO = t.FORMULARIO AND p.TIP_DOC_P = t.TIP_DOC_P AND "
                         "p.DOC_ID_P = t.DOC_ID_P) LIMIT 1");
    RawStatement dataVersion(db, "PRAGMA data_version");
    const RawPartyRefs refs(db, today);
    RawErrorLog log(db, logs.log, logs.err);
    static const char* const kCodes[] = {"01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11", "12", "13", "14"};
    long long others = -1;  // the commits of other programs when the orphans were asked
    auto batch = [&] {
        const long long seen = dataVersion.step() ? sqlite3_column_int64(dataVersion.get(), 0) : 0;
        dataVersion.run();
        if (seen == others) return;
        others = seen;
        if (orphans.with(kRucC).step()) throw std::runtime_error("the bench's declarant has orphaned type rows");
    };
    std::string razon;
    std::string_view f[28];
    rawLines(db, path, 28, true, [&](const RawLine& line) {
        if (const char* code = rawPartyChecks(line, refs, f); *code) {
            log.rejected(line.bytes, code);
            return;
        }
        const long long tipo = digits(f[0]);
        razon.assign(f[5]);
        if (razon.empty()) razon.assign(trimBlanks(f[2])).append(" ").append(trimBlanks(f[3])).append(", ").append(trimBlanks(f[4]));
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
        if (sqlite3_changes(db) != 1) throw std::runtime_error("the bench's parties are new");
        for (int k = 11; k <= 24; ++k) {
            if (f[k] != "1") continue;
            const RawField t[6] = {RawField::of(6), RawField::of(kRucC), RawField::of("8027"), RawField::of(tipo),
                                   RawField::of(f[1]), RawField::of(kCodes[k - 11])};
            type.runWith(kRucC, tipo, f[1], kCodes[k - 11], rawControlNumber(t, 6, 4));
        }
    }, batch);
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
    rawLines(db, path, 149, false, [&](const RawLine& line) {
        const std::string_view* f = line.f;
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
    // The raw side over a file, writing its rejected lines where the import writes them.
    std::function<void(sqlite3*, const QString&, const RawLogPaths&)> raw;
    std::function<int(int)> rejected;  // how many of n lines are rejected
};

QByteArray fileOrNothing(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

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
    // Where the import writes its rejected lines (known after the first run of the import).
    static RawLogPaths logs;
    static std::unordered_map<std::string, bool> ready;
    if (!ready[path.toStdString()]) {
        fx.write(path, line, n);
        clear();
        Fixture::Timing untimed;
        fx.import(kind.import, path, untimed, logs);
        clear();
        kind.raw(fx.ctx.db().sqliteHandle(), path, logs);
        ready[path.toStdString()] = true;
    }
    double wall = 0, rawWall = 0, cpu = 0, rawCpu = 0, peak = 0, rawPeak = 0, gap = 0;
    bool compared = false;
    for (auto _ : state) {
        clear();
        Fixture::Timing timing;
        const import::ImportCounts counts = fx.import(kind.import, path, timing, logs);
        const Moment t0 = timing.start, t1 = timing.end;
        gap = std::max(gap, timing.gapMs);
        peak = std::max(peak, timing.peakMiB - timing.baseMiB);
        if (counts.rechazados != kind.rejected(n) || counts.transferidos != n - kind.rejected(n)) {
            state.SkipWithError("the import rejected other lines than the bench's");
            return;
        }
        const unsigned long long imported = compared ? 0 : digest();
        const QByteArray importLog = compared ? QByteArray() : fileOrNothing(logs.log) + '\0' + fileOrNothing(logs.err);
        clear();
        // The files of the import go before the raw side writes its own.
        if (!compared) {
            QFile::remove(QString::fromStdString(logs.log));
            QFile::remove(QString::fromStdString(logs.err));
        }
        sqlite3* db = fx.ctx.db().sqliteHandle();
        const double base = freshBaseline();
        const Moment t2 = Moment::now();
        kind.raw(db, path, logs);
        const Moment t3 = Moment::now();
        rawPeak = std::max(rawPeak, memoryMiB("VmHWM") - base);
        if (!compared && digest() != imported) {
            state.SkipWithError("the raw side wrote other rows than the import");
            return;
        }
        if (!compared && fileOrNothing(logs.log) + '\0' + fileOrNothing(logs.err) != importLog) {
            state.SkipWithError("the raw side wrote other rejected lines than the import");
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
    const auto raw = [](sqlite3* db, const QString& path, const RawLogPaths& logs) {
        const QDate today = fx.clock.today();
        rawParties(db, path, logs, today.year() * 10000 + today.month() * 100 + today.day());
    };
    const auto rejected = [](int n) {
        int r = 0;
        for (int i = 0; i < n; ++i) r += rejectedParty(i) ? 1 : 0;
        return r;
    };
    run(state, fx, {import::ImportKind::Partes, {"PAR_VIN", "TIP_VIN_PAR"}, raw, rejected},
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
    run(state, fx,
        {import::ImportKind::Transacciones2012, {"TMPTRANSACCION2", "TMPTRATIPTRA"},
         [](sqlite3* db, const QString& path, const RawLogPaths&) { rawTransactions(db, path); }, [](int) { return 0; }},
        sizedFile(fx, static_cast<int>(state.range(0)), "TXT"), transactionLine);
}
BENCHMARK(BM_ImportTransactions)->Apply(sizes);

}  // namespace

int main(int argc, char** argv) { return klv::bench::benchmarkMain(argc, argv); }
