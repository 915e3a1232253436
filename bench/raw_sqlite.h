#pragma once
// What the benchmarks' raw sides share: the sqlite3 library used directly (a plain exec, a
// prepared statement), the record control number written plainly in C, and the process's memory
// as Linux tells it. Each benchmark's raw side is built from these and does its own work with them.

#include <QByteArray>
#include <QtGlobal>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <sqlite3.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace klv::bench {

// ---- Memory ----------------------------------------------------------------------------------------

// A line of /proc/self/status in MiB: "VmRSS" (resident now) or "VmHWM" (the high-water mark); 0
// where the system does not tell.
inline double memoryMiB(const char* field) {
    double kib = 0;
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        const std::string prefix = std::string(field) + ":";
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::strncmp(line, prefix.c_str(), prefix.size()) == 0) kib = std::atof(line + prefix.size());
        std::fclose(f);
    }
    return kib / 1024.0;
}

// Gives the heap that earlier work freed back to the system and resets the high-water mark to what
// the process holds now; returns that, the baseline of the next measure.
inline double freshBaseline() {
    malloc_trim(0);
    if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
    return memoryMiB("VmRSS");
}

// ---- The engine ------------------------------------------------------------------------------------

inline void rawExec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string text = error ? error : "sqlite error";
        sqlite3_free(error);
        throw std::runtime_error(text + " in " + sql);
    }
}

// A text bound as NULL when it is empty.
struct OrNull {
    std::string_view text;
};

// A statement prepared once, bound by position (from 1) and run many times.
class RawStatement {
public:
    RawStatement(sqlite3* db, const std::string& sql) {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st_, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string(sqlite3_errmsg(db)) + " in " + sql);
    }
    ~RawStatement() { sqlite3_finalize(st_); }
    RawStatement(const RawStatement&) = delete;
    RawStatement& operator=(const RawStatement&) = delete;

    RawStatement& text(int i, const QByteArray& v) {
        sqlite3_bind_text(st_, i, v.constData(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    RawStatement& integer(int i, qint64 v) {
        sqlite3_bind_int64(st_, i, v);
        return *this;
    }
    RawStatement& value(int i, sqlite3_value* v) {
        sqlite3_bind_value(st_, i, v);
        return *this;
    }
    // The next row of a query; false at the end (the statement is then reset for another run).
    bool step() {
        const int rc = sqlite3_step(st_);
        if (rc == SQLITE_ROW) return true;
        sqlite3_reset(st_);
        if (rc != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(sqlite3_db_handle(st_)));
        return false;
    }
    void run() {
        while (step()) {
        }
    }
    // Binds the values to the parameters in order and runs the statement. The texts are not
    // copied: they must stay as they are until the run ends.
    template <class... Values>
    void runWith(const Values&... values) {
        with(values...).run();
    }
    // Binds the values to the parameters in order, for a query then read with step().
    template <class... Values>
    RawStatement& with(const Values&... values) {
        int i = 0;
        (bind(++i, values), ...);
        return *this;
    }
    sqlite3_stmt* get() const { return st_; }

private:
    void bind(int i, std::string_view v) { sqlite3_bind_text(st_, i, v.data(), static_cast<int>(v.size()), SQLITE_STATIC); }
    void bind(int i, const std::string& v) { bind(i, std::string_view(v)); }
    void bind(int i, const char* v) { bind(i, std::string_view(v)); }
    void bind(int i, OrNull v) {
        if (v.text.empty())
            sqlite3_bind_null(st_, i);
        else
            bind(i, v.text);
    }
    void bind(int i, long long v) { sqlite3_bind_int64(st_, i, v); }

    sqlite3_stmt* st_ = nullptr;
};

// Every row of a table, each column's type and bytes, as one sum of row hashes (the row order
// does not count).
inline unsigned long long tableDigest(sqlite3* db, const char* table) {
    RawStatement rows(db, std::string("SELECT * FROM \"") + table + "\"");
    sqlite3_stmt* s = rows.get();
    unsigned long long sum = 0;
    while (rows.step()) {
        unsigned long long h = 1469598103934665603ULL;
        auto mix = [&h](unsigned char c) { h = (h ^ c) * 1099511628211ULL; };
        for (int c = 0; c < sqlite3_column_count(s); ++c) {
            mix(static_cast<unsigned char>(sqlite3_column_type(s, c)));
            const auto* p = sqlite3_column_text(s, c);
            for (int k = 0, n = sqlite3_column_bytes(s, c); k < n; ++k) mix(p[k]);
            mix(0xFF);
        }
        sum += h;
    }
    return sum;
}

// The rows of every table of the database (the engine's statistics apart), by tableDigest: two
// databases with the same rows in every table have the same digest.
inline unsigned long long databaseDigest(sqlite3* db) {
    RawStatement tables(db, "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite%' ORDER BY name");
    std::vector<std::string> names;
    while (tables.step()) names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(tables.get(), 0)));
    unsigned long long d = 0;
    for (const std::string& t : names) d = d * 31 + tableDigest(db, t.c_str());
    return d;
}

// ---- The record control number -------------------------------------------------------------------

// One field as the control number reads it: NULL, a whole number or a text (bytes); a date is a
// text yyyy-mm-dd read as yyyymmdd.
struct RawField {
    int kind = SQLITE_NULL;
    qint64 integer = 0;
    std::string_view text;
    bool date = false;

    static RawField of(qint64 v) { return {SQLITE_INTEGER, v, {}, false}; }
    static RawField of(std::string_view v) { return {SQLITE_TEXT, 0, v, false}; }
    static RawField textOrNull(std::string_view v) { return v.empty() ? RawField{} : of(v); }
    static RawField dateOrNull(std::string_view v) { return v.empty() ? RawField{} : RawField{SQLITE_TEXT, 0, v, true}; }
};

inline std::string_view trimBlanks(std::string_view t) {
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    return t;
}

// The record control number of a row, with the module's algorithm written plainly for the values
// the benchmarks write (NULL, whole numbers, ASCII texts, plain amounts, dates): the last three
// digits of the rounded sum of the first nKeys fields read as numbers (a text that is no number
// adds 0), then the last three of the sum of the other fields' character codes (blanks trimmed, a
// date without its dashes), each weighted by its position.
inline std::string rawControlNumber(const RawField* fields, int count, int nKeys) {
    double keys = 0;
    qint64 codes = 0;
    for (int i = 0; i < count; ++i) {
        const RawField& f = fields[i];
        if (i < nKeys && f.kind == SQLITE_INTEGER) {
            keys += static_cast<double>(f.integer);
            continue;
        }
        char digits[24];
        std::string_view t;
        if (f.kind == SQLITE_INTEGER) {
            t = std::string_view(digits, static_cast<size_t>(std::snprintf(digits, sizeof digits, "%lld", f.integer)));
        } else if (f.kind == SQLITE_TEXT) {
            t = trimBlanks(f.text);
        }
        if (i < nKeys) {
            if (t.empty()) continue;
            // Digits alone (a document number) are summed as they are read.
            qint64 whole = 0;
            size_t k = 0;
            while (k < t.size() && t[k] >= '0' && t[k] <= '9') whole = whole * 10 + (t[k++] - '0');
            if (k == t.size()) {
                keys += static_cast<double>(whole);
                continue;
            }
            char number[64];
            const size_t n = std::min(t.size(), sizeof number - 1);
            std::memcpy(number, t.data(), n);
            number[n] = 0;
            char* end = nullptr;
            const double v = std::strtod(number, &end);
            if (end == number + n) keys += v;
        } else {
            qint64 position = 0;
            for (char c : t)
                if (!f.date || c != '-') codes += static_cast<unsigned char>(c) * ++position;
        }
    }
    std::string out(6, '0');
    int k = 0;
    for (qint64 sum : {static_cast<qint64>(std::llround(keys)), codes}) {
        const int last = static_cast<int>(sum % 1000);
        out[k++] = static_cast<char>('0' + last / 100);
        out[k++] = static_cast<char>('0' + last / 10 % 10);
        out[k++] = static_cast<char>('0' + last % 10);
    }
    return out;
}

}  // namespace klv::bench
