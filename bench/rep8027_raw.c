/* The raw side of summary_report_bench: the work of one 8027REP run written as a plain C program
 * over the sqlite3 library and POSIX files, started as a process of its own as 8027REP is. It runs
 * the same queries (the trace of the CAB query and the declaration's header twice, the short name
 * of the document type, the taxpayer's name, the count and the six sums of the transactions, the
 * SPOOL row with its next numbers in one transaction) and writes the same files (the markup file,
 * the twin, its text and the copy for the host, each whole under a temporary name, synced and
 * renamed; the twin, text and copy written aside first and renamed into place, their folders
 * synced). It neither checks its command line nor keeps earlier files aside; the engine keeps its
 * default page cache.
 *   rep8027_raw SYSPATH DBFILE TIPDOC DOCUMENT FORM PERIOD BASENAME NROENVIO
 * Exit status 0 once the files are in place. */
#include <fcntl.h>
#include <sqlite3.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static sqlite3* db;

static void fail(const char* what) {
    fprintf(stderr, "rep8027_raw: %s: %s\n", what, db ? sqlite3_errmsg(db) : "");
    exit(1);
}

static sqlite3_stmt* prepare(const char* sql) {
    sqlite3_stmt* st = NULL;
    if (sqlite3_prepare_v2(db, sql, -1, &st, NULL) != SQLITE_OK) fail(sql);
    return st;
}

static void exec(const char* sql) {
    if (sqlite3_exec(db, sql, NULL, NULL, NULL) != SQLITE_OK) fail(sql);
}

/* Writes `text` whole under a temporary name beside `path`, syncs it and renames it to `path`. */
static void writeWhole(const char* path, const char* text) {
    char temp[4096];
    snprintf(temp, sizeof temp, "%s.XXXXXX", path);
    const int fd = mkstemp(temp);
    if (fd < 0) fail(path);
    const size_t n = strlen(text);
    if (write(fd, text, n) != (ssize_t)n || fsync(fd) != 0 || close(fd) != 0) fail(path);
    if (rename(temp, path) != 0) fail(path);
}

static void syncPath(const char* path) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) fail(path);
    fsync(fd);
    close(fd);
}

static void appendf(char* out, size_t size, const char* format, ...) {
    const size_t used = strlen(out);
    va_list args;
    va_start(args, format);
    vsnprintf(out + used, size - used, format, args);
    va_end(args);
}

static int headerExists(const char* trace, const char* tip, const char* doc, const char* form, const char* period) {
    FILE* f = fopen(trace, "ab");
    if (!f) fail(trace);
    fprintf(f, "SELECT * FROM CAB WHERE Tip_doc_d= %s AND Doc_id_d='%s'  AND PERIODO='%s' AND Formulario='%s'\r\n", tip,
            doc, period, form);
    if (fclose(f) != 0) fail(trace);
    sqlite3_stmt* st =
        prepare("SELECT 1 FROM CAB WHERE Tip_doc_d = ?1 AND Doc_id_d = ?2 AND PERIODO = ?3 AND Formulario = ?4 LIMIT 1");
    sqlite3_bind_int(st, 1, atoi(tip));
    sqlite3_bind_text(st, 2, doc, -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 3, period, -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 4, form, -1, SQLITE_STATIC);
    const int found = sqlite3_step(st) == SQLITE_ROW;
    sqlite3_finalize(st);
    return found;
}

#define SUM(flag, plain, financial)                                                                           \
    "SUM(CASE WHEN FLAG_VAL_MET='" flag "' AND IND_TRANSAC_FIN='0' THEN " plain " WHEN FLAG_VAL_MET='" flag \
    "' AND IND_TRANSAC_FIN='1' THEN " financial " END)"
#define NUM(c) "CAST(" c " AS REAL)"

int main(int argc, char** argv) {
    if (argc != 9) return 2;
    const char *sys = argv[1], *tip = argv[3], *doc = argv[4], *form = argv[5], *period = argv[6], *base = argv[7],
               *envio = argv[8];
    char trace[4096], path[4096], aside[3][4096], place[3][4096];
    snprintf(trace, sizeof trace, "%sTrace.txt", sys);
    if (sqlite3_open_v2(argv[2], &db, SQLITE_OPEN_READWRITE, NULL) != SQLITE_OK) fail(argv[2]);
    sqlite3_busy_timeout(db, 10000);

    if (!headerExists(trace, tip, doc, form, period)) fail("no declaration");
    sqlite3_stmt* st = prepare("SELECT Funcion FROM PARAM WHERE Numero = '044' AND Argumento = ?1 LIMIT 1");
    sqlite3_bind_text(st, 1, tip[0] == '0' ? tip + 1 : tip, -1, SQLITE_STATIC);
    char shortName[64] = "RUC";
    if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_bytes(st, 0) > 31)
        snprintf(shortName, sizeof shortName, "%.12s", (const char*)sqlite3_column_text(st, 0) + 31);
    sqlite3_finalize(st);
    st = prepare("SELECT Nombre FROM CONT WHERE Tip_doc_d = ?1 AND Doc_id_d = ?2 LIMIT 1");
    sqlite3_bind_int(st, 1, atoi(tip));
    sqlite3_bind_text(st, 2, doc, -1, SQLITE_STATIC);
    char name[256] = "";
    if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_text(st, 0))
        snprintf(name, sizeof name, "%s", (const char*)sqlite3_column_text(st, 0));
    sqlite3_finalize(st);

    st = prepare("SELECT count(*) FROM TRANSACCION2 WHERE Tip_doc_d = ?1 AND Doc_id_d = ?2 AND PERIODO = ?3 AND "
                 "Formulario = ?4");
    sqlite3_bind_int(st, 1, atoi(tip));
    sqlite3_bind_text(st, 2, doc, -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 3, period, -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 4, form, -1, SQLITE_STATIC);
    if (sqlite3_step(st) != SQLITE_ROW) fail("count");
    const long long count = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    st = prepare("SELECT " SUM("00", NUM("MTO_SIN_TRAN_MON_REG"), NUM("MTO_SIN_INTS_MON_REG")) ", " SUM(
        "01", "(" NUM("MTO_SIN_AJU_PCNC") "+" NUM("MTO_SIN_AJU_PR") "+" NUM("MTO_SIN_AJU_CI") ")",
        "(" NUM("MTO_INTS_SIN_AJU_PCNC") "+" NUM("MTO_INTS_SIN_AJU_PR") "+" NUM("MTO_INTS_SIN_AJU_CI") ")") ", " SUM("01",
        "(" NUM("MTO_AJU_PCNC") "+" NUM("MTO_AJU_PR") "+" NUM("MTO_AJU_CI") ")",
        "(" NUM("MTO_INTS_AJU_PCNC") "+" NUM("MTO_INTS_AJU_PR") "+" NUM("MTO_INTS_AJU_CI") ")") ", " SUM("02",
        NUM("MTO_TRA_MON_REG"), NUM("MTO_TOT_INTS_MON_REG")) ", " SUM("02", NUM("MTO_AJU_RES_POS_REG"),
        NUM("MTO_TOT_AJU_RES_POS_REG")) ", " SUM("02", NUM("MTO_AJU_RES_NEG_REG"), NUM("MTO_TOT_AJU_RES_NEG_REG"))
                 " FROM TRANSACCION2 WHERE TIP_DOC_D = ?1 AND PERIODO = ?2 AND DOC_ID_D = ?3");
    sqlite3_bind_int(st, 1, atoi(tip));
    sqlite3_bind_text(st, 2, period, -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 3, doc, -1, SQLITE_STATIC);
    double sums[6] = {0};
    if (sqlite3_step(st) != SQLITE_ROW) fail("sums");
    for (int i = 0; i < 6; ++i) sums[i] = sqlite3_column_double(st, i);
    sqlite3_finalize(st);

    /* The SPOOL row and the markup file's number. */
    exec("BEGIN IMMEDIATE");
    st = prepare("SELECT max(CAST(trim(Secuencia) AS INTEGER)) FROM SPOOL WHERE CodRep = 'PTR001' AND "
                 "trim(Secuencia) <> '' AND trim(Secuencia) NOT GLOB '*[^0-9]*'");
    sqlite3_step(st);
    const long long sequence = sqlite3_column_int64(st, 0) + 1;
    sqlite3_finalize(st);
    st = prepare("SELECT max(CAST(substr(Archivo, 1, 8) AS INTEGER)) FROM SPOOL WHERE "
                 "Archivo GLOB '[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]*'");
    sqlite3_step(st);
    const long long number = sqlite3_column_int64(st, 0) + 1;
    sqlite3_finalize(st);
    char seqText[24], file[40];
    snprintf(seqText, sizeof seqText, "%06lld", sequence);
    snprintf(file, sizeof file, "%08lld.PRN", number);
    st = prepare("INSERT INTO SPOOL (CodRep, Secuencia, Archivo, Fecha, Usuario, TIP_DOC_D, DOC_ID_D) "
                 "VALUES ('PTR001', ?1, ?2, datetime('now'), 'DEMO', ?3, ?4)");
    sqlite3_bind_text(st, 1, seqText, -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 2, file, -1, SQLITE_STATIC);
    sqlite3_bind_int(st, 3, atoi(tip));
    sqlite3_bind_text(st, 4, doc, -1, SQLITE_STATIC);
    if (sqlite3_step(st) != SQLITE_DONE) fail("spool");
    sqlite3_finalize(st);
    exec("COMMIT");

    /* The summary's lines: the markup file places them, the twin and its text list them. */
    const char* labels[] = {"MONTO DE TRANSACCIONES  : ", "MONTO SIN AJUSTAR       : ", "MONTO AJUSTADO          : ",
                            "MONTO DE TRANSACCIONES  : ", "AJUSTE POSITIVO         : ", "AJUSTE NEGATIVO         : "};
    char lines[4096] = "";
    appendf(lines, sizeof lines, "DOCUMENTO      : %s  %s\r\nRAZON SOCIAL   : %s\r\n", shortName, doc, name);
    appendf(lines, sizeof lines, "FORMULARIO     : %s-KLV PRECIOS DE TRANSFERENCIA\r\nPERIODO        : %s\r\n\r\n\r\n",
            form, period);
    appendf(lines, sizeof lines, "NUM. TRANSACS  : %15lld\r\n\r\n\r\nSIN ESTUDIO TECNICO  \r\n\r\n", count);
    for (int i = 0; i < 6; ++i) appendf(lines, sizeof lines, "%s%15.2f\r\n\r\n", labels[i], sums[i]);
    appendf(lines, sizeof lines, "NC %s  Fec.Generacion: 09/12/2026\r\n", envio);

    char markup[8192] = "<!orientation!>1<!/orientation!>\r\n";
    appendf(markup, sizeof markup, "<!pos!>300,1500<!/pos!>%s", lines);
    snprintf(path, sizeof path, "%sRPT/%s", sys, file);
    writeWhole(path, markup);

    if (!headerExists(trace, tip, doc, form, period)) fail("no declaration");
    const char* folders[3] = {"RPT/", "RPT/", "TMP/"};
    const char* ends[3] = {".PRN", ".txt", ".TXT"};
    for (int i = 0; i < 3; ++i) {
        snprintf(place[i], sizeof place[i], "%s%s%s%s", sys, folders[i], base, ends[i]);
        snprintf(aside[i], sizeof aside[i], "%s%s.%s%s.nuevo", sys, folders[i], base, ends[i]);
        writeWhole(aside[i], lines);
    }
    for (int i = 0; i < 3; ++i) {
        syncPath(aside[i]);
        if (rename(aside[i], place[i]) != 0) fail(place[i]);
    }
    snprintf(path, sizeof path, "%sRPT/", sys);
    syncPath(path);
    snprintf(path, sizeof path, "%sTMP/", sys);
    syncPath(path);
    sqlite3_close(db);
    return 0;
}
