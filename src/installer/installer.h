#pragma once
// act8027's core: brings the shared database to the module's table layout and loads its
// reference data. It decides everything from what the database holds (no stored version), so it
// can run again on the same database. Every statement runs with bound values.
//
// A module table the run or the module could not use as it stands stops the run once the host's
// reference rows are loaded, before any module table is changed, with a message naming the table
// and how it differs.
//
// Error policy: a failing data-definition or reference statement (udp_EjecutaSQL) shows its
// message and the run goes on; an error anywhere else (a migration row, an existence test, the
// submission map file) stops the run at that step with the error's number and text, keeping what
// earlier steps wrote; the control-number refresh of a table is all or nothing.

#include "database.h"
#include "message_service.h"

#include <QString>
#include <QStringList>
#include <QSqlRecord>
#include <QVariantList>
#include <functional>
#include <memory>

namespace klv::installer {

// Titles and texts of the installer's messages.
inline const QString kTituloMensaje = QStringLiteral("Mensaje");
inline const QString kTituloConexion = QStringLiteral("Error de Conección");
inline const QString kTituloSentencia = QStringLiteral("Error al Ejecutar Sentencia SQL");
inline const QString kTituloParada = QStringLiteral("Error en la instalación del KLV 8027");
inline const QString kTituloRefresco = QStringLiteral("ERROR:");
inline const QString kMsgSinKlv = QStringLiteral("Debe instalar primero el KLV ");
inline const QString kMsgTablasExisten =
    QStringLiteral("\nSe  detectado que ya existen las tablas del KLV Desea Sobreescribirlas?");
inline const QString kMsgRefresco =
    QStringLiteral("Error en la actualización del KLV 8027\n           Intente nuevamente");

// Name of the submission map file under SysPath.
inline const QString kEnvFile = QStringLiteral("tmp/env8027.txt");

// Exit statuses of act8027.
enum ExitStatus { Clean = 0, Stopped = 1, CompletedWithErrors = 2 };

class Installer {
public:
    // iniFile: QM000.INI by its bare name (the copy in the Windows directory) or a path.
    explicit Installer(MessageService& messages, QString iniFile = QStringLiteral("QM000.INI"));
    ~Installer();

    // The whole program: configuration, connection, steps, close. Returns the exit status.
    int Main();

    // Steps 5 to 9 of the program on an open database: reference rows of the host tables,
    // module tables created or upgraded, transaction tables, vinculation types and tax havens,
    // control-number refresh. sysPath ends with '/'. Returns false when a step stopped the run.
    bool run(Database& db, const QString& sysPath);

    // --- database utilities
    // Opens SysPath + DBName (never DBPath); on failure shows the connection message and
    // returns false (the program then ends).
    bool udf_ConectaBD(const QString& path);
    // True when a table's name in upper case equals name (the argument is not upper-cased).
    bool udf_ExisteTabla(const QString& name) const;
    // True when that table has a column named exactly field (letter case included).
    bool udf_ExisteCampo(const QString& table, const QString& field) const;
    // Runs one statement; never throws: "table exists" asks the overwrite question (and runs
    // nothing more), "key exists" is passed over, any other failure shows its number and text.
    void udp_EjecutaSQL(const QString& sql, const QVariantList& params = {});

    // --- creation and upgrade of the module tables. The connection opened at the start serves
    // the whole run (opening the same file again would change nothing).
    void udp_ActualizaTablas();
    void udp_CreaTablas();
    void udp_CreaTransaccion2();

    // --- migration of the previous tables (stop the run on error)
    void udp_CopiaIdentifica(const QString& source, const QString& target);
    void udp_MigraIdentifica(const QString& source, const QString& target);
    void udp_CopiaTratiptra(const QString& source, const QString& target);
    void udp_MigraTratiptra(const QString& source, const QString& target);
    void udp_MigraTransaccion(const QString& source, const QString& target);

    // --- reference data
    void udp_CargaParametros();
    void udp_CargaTipVinParaiso();
    void udp_GrabaParam(const QString& numero, const QString& argumento, const QString& funcion,
                        const QString& correlParam);
    bool udf_ExisteParam(const QString& numero, const QString& argumento) const;
    void udp_GrabaCatalogo(const QString& table, const QString& code, const QString& form, const QString& v3,
                           const QString& v4, const QString& v5);
    bool udf_ExisteCatalogo(const QString& table, const QString& code, const QString& form) const;
    bool udf_ExisteEnvio(const QString& tablaO) const;

    // --- control-number refresh: every row of the table, in one transaction. On failure the
    // table keeps its numbers, the message is shown and false returned. The run stops when the
    // numbers went into a database file replaced or deleted meanwhile.
    bool udf_ActualizaNumeroControl(const QString& table, int nKeys);

    QString gSysPath;
    // How long a step waits for another program writing the database before the run stops.
    int busyTimeoutMs = 10000;
    Database* db() const { return gDB_; }
    // Statements that failed (shown), refreshes rolled back.
    int failures() const { return failures_; }

private:
    // Adds the source's rows to the target: columns are the target columns written, valueOf
    // gives the value of column i from a source row; with mergeKey, a row whose key the target
    // holds already is skipped. Each added row gets its control number over nKeys fields.
    using ValueOf = std::function<QVariant(const QSqlRecord&, int)>;
    void transfer(const QString& source, const QString& target, const QStringList& columns, const ValueOf& valueOf,
                  const QStringList& mergeKey, int nKeys);
    void transferByName(const QString& source, const QString& target, const QStringList& columns,
                        const QStringList& mergeKey, int nKeys);
    // The message that names the first table the run could not go on with as it stands, and
    // how it differs; empty when there is none. A table the run drops and creates anew is taken
    // whatever its layout; a previous table the migration reads needs the columns it reads (in
    // their order where it reads by position); a table the run keeps for the module needs every
    // column the module uses, stored alike, no primary key over other columns (and its own where
    // a write relies on it), and no other column that demands a value. A view or an index in a
    // module table's name is refused.
    QString refusal() const;
    void addMissingParVinColumns();
    void deleteEnvio(const QString& tablaO);
    void loadEnvioFile();
    // Runs one step in a transaction; on an error commits what the step did, shows the stop
    // message and returns false.
    template <class F>
    bool step(F&& f);
    // The message that stops the run: "Error Número : " with the number, then the text.
    void stop(int number, const QString& text);

    MessageService& messages_;
    QString iniFile_;
    std::unique_ptr<Database> owned_;
    Database* gDB_ = nullptr;
    int failures_ = 0;
    bool fileGone_ = false;  // the path no longer names the database written
};

// Writes the submission map file shipped with the installer to sysPath/tmp/env8027.txt unless
// a file is already there. Returns false with a reason when it cannot be written.
bool writeEnvFile(const QString& sysPath, QString* error = nullptr);
// The shipped file's bytes (Windows-1252).
QByteArray shippedEnvFile();

}  // namespace klv::installer
