/* What the raw C writers of reports share: see raw_report_files.h. */
#include "raw_report_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

static int told(const char* what, const char* detail) {
    fprintf(stderr, "raw report: %s: %s\n", what, detail ? detail : "");
    return -1;
}

void rawSweepReports(const char* dir) {
    DIR* d = opendir(dir);
    if (!d) return;
    struct dirent* e;
    char path[4200];
    while ((e = readdir(d)) != NULL) {
        const char* n = e->d_name;
        int ok = strlen(n) == 19 && memcmp(n + 8, ".PRN.", 5) == 0;
        for (int i = 0; ok && i < 8; ++i) ok = n[i] >= '0' && n[i] <= '9';
        for (int i = 13; ok && i < 19; ++i)
            ok = (n[i] >= '0' && n[i] <= '9') || (n[i] >= 'A' && n[i] <= 'Z') || (n[i] >= 'a' && n[i] <= 'z');
        if (!ok) continue;
        snprintf(path, sizeof path, "%s/%s", dir, n);
        const int f = open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (f < 0) continue;
        struct stat held, named;
        if (fstat(f, &held) == 0 && S_ISREG(held.st_mode) && flock(f, LOCK_EX | LOCK_NB) == 0 &&
            lstat(path, &named) == 0 && named.st_ino == held.st_ino && named.st_dev == held.st_dev)
            unlink(path);
        close(f);
    }
    closedir(d);
}

int rawOpenBeside(struct rawFile* f, const char* path) {
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    struct stat st;
    const int replaces = lstat(path, &st) == 0 && S_ISREG(st.st_mode);
    f->fd = -1;
    for (int attempt = 0; attempt < 100 && f->fd < 0; ++attempt) {
        char suffix[7];
        for (int i = 0; i < 6; ++i) suffix[i] = kChars[rand() % 62];
        suffix[6] = 0;
        snprintf(f->temp, sizeof f->temp, "%s.%s", path, suffix);
        f->fd = open(f->temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, replaces ? 0600 : 0666);
    }
    if (f->fd < 0 || flock(f->fd, LOCK_EX) != 0) return told(path, "cannot create it");
    if (replaces) fchmod(f->fd, st.st_mode & 07777);
    return 0;
}

int rawWriteAll(struct rawFile* f, const char* bytes, size_t n) {
    size_t at = 0;
    while (at < n && f->fd >= 0) {
        const ssize_t w = write(f->fd, bytes + at, n - at);
        if (w <= 0) return told(f->temp, "cannot write it");
        at += (size_t)w;
    }
    return f->fd >= 0 ? 0 : -1;
}

int rawCommitBeside(struct rawFile* f, const char* path) {
    if (f->fd < 0) return -1;
    int rc = 0;
    if (fsync(f->fd) != 0 || rename(f->temp, path) != 0) {
        rc = told(path, "cannot put it in place");
        unlink(f->temp);
    }
    close(f->fd);
    f->fd = -1;
    return rc;
}

int rawSpoolReport(sqlite3* db, const char* dir, const char* codRep, const char* docIdD, const char* user,
                   const char* now, char* name) {
    rawSweepReports(dir);
    if (sqlite3_exec(db, "BEGIN IMMEDIATE", NULL, NULL, NULL) != SQLITE_OK) return told("BEGIN", sqlite3_errmsg(db));
    sqlite3_stmt* st = NULL;
    sqlite3_prepare_v2(db, "SELECT max(CAST(trim(Secuencia) AS INTEGER)) FROM SPOOL WHERE CodRep = ? AND "
                           "trim(Secuencia) <> '' AND trim(Secuencia) NOT GLOB '*[^0-9]*'", -1, &st, NULL);
    sqlite3_bind_text(st, 1, codRep, -1, SQLITE_STATIC);
    sqlite3_step(st);
    const long long sequence = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    sqlite3_prepare_v2(db, "SELECT max(CAST(substr(Archivo, 1, 8) AS INTEGER)) FROM SPOOL WHERE "
                           "Archivo GLOB '[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]*'", -1, &st, NULL);
    sqlite3_step(st);
    const long long file = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    char sequenceText[24];
    snprintf(sequenceText, sizeof sequenceText, "%06lld", sequence + 1);
    char number[32];
    snprintf(number, sizeof number, "%08lld.PRN", file + 1);
    snprintf(name, 16, "%.15s", number);
    sqlite3_prepare_v2(db, "INSERT INTO SPOOL (CodRep, Secuencia, Archivo, Fecha, Usuario, TIP_DOC_D, DOC_ID_D) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?)", -1, &st, NULL);
    sqlite3_bind_text(st, 1, codRep, -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 2, sequenceText, -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 3, name, -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 4, now, -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 5, user, -1, SQLITE_STATIC);
    sqlite3_bind_int(st, 6, 6);
    sqlite3_bind_text(st, 7, docIdD, -1, SQLITE_STATIC);
    int rc = sqlite3_step(st) == SQLITE_DONE ? 0 : told("SPOOL", sqlite3_errmsg(db));
    sqlite3_finalize(st);
    /* The file, empty, before the row is committed. */
    char path[4200];
    snprintf(path, sizeof path, "%s/%s", dir, name);
    struct rawFile empty;
    if (rc == 0) rc = rawOpenBeside(&empty, path) == 0 ? rawCommitBeside(&empty, path) : -1;
    if (sqlite3_exec(db, rc == 0 ? "COMMIT" : "ROLLBACK", NULL, NULL, NULL) != SQLITE_OK && rc == 0)
        rc = told("COMMIT", sqlite3_errmsg(db));
    return rc;
}

int rawAmountText(double v, int zeroWhole, char* out) {
    char e[40];
    snprintf(e, sizeof e, "%.14e", fabs(v));
    char digits[16];
    int nd = 0;
    for (const char* p = e; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') digits[nd++] = *p;
    const int exponent = atoi(strchr(e, 'e') + 1);
    const int keep = exponent + 3; /* digits down to the hundredths */
    unsigned long long hundredths = 0;
    if (keep > 19 || !isfinite(v)) return sprintf(out, "%.2f", v);
    for (int i = 0; i < keep; ++i) hundredths = hundredths * 10 + (unsigned)(i < nd ? digits[i] - '0' : 0);
    if (keep >= 0 && keep < nd && digits[keep] >= '5') ++hundredths;
    const unsigned long long whole = hundredths / 100;
    int n = 0;
    if (v < 0 && hundredths != 0) out[n++] = '-';
    if (whole != 0 || zeroWhole) {
        char w[24];
        const int len = sprintf(w, "%llu", whole);
        for (int i = 0; i < len; ++i) {
            out[n++] = w[i];
            if ((len - 1 - i) % 3 == 0 && i < len - 1) out[n++] = ',';
        }
    }
    return n + sprintf(out + n, ".%02llu", hundredths % 100);
}
