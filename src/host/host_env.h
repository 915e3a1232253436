#pragma once
// The stand-in host's environment: the host folder (SysPath with RPT/ and tmp/), the shared
// configuration QM000.INI in the Windows directory, and the shared database with the host's own
// tables (taxpayers, users, parameters, spool, submission map, attached files, report list,
// import error texts), seeded with a demo user and two demo taxpayers.

#include "schema.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace klv {
class Database;
}

namespace klv::host {

// Names laid by initEnvironment.
inline constexpr const char* kIniName = "QM000.INI";
inline constexpr const char* kDbName = "KLV.db";
inline constexpr const char* kSysVersion = "1.0";
inline constexpr const char* kSysMenu = "KLVMENU";
inline constexpr const char* kDemoUser = "DEMO";
// Two demo taxpayers with valid RUCs: a company and a natural person.
inline constexpr const char* kDemoRucEmpresa = "20601234565";
inline constexpr const char* kDemoRucPersona = "10412345679";

// Every host table the system uses, columns in the host's order: the ones the system writes
// (described with the module tables: PARAM, reportes, ENVIO_T, CAB, EFCONTROLNS) and the ones it
// only reads or numbers (CONT, CLAVES, SPOOL, Error, HF5937CAB).
const std::vector<schema::Table>& hostTables();
// The host table of that name (case-blind); nullptr when it is not one.
const schema::Table* findHostTable(const QString& name);

// Creates the missing host tables (existing tables and their rows are left as they are).
void createHostTables(Database& db);
// Adds the demo seed rows that are missing: user, taxpayers, parameter rows the module reads and
// the installer does not write, the submission-map row of the attached PDF. Rows already there
// keep their values. Runs in one transaction.
void seedHostData(Database& db, const QString& user = QString::fromLatin1(kDemoUser));

// Lays the environment under dir:
//   dir/sys/                 SysPath, with RPT/, tmp/ (and TMP, a link to tmp/) and the database
//   dir/windir/QM000.INI     section Options: SysPath (ending with '/'), SysVersion, DBPath (= SysPath),
//                            DBName, SysMenu, SysUser
//   dir/sys/QM000.INI        the same Options values (the summary program reads SysUser there)
// Running it again keeps every existing row and every INI value but SysPath and DBPath, which
// are set to the folder actually laid; the SysPath copy is brought in line with the other.
// A folder whose path has a character outside Windows-1252 (the INI's code page) is refused
// before anything is laid. Returns false with a readable reason in *error.
bool initEnvironment(const QString& dir, QString* error = nullptr);

// Paths of a laid environment.
QString sysPathOf(const QString& dir);   // dir/sys/ (absolute, ending with '/')
QString winDirOf(const QString& dir);    // dir/windir (absolute)

// Function text of a document type in parameter group 044: 130 characters with the description
// in 1-30, the short name in 32-42, the maximum length in 46-47, the data-type digit at 128 and
// the exact-length flag at 130.
QString documentTypeLayout(const QString& description, const QString& shortName, int length,
                           int dataKind, bool exactLength);

}  // namespace klv::host
