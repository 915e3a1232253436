#pragma once
/* What the raw C writers of reports share (raw_report_files.c): a file written whole beside its
 * name (created exclusively, never through a link, locked, synced and renamed over the name, as
 * the module's WholeFile does), the sweep of the files killed writers left, a report's SPOOL row
 * with its empty file, and amounts laid out as the module's reports lay them. */
#include <sqlite3.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A file being written beside its name: `temp` names it until it is renamed. */
struct rawFile {
    int fd;
    char temp[4200];
};

/* Creates the new file beside `path` (the permissions of a file at `path`, else those of a new
 * file) and locks it. Returns 0, or -1 after telling the failure on standard error. */
int rawOpenBeside(struct rawFile* f, const char* path);
/* Writes every byte; 0 or -1. */
int rawWriteAll(struct rawFile* f, const char* bytes, size_t n);
/* Syncs the new file and renames it over `path`; 0, or -1 with the new file removed. */
int rawCommitBeside(struct rawFile* f, const char* path);

/* Removes from `dir` the report files killed writers left half-way ("NNNNNNNN.PRN.xxxxxx", whose
 * lock nobody holds). */
void rawSweepReports(const char* dir);

/* The report's SPOOL row for report code `codRep` with the next sequence of its code and the next
 * file number of all, the user, the time `now` ("yyyy-mm-dd hh:mm:ss") and the declarant (type 6,
 * docIdD), and its file in `dir` written empty, in one transaction, after the folder is swept. The
 * file's name (NNNNNNNN.PRN) goes into `name` (16 bytes). Returns 0, or -1 after telling the
 * failure on standard error. */
int rawSpoolReport(sqlite3* db, const char* dir, const char* codRep, const char* docIdD, const char* user,
                   const char* now, char* name);

/* The value with two decimals, rounded half away from zero on its 15 significant digits, the whole
 * part grouped by thousands ("###,###,###,##0.00"); a whole part of 0 is left out when zeroWhole is
 * 0 ("###,###,###,###.00"). Writes it into `out` (at least 40 bytes) and returns its length. */
int rawAmountText(double v, int zeroWhole, char* out);

#ifdef __cplusplus
}
#endif
