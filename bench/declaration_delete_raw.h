#pragma once
/* A stored declaration deleted raw, in C (declaration_delete_raw.c): the raw side of the benchmark
 * DeleteDeclaration. */

#ifdef __cplusplus
extern "C" {
#endif

/* Deletes the declaration (6, docIdD, period, formCode) with all its rows from the database file
 * `dbFile`, as a C program would: its own connection with the library's defaults (its page cache
 * among them) and a busy timeout of 10 s, the types, transactions, status row, header and attached
 * study deleted by the chooser's five statements with bound values, in one transaction. Returns 0,
 * or -1 after telling the failure on standard error. */
int rawDeleteDeclaration(const char* dbFile, const char* docIdD, const char* period, const char* formCode);

#ifdef __cplusplus
}
#endif
