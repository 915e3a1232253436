/* The raw side of summary_report_bench: the work of one 8027REP run written as a plain C program
 * over the sqlite3 library and POSIX files, started as a process of its own with 8027REP's command
 * line. It takes a lock file in the runtime folder; reads QM000.INI as 8027REP does (SysPath, DBPath
 * and DBName from the Windows directory's, KLV_WINDIR, the user from SysPath's copy) and enters
 * SysPath; opens the database (the engine's two number functions of the sums registered, its small
 * page cache) and finds RPT/ and TMP/; checks the command line; clears what a killed run of the
 * same names left and keeps the earlier twin, text and copy aside (second links). Then it runs the
 * same queries (the CAB query traced and run twice, the document type's short name, the
 * taxpayer's name, the count and the six sums of the transactions, the SPOOL row with its next
 * numbers and its empty file in one transaction) and writes the same files, each whole beside its
 * name, synced and renamed: the markup file, the twin aside, its text (the twin read back line by
 * line) and the copy for the host, then the three put in place, their folders synced, and the
 * earlier files' links removed. Its files are 8027REP's byte for byte but for the time of day
 * (the bench checks them once). It tells failures on standard error, not in boxes, and undoes
 * nothing of a run that stops.
 *   rep8027_raw LINE
 * Exit status 0 once the files are in place. */
#define _GNU_SOURCE /* memmem */
#include "raw_report_files.h"

#include <ctype.h>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sqlite3.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

static sqlite3* db;
static char lockPath[4200];

static void fail(const char* what) {
    fprintf(stderr, "rep8027_raw: %s: %s\n", what, db ? sqlite3_errmsg(db) : strerror(errno));
    if (lockPath[0]) unlink(lockPath);
    exit(1);
}

static sqlite3_stmt* prepare(const char* sql) {
    sqlite3_stmt* st = NULL;
    if (sqlite3_prepare_v2(db, sql, -1, &st, NULL) != SQLITE_OK) fail(sql);
    return st;
}

static void appendf(char* out, size_t size, const char* format, ...) {
    const size_t used = strlen(out);
    va_list args;
    va_start(args, format);
    vsnprintf(out + used, size - used, format, args);
    va_end(args);
}

/* s without the blanks at either end, in place. */
static char* trim(char* s) {
    while (*s && isspace((unsigned char)*s)) ++s;
    size_t n = strlen(s);
    while (n > 0 && isspace((unsigned char)s[n - 1])) s[--n] = 0;
    return s;
}

/* ---- QM000.INI ------------------------------------------------------------------------------- */

/* The value of `key` in the section [Options] of the file (names compared without case), trimmed,
 * into out; the empty text when the file or the key is missing. */
static void readIni(const char* file, const char* key, char* out, size_t size) {
    out[0] = 0;
    FILE* f = fopen(file, "rb");
    if (!f) return;
    char line[4200];
    int inSection = 0;
    while (fgets(line, sizeof line, f)) {
        char* t = trim(line);
        if (t[0] == '[') {
            char* end = strchr(t, ']');
            if (end) *end = 0;
            inSection = strcasecmp(trim(t + 1), "Options") == 0;
            continue;
        }
        char* eq = strchr(t, '=');
        if (!inSection || !eq) continue;
        *eq = 0;
        if (strcasecmp(trim(t), key) == 0) {
            snprintf(out, size, "%s", trim(eq + 1));
            break;
        }
    }
    fclose(f);
}

/* ---- The engine's number functions of the sums ------------------------------------------------ */

/* A text read as a number: the whole text (blanks around it allowed), or with `lenient` its leading
 * number (0 when it has none). 0 when not a number and not lenient: *ok is then 0. */
static double textNumber(const char* t, int lenient, int* ok) {
    *ok = 1;
    if (!t) return 0;
    /* Whole numbers of up to 15 digits, the amounts' usual form, without strtod. */
    long long whole = 0;
    const char* d = t + (*t == '-');
    int n = 0;
    while (d[n] >= '0' && d[n] <= '9' && n < 16) whole = whole * 10 + (d[n++] - '0');
    if (n > 0 && n <= 15 && d[n] == 0) return *t == '-' ? -(double)whole : (double)whole;
    while (isspace((unsigned char)*t)) ++t;
    if (!*t) return 0;
    char* end = NULL;
    const double v = strtod(t, &end);
    while (end && isspace((unsigned char)*end)) ++end;
    if (!lenient && (end == t || *end)) *ok = 0;
    return end == t ? 0 : v;
}

/* VB_VAL(x): NULL and a text without a number are 0. VB_CDBL(x): NULL and the empty text are 0, a
 * text that is no number fails. */
static void vbNumber(sqlite3_context* ctx, sqlite3_value* v, int lenient) {
    if (sqlite3_value_type(v) == SQLITE_NULL) {
        sqlite3_result_double(ctx, 0);
    } else if (sqlite3_value_type(v) != SQLITE_TEXT) {
        sqlite3_result_double(ctx, sqlite3_value_double(v));
    } else {
        int ok;
        const double n = textNumber((const char*)sqlite3_value_text(v), lenient, &ok);
        if (ok)
            sqlite3_result_double(ctx, n);
        else
            sqlite3_result_error(ctx, "type mismatch: not a number", -1);
    }
}
static void vbVal(sqlite3_context* ctx, int argc, sqlite3_value** argv) { (void)argc, vbNumber(ctx, argv[0], 1); }
static void vbCdbl(sqlite3_context* ctx, int argc, sqlite3_value** argv) { (void)argc, vbNumber(ctx, argv[0], 0); }

/* ---- Texts in Windows-1252 ----------------------------------------------------------------------- */

static const unsigned short kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

/* A UTF-8 text (SQLite's) in Windows-1252, into out ('?' for what the code page lacks). */
static void cp1252Of(const char* s, char* out, size_t size) {
    size_t n = 0;
    for (const unsigned char* p = (const unsigned char*)s; *p && n + 1 < size;) {
        unsigned u = *p;
        int len = u < 0x80 ? 1 : (u & 0xE0) == 0xC0 ? 2 : (u & 0xF0) == 0xE0 ? 3 : 4;
        u = len == 1 ? u : len == 2 ? u & 0x1F : len == 3 ? u & 0x0F : u & 0x07;
        for (int i = 1; i < len && p[i]; ++i) u = (u << 6) | (p[i] & 0x3F);
        for (int i = 0; i < len && *p; ++i) ++p;
        char c = '?';
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) c = (char)u;
        for (int i = 0; i < 32; ++i)
            if (kHigh[i] == u) c = (char)(0x80 + i);
        out[n++] = c;
    }
    out[n] = 0;
}

/* ---- Files ----------------------------------------------------------------------------------------- */

/* `text` (size bytes) written whole beside `path` and renamed over it. */
static void writeWhole(const char* path, const char* text, size_t size) {
    struct rawFile f;
    if (rawOpenBeside(&f, path) != 0 || rawWriteAll(&f, text, size) != 0 || rawCommitBeside(&f, path) != 0) fail(path);
}

/* The file's bytes into a new buffer (size in *n). */
static char* readWhole(const char* path, size_t* n) {
    FILE* f = fopen(path, "rb");
    if (!f) fail(path);
    char* out = NULL;
    size_t used = 0, capacity = 0, got;
    char block[1 << 16];
    while ((got = fread(block, 1, sizeof block, f)) > 0) {
        if (used + got > capacity) out = realloc(out, capacity = 2 * (used + got));
        memcpy(out + used, block, got);
        used += got;
    }
    fclose(f);
    *n = used;
    return out;
}

static void syncPath(const char* path) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0 || fsync(fd) != 0) fail(path);
    close(fd);
}

/* A hidden name beside `path`: the folder, ".", the name, `end`. */
static void hidden(char* out, size_t size, const char* path, const char* end) {
    const char* slash = strrchr(path, '/');
    snprintf(out, size, "%.*s/.%s%s", (int)(slash - path), path, slash + 1, end);
}

/* What a killed run left of `path`: the temporary files of its whole-file writes, the file aside
 * and the earlier file's second link. */
static void clearLeftovers(const char* path) {
    const char* slash = strrchr(path, '/');
    char folder[4200], patterns[4][300], found[4600];
    snprintf(folder, sizeof folder, "%.*s", (int)(slash - path), path);
    const char* name = slash + 1;
    snprintf(patterns[0], sizeof patterns[0], "%s.??????", name);
    snprintf(patterns[1], sizeof patterns[1], ".%s.nuevo", name);
    snprintf(patterns[2], sizeof patterns[2], ".%s.nuevo.??????", name);
    snprintf(patterns[3], sizeof patterns[3], ".%s.anterior", name);
    DIR* d = opendir(folder);
    if (!d) fail(folder);
    struct dirent* e;
    while ((e = readdir(d)) != NULL)
        for (int i = 0; i < 4; ++i)
            if (fnmatch(patterns[i], e->d_name, 0) == 0) {
                snprintf(found, sizeof found, "%s/%s", folder, e->d_name);
                unlink(found);
                break;
            }
    closedir(d);
}

/* ---- The run --------------------------------------------------------------------------------------- */

static int headerExists(const char* trace, int tip, const char* doc, const char* form, const char* period) {
    const int fd = open(trace, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || st.st_nlink > 1) fail(trace);
    char line[600];
    const int n = snprintf(line, sizeof line,
                           "SELECT * FROM CAB WHERE Tip_doc_d= %d AND Doc_id_d='%s'  AND PERIODO='%s' AND Formulario='%s'\r\n",
                           tip, doc, period, form);
    if (write(fd, line, (size_t)n) != n || close(fd) != 0) fail(trace);
    sqlite3_stmt* st2 =
        prepare("SELECT 1 FROM CAB WHERE Tip_doc_d = ?1 AND Doc_id_d = ?2 AND PERIODO = ?3 AND Formulario = ?4 LIMIT 1");
    sqlite3_bind_int(st2, 1, tip);
    sqlite3_bind_text(st2, 2, doc, -1, SQLITE_STATIC);
    sqlite3_bind_text(st2, 3, period, -1, SQLITE_STATIC);
    sqlite3_bind_text(st2, 4, form, -1, SQLITE_STATIC);
    const int found = sqlite3_step(st2) == SQLITE_ROW;
    sqlite3_finalize(st2);
    return found;
}

/* An amount as the summary shows it: two decimals grouped by thousands (a NULL sum is 0.00),
 * padded to 15. */
static void summaryAmount(sqlite3_stmt* st, int column, char* out) {
    const int n = rawAmountText(sqlite3_column_type(st, column) == SQLITE_NULL ? 0 : sqlite3_column_double(st, column), 1, out);
    snprintf(out + n, 40 - (size_t)n, "%*s", n < 15 ? 15 - n : 0, "");
}

static int lettersAndDigits(const char* s, size_t n) {
    if (n == 0) return 0;
    for (size_t i = 0; i < n; ++i)
        if (!isalnum((unsigned char)s[i])) return 0;
    return 1;
}

#define SUM(flag, plain, financial)                                                                               \
    "SUM(CASE WHEN T.FLAG_VAL_MET='" flag "' AND T.IND_TRANSAC_FIN='0' THEN " plain " WHEN T.FLAG_VAL_MET='" flag \
    "' AND T.IND_TRANSAC_FIN='1' THEN " financial " END)"
#define CDBL(c) "VB_CDBL(T." c ")"
#define VAL3(a, b, c) "(VB_VAL(T." a ")+VB_VAL(T." b ")+VB_VAL(T." c "))"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    /* One copy at a time. */
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    snprintf(lockPath, sizeof lockPath, "%s/rep8027_raw.lock", runtime ? runtime : "/tmp");
    const int lock = open(lockPath, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (lock < 0) {
        lockPath[0] = 0;
        return 3;
    }
    char held[300], host[256] = "";
    gethostname(host, sizeof host - 1);
    const int heldSize = snprintf(held, sizeof held, "%d\nrep8027_raw\n%s\n", (int)getpid(), host);
    if (write(lock, held, (size_t)heldSize) != heldSize) fail(lockPath);
    close(lock);

    /* The settings, the database and the folders. */
    const char* winDir = getenv("KLV_WINDIR");
    char ini[8400], sys[4200], dbPath[4200], dbName[4200], dbFile[8400], user[256], rpt[4300], tmp[4300];
    if (winDir)
        snprintf(ini, sizeof ini, "%s/QM000.INI", winDir);
    else
        snprintf(ini, sizeof ini, "%s/.config/klv/QM000.INI", getenv("HOME"));
    readIni(ini, "SysPath", sys, sizeof sys);
    readIni(ini, "DBPath", dbPath, sizeof dbPath);
    readIni(ini, "DBName", dbName, sizeof dbName);
    if (!sys[0] || chdir(sys) != 0) fail("SysPath");
    snprintf(dbFile, sizeof dbFile, "%s%s", dbPath, dbName);
    if (sqlite3_open_v2(dbFile, &db, SQLITE_OPEN_READWRITE, NULL) != SQLITE_OK) fail(dbFile);
    sqlite3_busy_timeout(db, 10000);
    sqlite3_create_function(db, "VB_VAL", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, NULL, vbVal, NULL, NULL);
    sqlite3_create_function(db, "VB_CDBL", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, NULL, vbCdbl, NULL, NULL);
    sqlite3_exec(db, "PRAGMA cache_size = -2048", NULL, NULL, NULL);
    snprintf(rpt, sizeof rpt, "%sRPT/", sys);
    snprintf(tmp, sizeof tmp, "%sTMP/", sys);
    struct stat st0;
    if (stat(rpt, &st0) != 0 || !S_ISDIR(st0.st_mode) || stat(tmp, &st0) != 0 || !S_ISDIR(st0.st_mode)) fail("RPT or TMP");
    snprintf(ini, sizeof ini, "%sQM000.INI", sys);
    readIni(ini, "SysUser", user, sizeof user);

    /* The command line: type (2 digits), document (15), form (4), period (6 digits), code (1), number. */
    const char* line = argv[1];
    const size_t size = strlen(line);
    if ((size != 35 && size != 36) || !isdigit((unsigned char)line[0]) || !isdigit((unsigned char)line[1])) fail("the line");
    char doc[16], form[5], period[7], base[64];
    snprintf(doc, sizeof doc, "%.15s", line + 2);
    snprintf(form, sizeof form, "%.4s", line + 17);
    snprintf(period, sizeof period, "%.6s", line + 21);
    char* document = trim(doc);
    if (!lettersAndDigits(document, strlen(document)) || !lettersAndDigits(form, 4) || !lettersAndDigits(period, 6) ||
        !lettersAndDigits(line + 27, size - 27))
        fail("the line");
    const int tip = (line[0] - '0') * 10 + (line[1] - '0');
    snprintf(base, sizeof base, "%s%s%s", form, period, line + 27);
    /* The period asked of CAB and the one shown ("00": the year alone). */
    char asked[8], shown[8];
    if (strcmp(period + 4, "00") == 0) {
        snprintf(asked, sizeof asked, "%.4s", period);
        snprintf(shown, sizeof shown, "%.4s", period);
    } else {
        snprintf(asked, sizeof asked, "%s", period);
        snprintf(shown, sizeof shown, "%.2s/%.4s", period + 4, period);
    }

    /* The run's files: what a killed run left goes, the earlier ones are kept aside. */
    char place[3][4400], aside[3][4500], fresh[3][4500];
    const char* folders[3] = {rpt, rpt, tmp};
    const char* ends[3] = {".PRN", ".txt", ".TXT"};
    int earlier[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        snprintf(place[i], sizeof place[i], "%s%s%s", folders[i], base, ends[i]);
        hidden(aside[i], sizeof aside[i], place[i], ".anterior");
        hidden(fresh[i], sizeof fresh[i], place[i], ".nuevo");
        clearLeftovers(place[i]);
        struct stat st;
        if (lstat(place[i], &st) == 0 && S_ISREG(st.st_mode)) {
            if (link(place[i], aside[i]) != 0) fail(aside[i]);
            earlier[i] = 1;
        }
    }

    /* The markup pass: the declaration, its figures, the SPOOL row, the markup file. */
    char trace[4300];
    snprintf(trace, sizeof trace, "%sTrace.txt", sys);
    const time_t clock = time(NULL);
    struct tm now;
    localtime_r(&clock, &now);
    char date[16], hour[16], stamp[32];
    strftime(date, sizeof date, "%d/%m/%Y", &now);
    strftime(hour, sizeof hour, "%H:%M:%S", &now);
    strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &now);
    if (!headerExists(trace, tip, document, form, asked)) fail("no declaration");
    sqlite3_stmt* st = prepare("SELECT Funcion FROM PARAM WHERE Numero = '044' AND Argumento = ?1 LIMIT 1");
    char tipText[8];
    snprintf(tipText, sizeof tipText, "%d", tip);
    sqlite3_bind_text(st, 1, tipText, -1, SQLITE_STATIC);
    char shortName[64] = "RUC";
    if (sqlite3_step(st) == SQLITE_ROW) {
        char whole[300];
        cp1252Of((const char*)sqlite3_column_text(st, 0), whole, sizeof whole);
        char cut[16];
        snprintf(cut, sizeof cut, "%.12s", strlen(whole) > 31 ? whole + 31 : "");
        snprintf(shortName, sizeof shortName, "%s", trim(cut));
    }
    sqlite3_finalize(st);
    st = prepare("SELECT Nombre FROM CONT WHERE Tip_doc_d = ?1 AND Doc_id_d = ?2 LIMIT 1");
    sqlite3_bind_int(st, 1, tip);
    sqlite3_bind_text(st, 2, document, -1, SQLITE_STATIC);
    char name[600] = "", *taxpayer = name;
    if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_text(st, 0)) {
        cp1252Of((const char*)sqlite3_column_text(st, 0), name, sizeof name);
        taxpayer = trim(name);
    }
    sqlite3_finalize(st);

    st = prepare("SELECT count(*) FROM TRANSACCION2 WHERE Tip_doc_d = ?1 AND Doc_id_d = ?2 AND PERIODO = ?3 AND "
                 "Formulario = ?4");
    sqlite3_bind_int(st, 1, tip);
    sqlite3_bind_text(st, 2, document, -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 3, shown, -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 4, form, -1, SQLITE_STATIC);
    if (sqlite3_step(st) != SQLITE_ROW) fail("count");
    char count[40];
    {
        char digits[24];
        const int len = snprintf(digits, sizeof digits, "%lld", sqlite3_column_int64(st, 0));
        int n = 0;
        for (int i = 0; i < len; ++i) {
            count[n++] = digits[i];
            if ((len - 1 - i) % 3 == 0 && i < len - 1) count[n++] = ',';
        }
        snprintf(count + n, sizeof count - (size_t)n, "%*s", n < 15 ? 15 - n : 0, "");
    }
    sqlite3_finalize(st);
    st = prepare("SELECT " SUM("00", CDBL("MTO_SIN_TRAN_MON_REG"), CDBL("MTO_SIN_INTS_MON_REG")) ", " SUM(
        "01", VAL3("MTO_SIN_AJU_PCNC", "MTO_SIN_AJU_PR", "MTO_SIN_AJU_CI"),
        VAL3("MTO_INTS_SIN_AJU_PCNC", "MTO_INTS_SIN_AJU_PR", "MTO_INTS_SIN_AJU_CI")) ", " SUM("01",
        VAL3("MTO_AJU_PCNC", "MTO_AJU_PR", "MTO_AJU_CI"), VAL3("MTO_INTS_AJU_PCNC", "MTO_INTS_AJU_PR", "MTO_INTS_AJU_CI")) ", " SUM("02",
        CDBL("MTO_TRA_MON_REG"), CDBL("MTO_TOT_INTS_MON_REG")) ", " SUM("02", CDBL("MTO_AJU_RES_POS_REG"),
        CDBL("MTO_TOT_AJU_RES_POS_REG")) ", " SUM("02", CDBL("MTO_AJU_RES_NEG_REG"), CDBL("MTO_TOT_AJU_RES_NEG_REG"))
                 " FROM TRANSACCION2 T WHERE T.TIP_DOC_D=?1 AND T.PERIODO=?2 AND T.DOC_ID_D=?3");
    sqlite3_bind_int(st, 1, tip);
    sqlite3_bind_text(st, 2, shown, -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 3, document, -1, SQLITE_STATIC);
    if (sqlite3_step(st) != SQLITE_ROW) fail("sums");
    char sums[6][40];
    for (int i = 0; i < 6; ++i) summaryAmount(st, i, sums[i]);
    sqlite3_finalize(st);

    char file[16], path[4400];
    if (rawSpoolReport(db, rpt, "PTR001", document, user, stamp, file) != 0) fail("SPOOL");
    const struct {
        int x, y;
        const char* label;
        const char* value;
        const char* bold;
    } body[] = {
        {300, 1500, "DOCUMENTO       : ", NULL, "False"},
        {300, 1750, "RAZON SOCIAL    : ", taxpayer, "False"},
        {300, 2000, "FORMULARIO      : ", NULL, "False"},
        {300, 2250, "PERIODO         : ", shown, "False"},
        {300, 3000, "NUM. TRANSACS.  : ", "", "False"},
        {2000, 3000, "", count, "False"},
        {300, 4000, "SIN ESTUDIO TECNICO  ", "", "TRUE"},
        {300, 4500, "MONTO DE TRANSACCIONES  : ", "", "False"},
        {3500, 4500, "", sums[0], "False"},
        {300, 5000, "METODOS TRADICIONALES  ", "", "TRUE"},
        {300, 5500, "MONTO SIN AJUSTAR       : ", "", "False"},
        {3500, 5500, "", sums[1], "False"},
        {300, 6000, "MONTO AJUSTADO          : ", "", "False"},
        {3500, 6000, "", sums[2], "False"},
        {300, 6500, "OTROS METODOS  ", "", "TRUE"},
        {300, 7000, "MONTO DE TRANSACCIONES  : ", "", "False"},
        {3500, 7000, "", sums[3], "False"},
        {300, 7500, "AJUSTE POSITIVO         : ", "", "False"},
        {3500, 7500, "", sums[4], "False"},
        {300, 8000, "AJUSTE NEGATIVO         : ", "", "False"},
        {3500, 8000, "", sums[5], "False"},
    };
    char out[16384] = "<!font!>Courier New<!/font!>\r\n<!nHojas!>1<!/nHojas!>\r\n<!Orientacion!>V<!/Orientacion!>\r\n"
                      "<!Color!>&H80000005&<!/Color!>\r\n";
    appendf(out, sizeof out, "pPos|300|350|%s|True|10|0|\r\npPos|300|600|%s|True|10|0|\r\n", date, hour);
    appendf(out, sizeof out, "pPos|4000|850|RESUMEN DE ENV\xCDO - FORMULARIO  8027|True|10|0|\r\n");
    for (size_t i = 0; i < sizeof body / sizeof body[0]; ++i) {
        char text[800];
        if (i == 0)
            snprintf(text, sizeof text, "%s%s  %s", body[i].label, shortName, document);
        else if (i == 2)
            snprintf(text, sizeof text, "%s%s-KLV PRECIOS DE TRANSFERENCIA  ", body[i].label, form);
        else
            snprintf(text, sizeof text, "%s%s", body[i].label, body[i].value);
        for (char* c = text; *c; ++c)
            if (*c == '|') *c = (char)0xA6;
            else if (*c == '\r' || *c == '\n') *c = ' ';
        appendf(out, sizeof out, "pPos|%d|%d|%s|%s|10|0|\r\n", body[i].x, body[i].y, text, body[i].bold);
    }
    appendf(out, sizeof out, "pPos|300|9000|NC %s  Fec.Generaci\xF3n: %s|False|10|0|\r\n", line + 28, date);
    snprintf(path, sizeof path, "%s%s", rpt, file);
    writeWhole(path, out, strlen(out));

    /* The twin pass: the declaration again, then the twin's lines (a line of blanks, or none, as one
     * blank). */
    if (!headerExists(trace, tip, document, form, asked)) fail("no declaration");
    out[0] = 0;
    appendf(out, sizeof out, "DOCUMENTO      : %s  %s\r\nRAZON SOCIAL   : %s\r\n", shortName, document, taxpayer);
    appendf(out, sizeof out, "FORMULARIO     : %s-KLV PRECIOS DE TRANSFERENCIA\r\nPERIODO        : %s\r\n \r\n \r\n", form,
            shown);
    appendf(out, sizeof out, "NUM. TRANSACS  : %s\r\n \r\n \r\nSIN ESTUDIO TECNICO  \r\n \r\n", count);
    appendf(out, sizeof out, "MONTO DE TRANSACCIONES  : %s\r\n \r\n \r\nMETODOS TRADICIONALES  \r\n \r\n", sums[0]);
    appendf(out, sizeof out, "MONTO SIN AJUSTAR       : %s\r\nMONTO AJUSTADO          : %s\r\n \r\n \r\n", sums[1], sums[2]);
    appendf(out, sizeof out, "OTROS METODOS  \r\nMONTO DE TRANSACCIONES  : %s\r\nAJUSTE POSITIVO         : %s\r\n", sums[3],
            sums[4]);
    appendf(out, sizeof out, "AJUSTE NEGATIVO         : %s\r\n \r\nNC %s  Fec.Generaci\xF3n: %s\r\n", sums[5], line + 28, date);
    writeWhole(fresh[0], out, strlen(out));

    /* The twin as text: read back line by line, its tag lines left out, a line of blanks as one
     * blank. */
    size_t twinSize;
    char* twin = readWhole(fresh[0], &twinSize);
    char* text = malloc(twinSize + 3);
    size_t textSize = 0;
    for (size_t at = 0; at < twinSize;) {
        size_t end = at;
        while (end < twinSize && twin[end] != '\n') ++end;
        size_t stop = end > at && twin[end - 1] == '\r' ? end - 1 : end;
        size_t first = at;
        while (first < stop && isspace((unsigned char)twin[first])) ++first;
        const int tagLine = stop - first >= 2 && twin[first] == '<' && twin[first + 1] == '!' &&
                            memmem(twin + first + 1, stop - first - 1, "!>", 2) != NULL;
        size_t blanks = at;
        while (blanks < stop && twin[blanks] == ' ') ++blanks;
        if (!tagLine) {
            if (blanks == stop) {
                text[textSize++] = ' ';
            } else {
                memcpy(text + textSize, twin + at, stop - at);
                textSize += stop - at;
            }
            text[textSize++] = '\r';
            text[textSize++] = '\n';
        }
        at = end + 1;
    }
    writeWhole(fresh[1], text, textSize);
    free(twin);

    /* The copy for the host, from the text as written. */
    size_t copySize;
    char* copy = readWhole(fresh[1], &copySize);
    writeWhole(fresh[2], copy, copySize);
    free(copy);
    free(text);

    /* The three into place, in order, then their folders; the earlier files' links go. */
    for (int i = 0; i < 3; ++i) {
        syncPath(fresh[i]);
        if (rename(fresh[i], place[i]) != 0) fail(place[i]);
    }
    syncPath(rpt);
    syncPath(tmp);
    for (int i = 0; i < 3; ++i)
        if (earlier[i]) unlink(aside[i]);
    sqlite3_close(db);
    unlink(lockPath);
    return 0;
}
