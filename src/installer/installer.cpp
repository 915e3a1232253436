#include "installer.h"

#include "conexion.h"
#include "ini_file.h"
#include "numero_control.h"
#include "reference_data.h"
#include "schema.h"
#include "whole_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <optional>

namespace klv::installer {

namespace {

constexpr int kFileNotFound = 53;
constexpr int kItemNotFound = 3265;
const QString kSection = QStringLiteral("Options");

QString quoteIdent(const QString& name) {
    QString n = name;
    n.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

// The workgroup's default credentials, built from character codes at run time (SQLite ignores
// them; they travel with the connection as the family's programs expect).
QString workgroupUser() { return fromCodes({75, 76, 86, 85, 83, 85, 65, 82}); }
QString workgroupPassword() { return fromCodes({75, 76, 86, 56, 48, 50, 55, 80}); }

QVariant fieldOf(const QSqlRecord& r, const QString& name, const QString& table) {
    const int i = r.indexOf(name);
    if (i < 0)
        throw DbError(kItemNotFound, QStringLiteral("No se encontró el campo %1 en la tabla %2").arg(name, table));
    return r.value(i);
}

QStringList placeholders(qsizetype n) {
    QStringList out;
    for (qsizetype i = 0; i < n; ++i) out << QStringLiteral("?");
    return out;
}

QStringList identificaColumns() {
    return schema::columnNames(QStringLiteral("IDENTIFICA2")).mid(0, 6);  // tip_doc_d .. esttecpt
}
QStringList tratiptraColumns() { return schema::table(QStringLiteral("TRATIPTRA2")).key; }
// The previous transactions' columns before their cnumero, which the migration reads by position.
QStringList transaccionColumns() {
    QStringList columns = schema::columnNames(QStringLiteral("TRANSACCION"));
    columns.removeLast();
    return columns;
}
// The columns the upgrade appends to a party table of the previous layout, in this order.
QStringList addedParVinColumns() {
    return {QStringLiteral("tip_dir_legal"), QStringLiteral("des_dir_legal"), QStringLiteral("fec_nac")};
}

}  // namespace

Installer::Installer(MessageService& messages, QString iniFile) : messages_(messages), iniFile_(std::move(iniFile)) {}

Installer::~Installer() = default;

// ---------------------------------------------------------------------------------------------
// Program and utilities

int Installer::Main() {
    // Our INI reader gives the value itself (no terminating NUL to drop).
    QString sysPath = ini::readString(kSection, QStringLiteral("SysPath"), QString(), iniFile_).trimmed();
    if (sysPath.isEmpty()) {
        messages_.show(kMsgSinKlv, MsgStyle::Information, kTituloMensaje);
        return Stopped;
    }
    if (sysPath.endsWith(QStringLiteral("//"))) sysPath.chop(1);
    gSysPath = sysPath;
    if (!udf_ConectaBD(gSysPath)) return Stopped;
    const bool completed = run(*owned_, gSysPath);
    gDB_ = nullptr;
    owned_.reset();
    if (!completed) return Stopped;
    return failures_ > 0 ? CompletedWithErrors : Clean;
}

bool Installer::run(Database& db, const QString& sysPath) {
    gDB_ = &db;
    gSysPath = sysPath;
    // The host's reference rows need no module table: they are loaded first. A module table of a
    // layout the installer does not know then stops the run before any module table is changed;
    // the tables are checked under the write lock of that first step.
    QString unknown;
    if (!step([&] {
            udp_CargaParametros();
            unknown = refusal();
        }))
        return false;
    if (!unknown.isEmpty()) {
        messages_.show(unknown, MsgStyle::Critical, kTituloParada);
        return false;
    }
    if (!step([this] { udp_ActualizaTablas(); })) return false;
    if (!step([this] { udp_CreaTransaccion2(); })) return false;
    if (!step([this] { udp_CargaTipVinParaiso(); })) return false;
    for (const char* table : {"PAR_VIN", "TIP_VIN_PAR"})
        if (!udf_ActualizaNumeroControl(QString::fromLatin1(table), 4) && fileGone_) return false;
    return true;
}

template <class F>
bool Installer::step(F&& f) {
    std::optional<Transaction> t;
    int number = DbErr::Reserved;
    bool locked = false;
    QString text;
    try {
        t.emplace(*gDB_);
        f();
        t->commit();
        gDB_->ensureSameFile();
        return true;
    } catch (const DbError& e) {
        number = e.number();
        text = e.text();
        locked = e.locked();
    } catch (const std::exception& e) {
        text = QString::fromLocal8Bit(e.what());
    }
    // What the step wrote before the error stays: each statement stands alone, and the next run
    // completes what is missing.
    // A step that waited out the busy timeout for another program's lock does not wait for it
    // again: it is rolled back (the guard does it) and the run stops.
    if (t && !locked) {
        try {
            t->commit();
        } catch (...) {
        }
    }
    // Every step begins by taking the write lock, so a database held by another program stops the
    // run before the step writes anything; the next run completes it.
    if (locked) text += QStringLiteral("\nCierre los programas que usan la base de datos y ejecute de nuevo la instalación.");
    stop(number, text);
    return false;
}

void Installer::stop(int number, const QString& text) {
    messages_.show(QStringLiteral("Error Número : %1\n%2").arg(QString::number(number), text), MsgStyle::Critical, kTituloParada);
}

bool Installer::udf_ConectaBD(const QString& path) {
    const QString dbName = ini::readString(kSection, QStringLiteral("DBName"), QString(), iniFile_).trimmed();
    try {
        auto db = Database::open(path + dbName, workgroupUser(), workgroupPassword(), busyTimeoutMs);
        gDB_ = nullptr;
        owned_ = std::move(db);
        gDB_ = owned_.get();
        return true;
    } catch (const DbError& e) {
        const QString number = QLatin1Char(' ') + QString::number(e.number());
        const QString text = e.number() == DbErr::CannotOpen && e.locked()
                                 ? number + QStringLiteral("- Base de datos esta bloqueda")
                                 : e.text() + QLatin1Char('\n') + number;
        messages_.show(text, MsgStyle::OkOnly, kTituloConexion);
        return false;
    }
}

bool Installer::udf_ExisteTabla(const QString& name) const {
    for (const QSqlRecord& r : gDB_->rows(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'")))
        if (r.value(0).toString().toUpper() == name) return true;
    return false;
}

bool Installer::udf_ExisteCampo(const QString& table, const QString& field) const {
    for (const QSqlRecord& r : gDB_->rows(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"))) {
        const QString actual = r.value(0).toString();
        if (actual.toUpper() != table) continue;
        return gDB_->columns(actual).contains(field, Qt::CaseSensitive);
    }
    return false;
}

void Installer::udp_EjecutaSQL(const QString& sql, const QVariantList& params) {
    try {
        gDB_->exec(sql, params);
    } catch (const DbError& e) {
        if (e.number() == DbErr::PrimaryKeyExists) return;
        ++failures_;
        if (e.number() == DbErr::TableExists) {
            // Whatever the answer, the existing table is left as it is.
            messages_.show(kMsgTablasExisten, MsgStyle::YesNo | MsgStyle::Question | MsgStyle::DefaultButton2,
                           kTituloMensaje);
            return;
        }
        messages_.show(QStringLiteral("Error Número : %1\n%2").arg(QString::number(e.number()), e.text()), MsgStyle::Critical,
                       kTituloSentencia);
    }
}

// ---------------------------------------------------------------------------------------------
// Creation and upgrade of the module tables

void Installer::udp_CreaTablas() {
    for (const char* name : {"IDENTIFICA2", "PAR_VIN", "TIP_VIN", "TIP_VIN_PAR", "PARAISO_FISCAL", "TRANSACCION",
                             "TMPTRANSACCION", "TRATIPTRA2", "TMPTRATIPTRA", "TMPTRADET"}) {
        const QString n = QString::fromLatin1(name);
        if (!udf_ExisteTabla(n)) udp_EjecutaSQL(schema::createStatement(schema::table(n)));
    }
}

void Installer::addMissingParVinColumns() {
    const schema::Table& parVin = schema::table(QStringLiteral("PAR_VIN"));
    for (const QString& name : addedParVinColumns()) {
        const schema::Column& c = *parVin.column(name);
        if (!udf_ExisteCampo(QStringLiteral("PAR_VIN"), c.name))
            udp_EjecutaSQL(QStringLiteral("ALTER TABLE PAR_VIN ADD COLUMN %1 %2").arg(quoteIdent(c.name), schema::sqliteType(c)));
    }
}

void Installer::deleteEnvio(const QString& tablaO) {
    udp_EjecutaSQL(QStringLiteral("DELETE FROM ENVIO_T WHERE formulario = ? AND tabla_o = ?"), {kFormulario, tablaO});
}

void Installer::udp_ActualizaTablas() {
    const QString identifica = QStringLiteral("IDENTIFICA"), identifica2 = QStringLiteral("IDENTIFICA2");
    const QString tratiptra = QStringLiteral("TRATIPTRA"), tratiptra2 = QStringLiteral("TRATIPTRA2");
    const QString parVin = QStringLiteral("PAR_VIN");
    if (udf_ExisteTabla(identifica2)) {
        // Current layout already there. A run cut short may have left tables missing: create
        // them before anything is merged into them.
        udp_CreaTablas();
        if (udf_ExisteTabla(identifica)) {
            udp_MigraIdentifica(identifica, identifica2);
            udp_MigraTratiptra(tratiptra, tratiptra2);
        }
        if (udf_ExisteTabla(parVin)) addMissingParVinColumns();
        return;
    }
    if (udf_ExisteTabla(identifica)) {
        // Previous layout: build the current tables from it.
        udp_EjecutaSQL(schema::createStatement(schema::table(identifica2)));
        udp_CopiaIdentifica(identifica, identifica2);
        udp_EjecutaSQL(schema::createStatement(schema::table(tratiptra2)));
        udp_CopiaTratiptra(tratiptra, tratiptra2);
        // The working copy of the transaction types is rebuilt empty.
        if (udf_ExisteTabla(QStringLiteral("TMPTRATIPTRA"))) udp_EjecutaSQL(QStringLiteral("DROP TABLE TMPTRATIPTRA"));
        if (!udf_ExisteTabla(QStringLiteral("TMPTRATIPTRA")))
            udp_EjecutaSQL(schema::createStatement(schema::table(QStringLiteral("TMPTRATIPTRA"))));
        if (!udf_ExisteTabla(QStringLiteral("TMPTRADET")))
            udp_EjecutaSQL(schema::createStatement(schema::table(QStringLiteral("TMPTRADET"))));
        if (udf_ExisteTabla(parVin)) addMissingParVinColumns();
        // Whatever else the previous database lacks.
        udp_CreaTablas();
    } else {
        udp_CreaTablas();
    }
    // Every text column of SQLite accepts the empty text: nothing to grant here.
    deleteEnvio(identifica);
    deleteEnvio(tratiptra);
}

void Installer::udp_CreaTransaccion2() {
    deleteEnvio(QStringLiteral("TRANSACCION"));
    if (!udf_ExisteTabla(QStringLiteral("TRANSACCION2"))) {
        udp_EjecutaSQL(schema::createStatement(schema::table(QStringLiteral("TRANSACCION2"))));
        udp_MigraTransaccion(QStringLiteral("TRANSACCION"), QStringLiteral("TRANSACCION2"));
    }
    if (udf_ExisteTabla(QStringLiteral("TMPTRANSACCION2"))) udp_EjecutaSQL(QStringLiteral("DROP TABLE TMPTRANSACCION2"));
    if (!udf_ExisteTabla(QStringLiteral("TMPTRANSACCION2")))
        udp_EjecutaSQL(schema::createStatement(schema::table(QStringLiteral("TMPTRANSACCION2"))));
}

// ---------------------------------------------------------------------------------------------
// Migration of the previous tables

void Installer::transfer(const QString& source, const QString& target, const QStringList& columns,
                         const ValueOf& valueOf, const QStringList& mergeKey, int nKeys) {
    const schema::Table& t = schema::table(target);
    const auto rows = gDB_->rows(QStringLiteral("SELECT * FROM %1").arg(quoteIdent(source)));
    QStringList where;
    for (const QString& k : mergeKey) where << quoteIdent(k) + QStringLiteral(" = ?");
    const QString exists =
        QStringLiteral("SELECT count(*) FROM %1 WHERE %2").arg(t.name, where.join(QStringLiteral(" AND ")));
    QStringList insertCols;
    for (const QString& c : columns) insertCols << quoteIdent(c);
    insertCols << QStringLiteral("cnumero");
    Query insert = gDB_->prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                         .arg(t.name, insertCols.join(QStringLiteral(", ")),
                                              placeholders(insertCols.size()).join(QStringLiteral(", "))));
    for (const QSqlRecord& r : rows) {
        QVariantMap row;
        QVariantList values;
        for (int i = 0; i < columns.size(); ++i) {
            const QVariant v = valueOf(r, i);
            row.insert(columns[i], v);
            values << v;
        }
        if (!mergeKey.isEmpty()) {
            QVariantList key;
            for (const QString& k : mergeKey) key << row.value(k);
            if (gDB_->scalar(exists, key).toLongLong() > 0) continue;
        }
        values << numeroControl(t.name, row, nKeys);
        gDB_->run(insert, values);
    }
}

void Installer::transferByName(const QString& source, const QString& target, const QStringList& columns,
                               const QStringList& mergeKey, int nKeys) {
    transfer(source, target, columns,
             [&](const QSqlRecord& r, int i) { return fieldOf(r, columns[i], source); }, mergeKey, nKeys);
}

// ---------------------------------------------------------------------------------------------
// Tables the run finds in place

namespace {

// How the engine stores a column's values: SQLite's affinity of its declared type word.
enum class Affinity { Integer, Text, Blob, Real, Numeric };

Affinity affinityOf(const QString& declared) {
    const QString t = declared.toUpper();
    if (t.contains(QLatin1String("INT"))) return Affinity::Integer;
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB")) || t.contains(QLatin1String("TEXT")))
        return Affinity::Text;
    if (t.isEmpty() || t.contains(QLatin1String("BLOB"))) return Affinity::Blob;
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) || t.contains(QLatin1String("DOUB")))
        return Affinity::Real;
    return Affinity::Numeric;
}

// Whether a column of that affinity stores what the module writes into a column of that type as
// the installer's own tables do. Whole numbers stay whole numbers under numeric affinity too (so
// Byte and Long are fine); codes, document numbers and amounts are texts that can look like
// numbers, which numeric affinity would turn into numbers ("00123" into 123), so they need text
// affinity; long texts and yyyy-mm-dd dates never look like numbers and stay texts under numeric
// affinity (Memo, Date). A column without a type (blob affinity) keeps whatever is bound, so a
// number bound to it would no longer equal the same text.
bool storesAlike(schema::JetType type, Affinity a) {
    switch (type) {
    case schema::JetType::Byte:
    case schema::JetType::Long: return a == Affinity::Integer || a == Affinity::Numeric;
    case schema::JetType::Double: return a == Affinity::Real || a == Affinity::Numeric || a == Affinity::Integer;
    case schema::JetType::Text: return a == Affinity::Text;
    case schema::JetType::Memo:
    case schema::JetType::Date: return a == Affinity::Text || a == Affinity::Numeric;
    }
    return false;
}

// One column of a stored table as the engine describes it.
struct StoredColumn {
    QString name, type;
    bool needsValue = false;  // NOT NULL without a default
    int keyPosition = 0;      // 1.. within the primary key, 0 outside it
};

std::vector<StoredColumn> storedColumns(const Database& db, const QString& table) {
    std::vector<StoredColumn> out;
    for (const QSqlRecord& r : db.rows(QStringLiteral("SELECT name, type, \"notnull\", dflt_value, pk "
                                                      "FROM pragma_table_info(?) ORDER BY cid"),
                                       {table})) {
        const QVariant dflt = r.value(3);
        const bool hasDefault =
            !dflt.isNull() && dflt.toString().compare(QLatin1String("NULL"), Qt::CaseInsensitive) != 0;
        out.push_back({r.value(0).toString(), r.value(1).toString(), r.value(2).toInt() != 0 && !hasDefault,
                       r.value(4).toInt()});
    }
    return out;
}

// The engine compares column names without case.
const StoredColumn* findColumn(const std::vector<StoredColumn>& stored, const QString& name) {
    for (const StoredColumn& c : stored)
        if (c.name.compare(name, Qt::CaseInsensitive) == 0) return &c;
    return nullptr;
}

QString listed(const QStringList& names) { return names.join(QStringLiteral(", ")); }

// Why the migration could not read a previous table: a column it reads is missing, or (byPosition)
// the columns it reads are not the table's first ones in this order. Types do not matter: the
// rows go into tables the installer declares itself.
QString unreadable(const std::vector<StoredColumn>& stored, const QStringList& read, bool byPosition) {
    QStringList missing;
    for (const QString& c : read)
        if (!findColumn(stored, c)) missing << c;
    if (!missing.isEmpty()) return QStringLiteral("faltan %1").arg(listed(missing));
    if (byPosition)
        for (qsizetype i = 0; i < read.size(); ++i)
            if (stored[size_t(i)].name.compare(read[i], Qt::CaseInsensitive) != 0)
                return QStringLiteral("las columnas están en otro orden");
    return QString();
}

// Whether a write into the table relies on its primary key being there. PAR_VIN: the party writer
// adds a row with ON CONFLICT DO NOTHING and updates the stored one when nothing was added, so
// without the key it would add the party a second time. The transaction tables: their rows pass
// between the stored and the working copy by INSERT ... SELECT into tables keyed alike
// (TMPTRANSACCION2, whose duplicate key tells the transaction writer a number is taken, is
// rebuilt with its key by every run), so a row repeated in one stops the opening or the save of
// the declaration on the other's key. Every other kept table is written by a test followed by an
// update or an insert, by deleting a party's rows and adding them again, or rebuilt from the
// stored tables when a declaration opens: a repeated row is read and rewritten like any other.
bool writesRelyOnKey(const QString& upperName) {
    static const QStringList tables = {QStringLiteral("PAR_VIN"), QStringLiteral("TRANSACCION2"),
                                       QStringLiteral("TRATIPTRA2"), QStringLiteral("TMPTRATIPTRA")};
    return tables.contains(upperName);
}

// Why the module could not use a table the run keeps: a column it reads or writes is missing
// (but those the run adds), a column stores what it writes otherwise, the primary key is over
// other columns (it would refuse rows the module adds) or missing where a write relies on it, or
// another column demands a value the module's statements do not give. Other extra columns and
// the order of the columns do not matter: every statement names its columns.
QString unusable(const std::vector<StoredColumn>& stored, const schema::Table& t, const QStringList& addedByRun,
                 bool keyRelied) {
    QStringList missing, demanding, retyped;
    for (const schema::Column& c : t.columns) {
        const StoredColumn* s = findColumn(stored, c.name);
        if (!s) {
            if (!addedByRun.contains(c.name, Qt::CaseInsensitive)) missing << c.name;
        } else if (!storesAlike(c.type, affinityOf(s->type))) {
            retyped << s->name + QLatin1Char(' ') + (s->type.isEmpty() ? QStringLiteral("sin tipo") : s->type);
        }
    }
    for (const StoredColumn& s : stored)
        if (!t.column(s.name) && s.needsValue) demanding << s.name;
    std::vector<const StoredColumn*> keyColumns;
    for (const StoredColumn& s : stored)
        if (s.keyPosition > 0) keyColumns.push_back(&s);
    const bool sameKey = (keyColumns.empty() && !keyRelied) ||
                         (qsizetype(keyColumns.size()) == t.key.size() &&
                          std::all_of(keyColumns.begin(), keyColumns.end(),
                                      [&](const StoredColumn* s) { return t.isKey(s->name); }));
    QStringList parts;
    if (!missing.isEmpty()) parts << QStringLiteral("faltan %1").arg(listed(missing));
    if (!demanding.isEmpty()) parts << QStringLiteral("sobran %1, que exigen un valor").arg(listed(demanding));
    if (!retyped.isEmpty()) parts << QStringLiteral("son de otro tipo %1").arg(listed(retyped));
    if (!sameKey) parts << QStringLiteral("no tiene la clave primaria (%1)").arg(listed(t.key));
    return parts.join(QStringLiteral("; "));
}

}  // namespace

QString Installer::refusal() const {
    // Tables, views and indexes share their names; the engine compares them without case.
    QStringList names, types, tables;
    for (const QSqlRecord& r : gDB_->rows(QStringLiteral("SELECT name, type FROM sqlite_master "
                                                         "WHERE type IN ('table', 'view', 'index') ORDER BY name"))) {
        names << r.value(0).toString();
        types << r.value(1).toString();
        if (types.last() == QLatin1String("table")) tables << names.last().toUpper();
    }
    // The run's case, as udp_ActualizaTablas and udp_CreaTransaccion2 decide it.
    const bool current = tables.contains(QLatin1String("IDENTIFICA2"));
    const bool previous = tables.contains(QLatin1String("IDENTIFICA"));
    const bool upgradeFromPrevious = previous && !current;
    const bool migratesTransactions = !tables.contains(QLatin1String("TRANSACCION2"));

    // Why the run could not go on with the table of that name, as it stands.
    auto why = [&](const QString& name, const QString& type) -> QString {
        const QString upper = name.toUpper();
        const schema::Table* t = schema::findTable(upper);
        const bool readOnly = upper == QLatin1String("IDENTIFICA") || upper == QLatin1String("TRATIPTRA");
        if (!t && !readOnly) return QString();
        if (type == QLatin1String("view")) return QStringLiteral("es una vista, no una tabla");
        if (type != QLatin1String("table")) return QStringLiteral("es un índice, no una tabla");
        // Dropped and created anew by this run, or never read (the module does not use it).
        if (upper == QLatin1String("TMPTRANSACCION2") || upper == QLatin1String("TMPTRANSACCION") ||
            (upper == QLatin1String("TMPTRATIPTRA") && upgradeFromPrevious))
            return QString();
        const std::vector<StoredColumn> stored = storedColumns(*gDB_, name);
        if (upper == QLatin1String("IDENTIFICA")) return unreadable(stored, identificaColumns(), false);
        if (upper == QLatin1String("TRATIPTRA"))
            return previous ? unreadable(stored, tratiptraColumns(), false) : QString();
        if (upper == QLatin1String("TRANSACCION"))
            return migratesTransactions ? unreadable(stored, transaccionColumns(), true) : QString();
        const bool completed = upper == QLatin1String("PAR_VIN") && (current || previous);
        return unusable(stored, *t, completed ? addedParVinColumns() : QStringList(), writesRelyOnKey(upper));
    };
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString reason = why(names[i], types[i]);
        if (reason.isEmpty()) continue;
        return QStringLiteral("La tabla %1 de la base de datos no tiene una estructura que esta instalación conozca (%2).\n"
                              "No se cambió ninguna tabla del módulo: revise esa tabla y ejecute de nuevo la instalación.")
            .arg(names[i], reason);
    }
    return QString();
}

void Installer::udp_CopiaIdentifica(const QString& source, const QString& target) {
    transferByName(source, target, identificaColumns(), {}, 4);
}

void Installer::udp_MigraIdentifica(const QString& source, const QString& target) {
    transferByName(source, target, identificaColumns(), schema::table(target).key, 4);
}

void Installer::udp_CopiaTratiptra(const QString& source, const QString& target) {
    transferByName(source, target, tratiptraColumns(), {}, 8);
}

void Installer::udp_MigraTratiptra(const QString& source, const QString& target) {
    transferByName(source, target, tratiptraColumns(), tratiptraColumns(), 8);
}

void Installer::udp_MigraTransaccion(const QString& source, const QString& target) {
    // The previous layout is the current one's first columns in the same order: each source
    // column before its cnumero goes to the target column of the same position (the layout
    // check has made sure they stand there).
    if (gDB_->columns(source).isEmpty())
        throw DbError(DbErr::UnknownTable, QStringLiteral("No se encuentra la tabla %1").arg(source));
    const QStringList columns = schema::columnNames(target).mid(0, transaccionColumns().size());
    transfer(source, target, columns, [](const QSqlRecord& r, int i) { return r.value(i); },
             schema::table(target).key, 7);
}

// ---------------------------------------------------------------------------------------------
// Reference data

bool Installer::udf_ExisteParam(const QString& numero, const QString& argumento) const {
    return gDB_->scalar(QStringLiteral("SELECT count(*) FROM PARAM WHERE Numero = ? AND Argumento = ?"),
                        {textValue(numero), textValue(argumento)})
               .toLongLong() > 0;
}

void Installer::udp_GrabaParam(const QString& numero, const QString& argumento, const QString& funcion,
                               const QString& correlParam) {
    if (udf_ExisteParam(numero, argumento))
        udp_EjecutaSQL(QStringLiteral("UPDATE PARAM SET Funcion = ?, Correl_param = ? WHERE Numero = ? AND Argumento = ?"),
                       {textValue(funcion), textValue(correlParam), textValue(numero), textValue(argumento)});
    else
        udp_EjecutaSQL(QStringLiteral("INSERT INTO PARAM VALUES (?, ?, ?, ?)"),
                       {textValue(numero), textValue(argumento), textValue(funcion), textValue(correlParam)});
}

namespace {

// The code column of a reference table of the module.
QString catalogCodeColumn(const QString& table) {
    const QString t = table.toUpper();
    if (t == QLatin1String("TIP_VIN")) return QStringLiteral("cod_tip_vin");
    if (t == QLatin1String("PARAISO_FISCAL")) return QStringLiteral("cod_par");
    throw std::invalid_argument("not a reference table: " + table.toStdString());
}

}  // namespace

bool Installer::udf_ExisteCatalogo(const QString& table, const QString& code, const QString& form) const {
    const QString sql = QStringLiteral("SELECT count(*) FROM %1 WHERE %2 = ? AND formulario = ?")
                            .arg(schema::table(table).name, catalogCodeColumn(table));
    return gDB_->scalar(sql, {textValue(code), textValue(form)}).toLongLong() > 0;
}

void Installer::udp_GrabaCatalogo(const QString& table, const QString& code, const QString& form, const QString& v3,
                                  const QString& v4, const QString& v5) {
    const bool tipVin = catalogCodeColumn(table) == QLatin1String("cod_tip_vin");
    const bool exists = udf_ExisteCatalogo(table, code, form);
    if (tipVin && exists)
        udp_EjecutaSQL(QStringLiteral("UPDATE TIP_VIN SET nom_tip_vin = ?, num_renta = ?, cnumero = ? "
                                      "WHERE cod_tip_vin = ? AND formulario = ?"),
                       {textValue(v3), textValue(v4), textValue(v5), textValue(code), textValue(form)});
    else if (tipVin)
        udp_EjecutaSQL(QStringLiteral("INSERT INTO TIP_VIN (cod_tip_vin, formulario, nom_tip_vin, num_renta, cnumero) "
                                      "VALUES (?, ?, ?, ?, ?)"),
                       {textValue(code), textValue(form), textValue(v3), textValue(v4), textValue(v5)});
    else if (exists)
        udp_EjecutaSQL(QStringLiteral("UPDATE PARAISO_FISCAL SET cnumero = ? WHERE cod_par = ? AND formulario = ?"),
                       {textValue(v3), textValue(code), textValue(form)});
    else
        udp_EjecutaSQL(QStringLiteral("INSERT INTO PARAISO_FISCAL (cod_par, formulario, cnumero) VALUES (?, ?, ?)"),
                       {textValue(code), textValue(form), textValue(v3)});
}

bool Installer::udf_ExisteEnvio(const QString& tablaO) const {
    return gDB_->scalar(QStringLiteral("SELECT count(*) FROM ENVIO_T WHERE formulario = ? AND tabla_o = ?"),
                        {kFormulario, textValue(tablaO)})
               .toLongLong() > 0;
}

void Installer::udp_CargaParametros() {
    for (const ParamRow& p : paramRows()) udp_GrabaParam(p.numero, p.argumento, p.funcion, p.correlParam);

    // Each report title once: a second run must not add it again (the host keys it by code).
    const QStringList reportColumns = gDB_->columns(QStringLiteral("reportes"));
    for (const ReportRow& r : reportRows()) {
        const bool exists =
            !reportColumns.isEmpty() &&
            gDB_->scalar(QStringLiteral("SELECT count(*) FROM reportes WHERE %1 = ?").arg(quoteIdent(reportColumns[0])),
                         {r.codigo})
                    .toLongLong() > 0;
        if (!exists) udp_EjecutaSQL(QStringLiteral("INSERT INTO reportes VALUES (?, ?, 1)"), {r.codigo, r.titulo});
    }

    loadEnvioFile();
}

void Installer::loadEnvioFile() {
    const QString path = gSysPath + kEnvFile;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw DbError(kFileNotFound, QStringLiteral("No se encontró el archivo %1").arg(QDir::toNativeSeparators(path)));
    const QByteArray bytes = f.readAll();
    f.close();
    readEnvioFile(bytes, path, [this](const EnvioRow& row) {
        QVariantList values = row.values();
        if (udf_ExisteEnvio(row.tablaO)) {
            values.removeFirst();
            values << kFormulario << textValue(row.tablaO);
            udp_EjecutaSQL(QStringLiteral("UPDATE ENVIO_T SET tabla_d = ?, tabla_ext = ?, indice = ?, obliga = ?, "
                                          "c_tip_doc_d = ?, c_doc_id_d = ?, c_Formulario = ?, c_periodo = ?, "
                                          "c_estado = ?, c_envio = ?, c_semana = ? "
                                          "WHERE formulario = ? AND tabla_o = ?"),
                           values);
        } else {
            values.prepend(kFormulario);
            udp_EjecutaSQL(QStringLiteral("INSERT INTO ENVIO_T VALUES (%1)").arg(placeholders(13).join(QStringLiteral(", "))),
                           values);
        }
    });
}

void Installer::udp_CargaTipVinParaiso() {
    udp_EjecutaSQL(QStringLiteral("DELETE FROM PARAISO_FISCAL WHERE cod_par = ?"), {kParaisoRetirado});
    const QString paraiso = QStringLiteral("PARAISO_FISCAL"), tipVin = QStringLiteral("TIP_VIN");
    for (const QString& code : paraisoFiscalCodes())
        udp_GrabaCatalogo(paraiso, code, kFormulario, kNumeroFijo, QString(), QString());
    for (const TipVinRow& r : tipVinRows()) udp_GrabaCatalogo(tipVin, r.codigo, kFormulario, r.texto, r.numRenta, kNumeroFijo);
}

// ---------------------------------------------------------------------------------------------
// Control-number refresh

bool Installer::udf_ActualizaNumeroControl(const QString& table, int nKeys) {
    try {
        const schema::Table& t = schema::table(table);
        Transaction tx(*gDB_);
        const auto rows = gDB_->rows(QStringLiteral("SELECT rowid AS klv_rowid, * FROM %1").arg(t.name));
        Query update = gDB_->prepare(QStringLiteral("UPDATE %1 SET cnumero = ? WHERE rowid = ?").arg(t.name));
        for (const QSqlRecord& r : rows) {
            const QString n = numeroControl(t.name, r, nKeys);
            if (n != r.value(QStringLiteral("cnumero")).toString()) gDB_->run(update, {n, r.value(0)});
        }
        tx.commit();
        gDB_->ensureSameFile();
        return true;
    } catch (const std::exception& e) {
        ++failures_;
        const auto* db = dynamic_cast<const DbError*>(&e);
        if (db && db->number() == DbErr::FileReplaced) {
            // The numbers went into a file no longer there: the run stops.
            fileGone_ = true;
            stop(db->number(), db->text());
        } else {
            // The transaction guard has put every number back.
            messages_.show(kMsgRefresco, MsgStyle::Critical, kTituloRefresco);
        }
        return false;
    }
}

// ---------------------------------------------------------------------------------------------
// The shipped submission map

QByteArray shippedEnvFile() {
    QFile f(QStringLiteral(":/installer/env8027.txt"));
    if (!f.open(QIODevice::ReadOnly)) return QByteArray();
    return f.readAll();
}

bool writeEnvFile(const QString& sysPath, QString* error) {
    const QString path = sysPath + kEnvFile;
    if (QFileInfo::exists(path)) return true;
    const QByteArray bytes = shippedEnvFile();
    QString why;
    if (bytes.isEmpty())
        why = QStringLiteral("El instalador no trae el archivo env8027.txt.");
    else if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        why = QStringLiteral("No se pudo crear la carpeta de %1.").arg(path);
    else {
        // Written whole or not at all: a cut file would stand in for the whole map from then on.
        WholeFile f(path);
        if (!f.open() || !f.write(bytes) || !f.commit())
            why = QStringLiteral("No se pudo escribir %1.").arg(path);
    }
    if (why.isEmpty()) return true;
    if (error) *error = why;
    return false;
}

}  // namespace klv::installer
