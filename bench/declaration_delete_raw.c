/* The raw side of the benchmark DeleteDeclaration: a stored declaration deleted as plain C over the
 * sqlite3 library. It opens the database file (read and write, the library's default settings,
 * the busy timeout QM8027 opens it with), begins the write at once, runs the module's five deletes
 * (declaration_deletes.h) with the declaration's key bound, commits and closes. It reports no
 * progress: the module's count of the rows is for its progress bar, which this side has none of. */
#include "declaration_delete_raw.h"

#include "declaration_deletes.h"

#include <sqlite3.h>
#include <stdio.h>

static const char* const kDeletes[] = KLV_DECLARATION_DELETES;

static int failed(sqlite3* db, const char* what) {
    fprintf(stderr, "declaration_delete_raw: %s: %s\n", what, db ? sqlite3_errmsg(db) : "");
    sqlite3_exec(db, "ROLLBACK", NULL, NULL, NULL);
    sqlite3_close(db);
    return -1;
}

int rawDeleteDeclaration(const char* dbFile, const char* docIdD, const char* period, const char* formCode) {
    sqlite3* db = NULL;
    if (sqlite3_open_v2(dbFile, &db, SQLITE_OPEN_READWRITE, NULL) != SQLITE_OK) return failed(db, dbFile);
    sqlite3_busy_timeout(db, 10000);
    if (sqlite3_exec(db, "BEGIN IMMEDIATE", NULL, NULL, NULL) != SQLITE_OK) return failed(db, "BEGIN");
    for (size_t i = 0; i < sizeof kDeletes / sizeof kDeletes[0]; ++i) {
        sqlite3_stmt* st = NULL;
        if (sqlite3_prepare_v2(db, kDeletes[i], -1, &st, NULL) != SQLITE_OK) return failed(db, kDeletes[i]);
        sqlite3_bind_text(st, 1, docIdD, -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 2, period, -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 3, formCode, -1, SQLITE_STATIC);
        const int rc = sqlite3_step(st);
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE) return failed(db, kDeletes[i]);
    }
    if (sqlite3_exec(db, "COMMIT", NULL, NULL, NULL) != SQLITE_OK) return failed(db, "COMMIT");
    return sqlite3_close(db) == SQLITE_OK ? 0 : -1;
}
