/* The raw side of the benchmark WriteReport: the declaration's print written as plain C over the
 * sqlite3 library and POSIX files, with the steps of the print dialog's work. It reads the
 * declaration's answers; sweeps the report folder of files that killed writers left; takes the
 * report's SPOOL row with its next numbers and writes its file empty (under a new name beside it,
 * locked, synced and renamed) in one transaction; then reads the document type's short name, the
 * reference rows of document types and currencies, the list of transactions ordered by the parties'
 * names, and the declaration's six sums, lays every line out and writes the report under a new
 * name beside its own, synced and renamed over it. Texts are taken from SQLite as UTF-8 and
 * written in Windows-1252. Its file is the module's byte for byte (the bench checks it); it reads
 * plain amounts (a sign, digits, a point) as numbers and prints any other text as stored, and it
 * trims the blanks and control characters of ASCII and the two Latin-1 spaces. It counts no rows:
 * the module's count of the rows is for its progress bar, which this side has none of.
 * The connection needs the module's SQL functions and collation (the bench's connection has them). */
#include "declaration_print_raw.h"

#include "declaration_print_list.h"
#include "raw_report_files.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static sqlite3* db;
static int failed;

static void fail(const char* what) {
    if (!failed) fprintf(stderr, "declaration_print_raw: %s: %s\n", what, db ? sqlite3_errmsg(db) : "");
    failed = 1;
}

static sqlite3_stmt* prepare(const char* sql) {
    sqlite3_stmt* st = NULL;
    if (sqlite3_prepare_v2(db, sql, -1, &st, NULL) != SQLITE_OK) fail(sql);
    return st;
}

static const char* columnText(sqlite3_stmt* st, int i) {
    const char* t = (const char*)sqlite3_column_text(st, i);
    return t ? t : "";
}

/* ---- Texts: UTF-8 in, counted and cut as UTF-16 units, written as Windows-1252 -------------- */

/* The code point at s (len bytes left) and its length in bytes. */
static unsigned decode(const unsigned char* s, int len, int* bytes) {
    const unsigned c = s[0];
    int n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : 4;
    if (n > len) n = len;
    unsigned u = n == 1 ? c : n == 2 ? c & 0x1F : n == 3 ? c & 0x0F : c & 0x07;
    for (int i = 1; i < n; ++i) u = (u << 6) | (s[i] & 0x3F);
    *bytes = n;
    return u;
}

/* UTF-16 units of the first `len` bytes. */
static int units(const char* s, int len) {
    int n = 0;
    for (int i = 0; i < len; ++i) {
        const unsigned char c = (unsigned char)s[i];
        if ((c & 0xC0) != 0x80) n += (c & 0xF8) == 0xF0 ? 2 : 1;
    }
    return n;
}

/* Bytes of the first `count` UTF-16 units of s (len bytes). */
static int prefix(const char* s, int len, int count) {
    int i = 0, n = 0;
    while (i < len) {
        int b;
        const unsigned u = decode((const unsigned char*)s + i, len - i, &b);
        const int w = u >= 0x10000 ? 2 : 1;
        if (n + w > count) break;
        n += w;
        i += b;
    }
    return i;
}

static int isBlank(unsigned u) { return (u >= 0x09 && u <= 0x0D) || u == ' ' || u == 0x85 || u == 0xA0; }

/* s trimmed of blanks at both ends, as (start, length). */
static const char* trimmed(const char* s, int* len) {
    int n = (int)strlen(s), at = 0, b;
    while (at < n && isBlank(decode((const unsigned char*)s + at, n - at, &b))) at += b;
    int end = n;
    while (end > at) {
        int k = end - 1;
        while (k > at && ((unsigned char)s[k] & 0xC0) == 0x80) --k;
        if (!isBlank(decode((const unsigned char*)s + k, end - k, &b))) break;
        end = k;
    }
    *len = end - at;
    return s + at;
}

/* Copies s trimmed, then cut to `count` units, into out (size bytes). */
static void trimCut(char* out, int size, const char* s, int count) {
    int n;
    const char* t = trimmed(s, &n);
    n = prefix(t, n, count);
    if (n > size - 1) n = size - 1;
    memcpy(out, t, (size_t)n);
    out[n] = 0;
}

/* Windows-1252 of the code points 0x80..0x9F. */
static const unsigned short kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

static char cp1252(unsigned u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return (char)u;
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == u) return (char)(0x80 + i);
    return '?';
}

/* ---- The report file: a buffer flushed past 64 KiB into a new file beside the name ---------- */

static struct rawFile out = {-1, ""};
static char* buf;
static size_t used;
enum { kFlushAt = 1 << 16, kBufSize = 1 << 18 };

static void flushBuffer(void) {
    if (used > 0 && rawWriteAll(&out, buf, used) != 0) fail(out.temp);
    used = 0;
}

/* A new file beside `path`, for the report. */
static void openBeside(const char* path) {
    if (rawOpenBeside(&out, path) != 0) fail(path);
    used = 0;
}

/* Syncs the new file and renames it over `path`. */
static void commitFile(const char* path) {
    flushBuffer();
    if (out.fd >= 0 && rawCommitBeside(&out, path) != 0) fail(path);
}

static void raw(const char* s) {
    const size_t n = strlen(s);
    memcpy(buf + used, s, n);
    used += n;
}

/* The decimal digits of n into out; returns their count (no terminating zero). */
static int digitsOf(long long n, char* out) {
    char t[24];
    int k = 0, len = 0;
    unsigned long long u = n < 0 ? 0ULL - (unsigned long long)n : (unsigned long long)n;
    do t[k++] = (char)('0' + u % 10);
    while ((u /= 10) != 0);
    if (n < 0) out[len++] = '-';
    while (k > 0) out[len++] = t[--k];
    return len;
}

static void number(int n) { used += (size_t)digitsOf(n, buf + used); }

/* A text field: "|" becomes 0xA6 and line ends blanks. */
static void data(const char* s, int len) {
    int i = 0, b;
    while (i < len) {
        const unsigned u = decode((const unsigned char*)s + i, len - i, &b);
        i += b;
        char c = cp1252(u);
        if (c == '|') c = (char)0xA6;
        else if (c == '\r' || c == '\n') c = ' ';
        buf[used++] = c;
        if (u >= 0x10000) buf[used++] = '?';  /* a pair of UTF-16 units, neither in the code page */
    }
}

static void endLine(void) {
    buf[used++] = '\r';
    buf[used++] = '\n';
    if (used >= kFlushAt) flushBuffer();
}

static void posLine(int x, int y, const char* s, int len, int bold, int size, int page) {
    raw("pPos|");
    number(x);
    raw("|");
    number(y);
    raw("|");
    data(s, len);
    raw(bold ? "|True|" : "|False|");
    number(size);
    raw("|");
    number(page);
    raw("|");
    endLine();
}

static void boxLine(int x1, int y1, int x2, int y2, int page) {
    raw("pCuadro|");
    const int n[5] = {x1, y1, x2, y2, page};
    for (int i = 0; i < 5; ++i) {
        number(n[i]);
        raw("|");
    }
    endLine();
}

static void tagLine(const char* line) {
    raw(line);
    endLine();
}

/* ---- Amounts ---------------------------------------------------------------------------------- */

/* A stored amount: empty (or NULL) is 0.00; a plain number (a sign, digits, a point) is formatted
 * from its digits, or through a double when it has more than 15 significant digits; any other
 * text is printed as stored. */
static int storedAmount(const char* s, char* out, int size) {
    int len;
    const char* t = trimmed(s, &len);
    if (len == 0) return rawAmountText(0, 1, out);
    const int negative = t[0] == '-', from = t[0] == '-' || t[0] == '+';
    int i = from, digits = 0, point = -1;
    for (; i < len; ++i) {
        if (t[i] >= '0' && t[i] <= '9') ++digits;
        else if (t[i] == '.' && point < 0) point = i;
        else break;
    }
    if (i < len || digits == 0) return snprintf(out, (size_t)size, "%s", s);
    /* The whole digits without leading zeros, then the hundredths, rounded half away from zero. */
    const int wholeEnd = point < 0 ? len : point;
    int w = from;
    while (w < wholeEnd - 1 && t[w] == '0') ++w;
    const int fraction = point < 0 ? 0 : len - point - 1;
    if ((wholeEnd - w) + fraction > 15 || wholeEnd - w > 15) {
        char number[64];
        snprintf(number, sizeof number, "%.*s", len < 63 ? len : 63, t);
        return rawAmountText(strtod(number, NULL), 1, out);
    }
    char d[24];
    int n = 0;
    d[n++] = '0'; /* room for a carry */
    for (int k = w; k < wholeEnd; ++k) d[n++] = t[k];
    if (n == 1) d[n++] = '0';
    for (int k = 1; k <= 2; ++k) d[n++] = k <= fraction ? t[point + k] : '0';
    if (fraction > 2 && t[point + 3] >= '5')
        for (int k = n - 1; k >= 0; --k) {
            if (d[k] != '9') {
                ++d[k];
                break;
            }
            d[k] = '0';
        }
    int first = 0;
    while (first < n - 3 && d[first] == '0') ++first;
    int zero = 1;
    for (int k = first; k < n; ++k) zero = zero && d[k] == '0';
    int o = 0;
    if (negative && !zero) out[o++] = '-';
    const int whole = n - 2 - first;
    for (int k = 0; k < whole; ++k) {
        out[o++] = d[first + k];
        if ((whole - 1 - k) % 3 == 0 && k < whole - 1) out[o++] = ',';
    }
    out[o++] = '.';
    out[o++] = d[n - 2];
    out[o++] = d[n - 1];
    out[o] = 0;
    return o;
}

/* Right-aligned in 18 characters (at most 80 blanks; a longer text as it is). */
static int alignRight(const char* s, char* out) {
    const int len = (int)strlen(s), chars = units(s, len);
    const int pad = chars < 18 ? 18 - chars : 0;
    memset(out, ' ', (size_t)pad);
    memcpy(out + pad, s, (size_t)len + 1);
    return pad + len;
}

/* ---- The print ---------------------------------------------------------------------------------- */

enum { kStep = 270, kTopY = 1700, kTopYTotals = 1950, kLastY = 6830, kFirstPageUnits = 32, kLaterPageUnits = 66 };

struct place {
    int x, dy, size;
};

/* Where a text of `chars` characters lies whole inside [left, right) of its column or box. */
static struct place placeInside(int chars, int x, int size, int left, int right) {
    const int limit = right - 40, width = chars * 12 * size;
    struct place p = {x, 0, size};
    if (x + width <= limit) return p;
    const int start = x < left + 40 ? x : left + 40;
    if (limit - width >= start) {
        p.x = limit - width;
        return p;
    }
    int smaller = (limit - start) / (chars * 12);
    if (smaller < 1) smaller = 1;
    p.x = start;
    p.dy = (int)lround((size - smaller) * 16.65);
    p.size = smaller;
    return p;
}

static int page, posY, rows;
static const char* form;
static char tipoDoc[64], ruc[64], razon[256], periodo[16], aut[4], est[4], rucEst[64];

static void inside(int left, int right, int x, int y, const char* s, int bold, int size, int pg) {
    const int len = (int)strlen(s);
    const struct place p = placeInside(units(s, len), x, size, left, right);
    posLine(p.x, y + p.dy, s, len, bold, p.size, pg);
}

static void put(int x, const char* s, int bold, int size) { posLine(x, posY, s, (int)strlen(s), bold, size, page); }

static void header(void) {
    const int p = page;
    char label[40];
    inside(150, 1700, 380, 350, "MERVA", 1, 16, p);
    inside(150, 1700, 360, 750, "DECLARACION", 0, 8, p);
    inside(150, 1700, 600, 1330, form, 1, 12, p);
    boxLine(150, 300, 1700, 1640, p);
    inside(1700, 8500, 4000, 420, "KLV PRECIOS DE TRANSFERENCIA", 1, 9, p);
    inside(1700, 8500, 2650, 650, " ", 0, 7, p);
    boxLine(1700, 300, 8500, 1100, p);
    inside(1700, 3400, 1750, 1170, tipoDoc, 0, 8, p);
    inside(3400, 8500, 3500, 1170, ruc, 1, 8, p);
    boxLine(1700, 1100, 3400, 1370, p);
    boxLine(3400, 1100, 8500, 1370, p);
    inside(1700, 3400, 1750, 1450, "RAZON SOCIAL", 0, 8, p);
    inside(3400, 6860, 3500, 1450, razon, 1, 8, p);
    boxLine(1700, 1370, 3400, 1640, p);
    boxLine(3400, 1370, 8500, 1640, p);
    boxLine(6860, 1370, 7700, 1640, p);
    inside(6860, 7700, 6910, 1450, "PERIODO", 0, 8, p);
    inside(7700, 8500, 7740, 1450, periodo, 1, 8, p);
    inside(8500, 11000, 9080, 400, "Copia para el", 0, 8, p);
    memcpy(label, "Declarante (Pag. ", 17);
    const int n = 17 + digitsOf(p + 1, label + 17);
    label[n] = ')';
    label[n + 1] = 0;
    inside(8500, 11000, 8750, 700, label, 0, 9, p);
    boxLine(8500, 300, 11000, 1100, p);
    boxLine(8500, 1100, 11000, 1640, p);
}

static void questions(void) {
    char line[256];
    posY += 2 * kStep;
    snprintf(line, sizeof line, "%s%s", "1) ¿Está Autorizado a Llevar Contabilidad en Moneda Extranjera?                      :  ", aut);
    put(300, line, 1, 9);
    posY += 2 * kStep;
    if (strcmp(periodo, "2012") < 0) {
        put(300, "2) ¿Está obligado a contar con Estudio Técnico de Precios de Transferencia; por las  ", 1, 9);
        posY += kStep;
        put(300, "transacciones distintas a las realizadas desde hacia o a través de Países o Territorios", 1, 9);
        posY += kStep;
        snprintf(line, sizeof line, "%s%s", "considerados de Baja o Nula imposición?                                              :  ", est);
        put(300, line, 1, 9);
    } else {
        put(300, " ", 1, 9);
        posY += kStep;
        snprintf(line, sizeof line, "%s%s", "2) ¿Está obligado a presentar el Estudio Técnico de Precios Transferencia?           :  ", est);
        put(300, line, 1, 9);
        posY += kStep;
        put(300, " ", 1, 9);
    }
    posY += 2 * kStep;
    put(300, "3) Ingrese RUC de la consultora o profesional independiente que formuló el Estudio Técnico de Precios ", 1, 9);
    posY += kStep;
    put(300, "de Precios de Transferencia del declarante. (Si el estudio fue formulado por el declarante,", 1, 9);
    posY += kStep;
    snprintf(line, sizeof line, "%s%s", "ingresar el número RUC del declarante).                                              :  ", rucEst);
    put(300, line, 1, 9);
}

static void pageBreak(int top) {
    ++page;
    rows = 0;
    tagLine("pNuevaHoja");
    header();
    posY = top;
}

static void check(int units) {
    rows += units;
    if (rows >= kFirstPageUnits) pageBreak(kTopYTotals);
}

/* The reference rows the list names: document types (PARAM 044, characters 32-43 of Funcion) and
 * currencies (PARAM 883), by their argument. */
enum { kMaxParams = 256 };
static struct param {
    char arg[64];
    char text[512];
} docTypes[kMaxParams], currencies[kMaxParams];
static int nDocTypes, nCurrencies;

static const char* lookup(const struct param* p, int n, const char* arg) {
    for (int i = 0; i < n; ++i)
        if (strcmp(p[i].arg, arg) == 0) return p[i].text;
    return "";
}

static const char* kList = KLV_DECLARATION_PRINT_LIST;

#define SUM(flag, plain, financial)                                                                            \
    "SUM(CASE WHEN T.FLAG_VAL_MET='" flag "' AND T.IND_TRANSAC_FIN='0' THEN " plain " WHEN T.FLAG_VAL_MET='" flag \
    "' AND T.IND_TRANSAC_FIN='1' THEN " financial " END)"
#define THREE(a, b, c) "(VB_VAL(T." a ")+VB_VAL(T." b ")+VB_VAL(T." c "))"
static const char* kSums =
    "SELECT " SUM("00", "VB_CDBL(T.MTO_SIN_TRAN_MON_REG)", "VB_CDBL(T.MTO_SIN_INTS_MON_REG)") ", "
    SUM("01", THREE("MTO_SIN_AJU_PCNC", "MTO_SIN_AJU_PR", "MTO_SIN_AJU_CI"),
        THREE("MTO_INTS_SIN_AJU_PCNC", "MTO_INTS_SIN_AJU_PR", "MTO_INTS_SIN_AJU_CI")) ", "
    SUM("01", THREE("MTO_AJU_PCNC", "MTO_AJU_PR", "MTO_AJU_CI"),
        THREE("MTO_INTS_AJU_PCNC", "MTO_INTS_AJU_PR", "MTO_INTS_AJU_CI")) ", "
    SUM("02", "VB_CDBL(T.MTO_TRA_MON_REG)", "VB_CDBL(T.MTO_TOT_INTS_MON_REG)") ", "
    SUM("02", "VB_CDBL(T.MTO_AJU_RES_POS_REG)", "VB_CDBL(T.MTO_TOT_AJU_RES_POS_REG)") ", "
    SUM("02", "VB_CDBL(T.MTO_AJU_RES_NEG_REG)", "VB_CDBL(T.MTO_TOT_AJU_RES_NEG_REG)")
    " FROM TRANSACCION2 T WHERE T.TIP_DOC_D=? AND T.PERIODO=? AND T.DOC_ID_D=?";

static void transactions(void) {
    nDocTypes = nCurrencies = 0;
    sqlite3_stmt* st = prepare("SELECT Numero, Argumento, Funcion FROM PARAM WHERE Numero IN ('044','883')");
    while (st && sqlite3_step(st) == SQLITE_ROW) {
        const int isDocType = strcmp(columnText(st, 0), "044") == 0;
        struct param* p = isDocType ? &docTypes[nDocTypes] : &currencies[nCurrencies];
        if ((isDocType ? nDocTypes : nCurrencies) == kMaxParams) continue;
        snprintf(p->arg, sizeof p->arg, "%s", columnText(st, 1));
        const char* f = columnText(st, 2);
        if (isDocType) {
            const int len = (int)strlen(f), from = prefix(f, len, 31);
            const int n = prefix(f + from, len - from, 12);
            snprintf(p->text, sizeof p->text, "%.*s", n, f + from);
            ++nDocTypes;
        } else {
            snprintf(p->text, sizeof p->text, "%s", f);
            ++nCurrencies;
        }
    }
    sqlite3_finalize(st);

    st = prepare(kList);
    if (!st) return;
    sqlite3_bind_text(st, 1, form, -1, SQLITE_STATIC);
    sqlite3_bind_int(st, 2, 6);
    sqlite3_bind_text(st, 3, periodo, -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 4, ruc, -1, SQLITE_STATIC);
    int more = sqlite3_step(st) == SQLITE_ROW;
    if (!more) {
        sqlite3_finalize(st);
        return;
    }
    char equals[151], text[1024], right[1024], docType[64], doc[128], code[80], both[1024];
    memset(equals, '=', 150);
    equals[150] = 0;
    posY += 2 * kStep;
    put(300, "", 1, 9);
    posY += kStep;
    put(6250, "TRANSACCIONES REALIZADAS CON INFORMADOS", 1, 9);
    put(6250, "_______________________________________", 1, 9);
    posY += 2 * kStep;
    put(300, "N°   TIPO DOC.     NUM.DOC.       DESCRIPCION DEL INFORMADO                VALORACION POR MÉTODO             MONEDA DE ORIGEN         MTO MON.ORIGEN", 1, 9);
    posY += kStep;
    put(300, equals, 1, 9);
    posY += kStep;
    long long n = 0;
    while (more) {
        ++n;
        posY += kStep;
        /* PARAM 883 is keyed by the code in three digits. */
        const char* c = columnText(st, 5);
        int len;
        const char* t = trimmed(c, &len);
        int digits = len > 0 && len < 10;
        for (int i = 0; digits && i < len; ++i) digits = t[i] >= '0' && t[i] <= '9';
        if (digits) {
            const int v = atoi(t), k = digitsOf(v, code + 3);
            const int pad = k < 3 ? 3 - k : 0;
            memset(code, '0', 3);
            memmove(code + pad, code + 3, (size_t)k);
            code[pad + k] = 0;
        } else {
            snprintf(code, sizeof code, "%s", c);
        }
        const char* moneda = lookup(currencies, nCurrencies, code);
        code[digitsOf(sqlite3_column_int(st, 2), code)] = 0;
        trimCut(docType, sizeof docType, lookup(docTypes, nDocTypes, code), 11);
        text[digitsOf(n, text)] = 0;
        inside(300, 700, 300, posY, text, 0, 8, page);
        inside(700, 2000, 700, posY, docType, 0, 8, page);
        trimCut(doc, sizeof doc, columnText(st, 3), 30);
        inside(2000, 3900, 2000, posY, doc, 0, 8, page);
        const char* name = columnText(st, 1);
        const int nameLen = prefix(name, (int)strlen(name), 40);
        memcpy(text, name, (size_t)nameLen);
        text[nameLen] = 0;
        inside(3900, 8300, 3900, posY, text, 0, 8, page);
        const char* flag = columnText(st, 4);
        inside(8300, 11550, 8300, posY,
               strcmp(flag, "00") == 0   ? "SIN ESTUDIO TÉCNICO DE PRECIOS"
               : strcmp(flag, "01") == 0 ? "TRADICIONAL"
                                         : "OTROS METODOS",
               0, 8, page);
        /* The currency with the other currency's name over the currency alone, both where and as
         * large as the longer fits. */
        const int other = sqlite3_column_type(st, 6) != SQLITE_NULL;
        if (other) snprintf(both, sizeof both, "%s %s", moneda, columnText(st, 6));
        else both[0] = 0;
        const char* longer = other ? both : moneda;
        const struct place m = placeInside(units(longer, (int)strlen(longer)), 11550, 8, 11550, 13850);
        posLine(m.x, posY + m.dy, moneda, (int)strlen(moneda), 0, m.size, page);
        posLine(m.x, posY + m.dy, both, (int)strlen(both), 0, m.size, page);
        storedAmount(columnText(st, 7), text, sizeof text);
        alignRight(text, right);
        put(13850, right, 0, 8);
        more = sqlite3_step(st) == SQLITE_ROW;
        rows += 2;
        if (rows >= (page == 0 ? kFirstPageUnits : kLaterPageUnits)) pageBreak(kTopY);
    }
    sqlite3_finalize(st);

    posY += kStep;
    put(300, equals, 1, 9);
    posY += kStep;
    sprintf(text, "%lld Transacciones realizadas.", n);
    put(300, text, 0, 8);
    if (posY > kLastY) {
        pageBreak(kTopY);
        rows = 3;
    } else {
        posY += 2 * kStep;
        rows += 5;
    }
    if (rows >= kFirstPageUnits) pageBreak(kTopYTotals);
    snprintf(text, sizeof text, "MONEDA DE REGISTRO : %s", strcmp(aut, "NO") == 0 ? "Nuevos Soles-Peru" : "Dolar de EE.UU.-EE.UU.");
    put(300, text, 1, 9);
    put(300, "___________________", 1, 9);
    posY += kStep;

    char totals[6][64];
    st = prepare(kSums);
    if (!st) return;
    sqlite3_bind_int(st, 1, 6);
    sqlite3_bind_text(st, 2, periodo, -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 3, ruc, -1, SQLITE_STATIC);
    const int row = sqlite3_step(st) == SQLITE_ROW;
    for (int i = 0; i < 6; ++i) {
        char t[64];
        if (!row || sqlite3_column_type(st, i) == SQLITE_NULL) strcpy(t, "0.00");
        else rawAmountText(sqlite3_column_double(st, i), i == 5, t);
        alignRight(t, totals[i]);
    }
    sqlite3_finalize(st);
    static const char* const kLabels[6] = {
        "MONTO DE TRANSACCIONES ACUMULADO : ", "MONTO SIN AJUSTAR ACUMULADO      : ",
        "MONTO AJUSTADO ACUMULADO         : ", "MONTO DE TRANSACCIONES ACUMULADO : ",
        "MONTO DE AJUSTE POSITIVO         : ", "MONTO DE AJUSTE NEGATIVO         : ",
    };
    static const char* const kBlocks[3] = {"SIN ESTUDIO TÉCNICO", "MÉTODOS TRADICIONALES", "OTROS MÉTODOS"};
    static const int kFirst[3] = {0, 1, 3}, kCount[3] = {1, 2, 3};
    posY += kStep;
    for (int b = 0; b < 3; ++b) {
        if (b > 0) posY += 2 * kStep;
        check(b == 2 ? 3 : 2);
        put(900, kBlocks[b], 0, 9);
        for (int i = kFirst[b]; i < kFirst[b] + kCount[b]; ++i) {
            posY += kStep;
            snprintf(text, sizeof text, "%s%s", kLabels[i], totals[i]);
            put(3500, text, 0, 9);
        }
    }
}

int rawWriteDeclarationPrint(sqlite3* handle, const char* dir, const char* docIdD, const char* declarantName,
                             const char* period, const char* formCode, const char* user, const char* now, char* name) {
    db = handle;
    failed = 0;
    form = formCode;
    snprintf(ruc, sizeof ruc, "%s", docIdD);
    trimCut(razon, sizeof razon, declarantName, 32);
    snprintf(periodo, sizeof periodo, "%s", period);
    if (!buf) buf = malloc(kBufSize);

    /* The declaration's answers. */
    sqlite3_stmt* st = prepare("SELECT AUTCONTEXT, ESTTECPT, RUC FROM IDENTIFICA2 WHERE TIP_DOC_D=? AND DOC_ID_D=? AND "
                               "PERIODO=? AND FORMULARIO=?");
    if (!st) return -1;
    sqlite3_bind_int(st, 1, 6);
    sqlite3_bind_text(st, 2, ruc, -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 3, periodo, -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 4, form, -1, SQLITE_STATIC);
    if (sqlite3_step(st) != SQLITE_ROW) fail("the declaration's answers");
    char t[64];
    trimCut(t, sizeof t, columnText(st, 0), 8);
    strcpy(aut, strcmp(t, "1") == 0 ? "SI" : "NO");
    trimCut(t, sizeof t, columnText(st, 1), 8);
    strcpy(est, strcmp(t, "1") == 0 ? "SI" : "NO");
    trimCut(rucEst, sizeof rucEst, columnText(st, 2), 60);
    sqlite3_finalize(st);
    if (failed) return -1;

    /* The SPOOL row and its file, empty, in one transaction. */
    char path[4200];
    if (rawSpoolReport(db, dir, "PTR002", ruc, user, now, name) != 0) return -1;
    snprintf(path, sizeof path, "%s/%s", dir, name);

    /* The report, written beside its name. */
    openBeside(path);
    page = 0;
    posY = kTopY;
    rows = 0;
    tagLine("<!font!>Courier New<!/font!>");
    tagLine("<!nHojas!>1<!/nHojas!>");
    tagLine("<!Orientacion!>H<!/Orientacion!>");
    tagLine("<!Color!>&H00FFFFC0&<!/Color!>");
    st = prepare("SELECT substr(Funcion, 32, 11) FROM PARAM WHERE Numero = '044' AND Argumento = ?");
    sqlite3_bind_text(st, 1, "6", -1, SQLITE_STATIC);
    tipoDoc[0] = 0;
    if (sqlite3_step(st) == SQLITE_ROW) trimCut(tipoDoc, sizeof tipoDoc, columnText(st, 0), 60);
    sqlite3_finalize(st);
    header();
    questions();
    transactions();
    commitFile(path);
    return failed ? -1 : 0;
}
