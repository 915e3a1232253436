#pragma once
/* The declaration's print written raw, in C (declaration_print_raw.c): the raw side of the
 * benchmark WriteReport. */
#include <sqlite3.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Writes the print of the declaration (6, docIdD, period, formCode) as the print dialog's work
 * does, on the connection `db`, into the report folder `dir`: the SPOOL row with the user and the
 * time `now` ("yyyy-mm-dd hh:mm:ss"), its file and the report. The report file's name (NNNNNNNN.PRN)
 * goes into `name` (16 bytes). Returns 0, or -1 after telling the failure on standard error. */
int rawWriteDeclarationPrint(sqlite3* db, const char* dir, const char* docIdD, const char* declarantName,
                             const char* period, const char* formCode, const char* user, const char* now, char* name);

#ifdef __cplusplus
}
#endif
