#include "host_env.h"

#include "cp1252.h"
#include "database.h"
#include "ini_file.h"
#include "mensajes_importacion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace klv::host {
namespace {

using schema::Column;
using schema::JetType;
using schema::Table;

Column text(const char* name) { return {QString::fromLatin1(name), JetType::Text, 0, true}; }
Column byte(const char* name) { return {QString::fromLatin1(name), JetType::Byte}; }
Column date(const char* name) { return {QString::fromLatin1(name), JetType::Date}; }

std::vector<Table> buildTables() {
    std::vector<Table> tables = schema::hostTables();
    // Taxpayers: the module reads the second and fourth columns by position (number, name).
    tables.push_back({QStringLiteral("CONT"),
                      {byte("Tip_doc_d"), text("Doc_id_d"), text("Dependencia"), text("Nombre"), text("Usuario"),
                       byte("TIPO_INGRESO"), text("NOMBRE_1"), text("Apellido_P"), text("Apellido_M")},
                      {QStringLiteral("Tip_doc_d"), QStringLiteral("Doc_id_d")}});
    tables.push_back({QStringLiteral("CLAVES"), {text("Usuario"), text("Tipo")}, {QStringLiteral("Usuario")}});
    // Fecha holds the date and time of the report as 'yyyy-MM-dd hh:mm:ss'.
    tables.push_back({QStringLiteral("SPOOL"),
                      {text("CodRep"), text("Secuencia"), text("Archivo"), date("Fecha"), text("Usuario"),
                       byte("TIP_DOC_D"), text("DOC_ID_D")},
                      {QStringLiteral("Archivo")}});
    // Import error texts by code.
    tables.push_back({QStringLiteral("Error"), {text("coderror"), text("DescError")}, {QStringLiteral("coderror")}});
    // The sibling form's declaration header has the layout of CAB.
    if (const Table* cab = schema::findHostTable(QStringLiteral("CAB"))) {
        Table sibling = *cab;
        sibling.name = QStringLiteral("HF5937CAB");
        tables.push_back(sibling);
    }
    return tables;
}

bool fail(QString* error, const QString& why) {
    if (error) *error = why;
    return false;
}

struct ParamRow {
    const char* numero;
    QString argumento;
    QString funcion;
    const char* correl;
};

std::vector<ParamRow> paramSeed() {
    std::vector<ParamRow> rows;
    // Document types: number kind 1 (digits only) or 0 (letters and digits).
    rows.push_back({"044", QStringLiteral("1"),
                    documentTypeLayout(QStringLiteral("DOC. NACIONAL DE IDENTIDAD"),
                                       QStringLiteral("DNI"), 8, 1, true),
                    "0"});
    rows.push_back({"044", QStringLiteral("4"),
                    documentTypeLayout(QStringLiteral("CARNET DE EXTRANJERIA"),
                                       QStringLiteral("CARNET EXT."), 12, 0, false),
                    "0"});
    rows.push_back({"044", QStringLiteral("6"),
                    documentTypeLayout(QStringLiteral("REG. UNICO DE CONTRIBUYENTES"),
                                       QStringLiteral("RUC"), 11, 1, true),
                    "0"});
    rows.push_back({"044", QStringLiteral("7"),
                    documentTypeLayout(QStringLiteral("PASAPORTE"), QStringLiteral("PASAPORTE"),
                                       12, 0, false),
                    "0"});
    // Currencies (the installer adds '000' Otros).
    const char* currencies[] = {"NUEVOS SOLES", "DOLAR DE EE.UU.", "EURO", "YEN JAPONES",
                                "LIBRA ESTERLINA"};
    for (int i = 0; i < 5; ++i)
        rows.push_back({"883", QStringLiteral("%1").arg(i + 1, 3, 10, QLatin1Char('0')),
                        QString::fromLatin1(currencies[i]), "000"});
    // Countries: the home country and a few others; the codes of the tax-haven list get a
    // neutral name so the list of tax havens shows every code.
    const std::pair<const char*, const char*> countries[] = {
        {"9589", "PERU"},      {"9063", "ARGENTINA"}, {"9097", "BOLIVIA"},
        {"9105", "CHILE"},     {"9149", "COLOMBIA"},  {"9239", "ECUADOR"},
        {"9245", "ESPAÑA"},    {"9249", "ESTADOS UNIDOS"}, {"9023", "ALEMANIA"},
        {"9493", "MEXICO"}};
    for (const auto& [code, name] : countries)
        rows.push_back({"976", QString::fromLatin1(code), QString::fromUtf8(name), "000"});
    const char* havens[] = {"9019", "9037", "9041", "9043", "9047", "9027", "9077", "9083", "9088",
                            "9090", "9221", "9235", "9293", "9297", "9327", "9351", "9378", "9137",
                            "9183", "9472", "9823", "9863", "9866", "9401", "9418", "9434", "9440",
                            "9445", "9453", "9461", "9498", "9501", "9508", "9531", "9580", "9687",
                            "9695", "9705", "9715", "9731", "9810", "9551", "9080"};
    for (const char* code : havens)
        rows.push_back({"976", QString::fromLatin1(code),
                        QStringLiteral("TERRITORIO DE BAJA IMPOSICION ") + QString::fromLatin1(code),
                        "000"});
    // Legal-address types (the installer writes the same rows).
    const char* addresses[] = {"RESIDENCIA O DOMICILIO DE LA ACTIVIDAD", "RESIDENCIA",
                               "DOMICILIO DE LA ACTIVIDAD",
                               "DOMICILIO OFICIAL DE LA COMPAÑÍA, ASOCIACIÓN U OTRA ENTIDAD LEGAL"};
    for (int i = 0; i < 4; ++i)
        rows.push_back({"876", QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0')),
                        QString::fromUtf8(addresses[i]), "000"});
    return rows;
}

}  // namespace

const std::vector<schema::Table>& hostTables() {
    static const std::vector<schema::Table> tables = buildTables();
    return tables;
}

const schema::Table* findHostTable(const QString& name) {
    for (const schema::Table& t : hostTables())
        if (t.name.compare(name, Qt::CaseInsensitive) == 0) return &t;
    return nullptr;
}

QString documentTypeLayout(const QString& description, const QString& shortName, int length,
                           int dataKind, bool exactLength) {
    QString f = description.left(30).leftJustified(30, QLatin1Char(' '));
    f += QLatin1Char(' ') + shortName.left(11).leftJustified(11, QLatin1Char(' ')) + QStringLiteral(" 0 ");
    f += QStringLiteral("%1").arg(length, 2, 10, QLatin1Char('0'));
    f += QStringLiteral(" 000000 00 000000000000000000000000000000000000000");
    f = f.leftJustified(125, QLatin1Char(' '));
    f += QStringLiteral("0 ") + QString::number(dataKind % 10) + QLatin1Char(' ') +
         (exactLength ? QLatin1Char('1') : QLatin1Char('0'));
    return f;
}

void createHostTables(Database& db) {
    Transaction t(db);
    for (const schema::Table& table : hostTables())
        if (!db.tableExists(table.name)) db.exec(schema::createStatement(table));
    t.commit();
}

void seedHostData(Database& db, const QString& user) {
    Transaction t(db);
    db.exec(QStringLiteral("INSERT OR IGNORE INTO CLAVES (Usuario, Tipo) VALUES (?, ?)"),
            {user, QStringLiteral("0")});
    const QString cont = QStringLiteral(
        "INSERT OR IGNORE INTO CONT (Tip_doc_d, Doc_id_d, Dependencia, Nombre, Usuario, TIPO_INGRESO, "
        "NOMBRE_1, Apellido_P, Apellido_M) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    db.exec(cont, {6, QString::fromLatin1(kDemoRucEmpresa), QStringLiteral("0021"),
                   QStringLiteral("EMPRESA DEMOSTRACION S.A.C."), user, 1, QVariant(), QVariant(),
                   QVariant()});
    db.exec(cont, {6, QString::fromLatin1(kDemoRucPersona), QStringLiteral("0021"),
                   QStringLiteral("GARCIA LOPEZ MARIA ELENA"), user, 2,
                   QStringLiteral("MARIA ELENA"), QStringLiteral("GARCIA"), QStringLiteral("LOPEZ")});
    Query param = db.prepare(QStringLiteral(
        "INSERT OR IGNORE INTO PARAM (Numero, Argumento, Funcion, Correl_param) VALUES (?, ?, ?, ?)"));
    for (const ParamRow& r : paramSeed())
        db.run(param, {QString::fromLatin1(r.numero), r.argumento, r.funcion, QString::fromLatin1(r.correl)});
    // The attached technical study is found through the destination name 'PDF'.
    db.exec(QStringLiteral(
                "INSERT OR IGNORE INTO ENVIO_T (formulario, tabla_o, tabla_d, tabla_ext, indice, obliga, "
                "c_tip_doc_d, c_doc_id_d, c_Formulario, c_periodo, c_estado, c_envio, c_semana) "
                "VALUES (?, ?, ?, ?, 0, 0, 0, 0, 0, 0, 0, 0, 0)"),
            {QStringLiteral("8027"), QStringLiteral("PDF"), QStringLiteral("PDF"), QStringLiteral("PDF")});
    // The texts of the import's error codes, as the host keeps them.
    Query error = db.prepare(QStringLiteral("INSERT OR IGNORE INTO Error (coderror, DescError) VALUES (?, ?)"));
    for (const auto& [code, text] : mensajesImportacion()) db.run(error, {code, text});
    t.commit();
}

QString sysPathOf(const QString& dir) {
    return QDir(QFileInfo(dir).absoluteFilePath()).filePath(QStringLiteral("sys")) + QLatin1Char('/');
}

QString winDirOf(const QString& dir) {
    return QDir(QFileInfo(dir).absoluteFilePath()).filePath(QStringLiteral("windir"));
}

bool initEnvironment(const QString& dir, QString* error) {
    if (dir.trimmed().isEmpty()) return fail(error, QStringLiteral("No se indicó la carpeta del entorno."));
    const QString sysPath = sysPathOf(dir);
    const QString winDir = winDirOf(dir);
    // QM000.INI keeps SysPath in Windows-1252: a character outside it would be written as "?",
    // and the path would name no folder.
    QString ajenos;
    for (const QChar c : sysPath)
        if (!cp1252::representable(c) && !ajenos.contains(c)) ajenos += c;
    if (!ajenos.isEmpty())
        return fail(error, QStringLiteral("La ruta %1 tiene caracteres que QM000.INI no puede guardar (%2): los programas "
                                          "no encontrarían la carpeta. Elija una carpeta cuyo nombre solo tenga caracteres "
                                          "de Windows-1252.")
                               .arg(sysPath, ajenos));
    QDir root;
    for (const QString& folder : {sysPath, sysPath + QStringLiteral("RPT"), sysPath + QStringLiteral("tmp"), winDir})
        if (!root.mkpath(folder))
            return fail(error, QStringLiteral("No se pudo crear la carpeta %1.").arg(folder));
    // The host folder's names were not case-sensitive: the module writes into "tmp", the summary
    // program into "TMP". One folder serves both.
    const QString upperTmp = sysPath + QStringLiteral("TMP");
    if (!QFileInfo::exists(upperTmp) && !QFileInfo(upperTmp).isSymLink())
        QFile::link(QStringLiteral("tmp"), upperTmp);

    // QM000.INI: SysPath and DBPath follow the folder laid; other keys keep what they hold.
    const QString ini = winDir + QLatin1Char('/') + QString::fromLatin1(kIniName);
    const QString section = QStringLiteral("Options");
    auto keepOrWrite = [&](const char* key, const QString& value) {
        const QString k = QString::fromLatin1(key);
        if (!ini::readString(section, k, QString(), ini).trimmed().isEmpty()) return true;
        return ini::writeString(section, k, value, ini);
    };
    bool iniOk = ini::writeString(section, QStringLiteral("SysPath"), sysPath, ini);
    iniOk = iniOk && keepOrWrite("SysVersion", QString::fromLatin1(kSysVersion));
    iniOk = iniOk && ini::writeString(section, QStringLiteral("DBPath"), sysPath, ini);
    iniOk = iniOk && keepOrWrite("DBName", QString::fromLatin1(kDbName));
    iniOk = iniOk && keepOrWrite("SysMenu", QString::fromLatin1(kSysMenu));
    iniOk = iniOk && keepOrWrite("SysUser", QString::fromLatin1(kDemoUser));
    // The copy in SysPath, where the summary program reads the user: the same Options values.
    const QString sysIni = sysPath + QString::fromLatin1(kIniName);
    for (const char* key : {"SysPath", "SysVersion", "DBPath", "DBName", "SysMenu", "SysUser"}) {
        const QString k = QString::fromLatin1(key);
        iniOk = iniOk && ini::writeString(section, k, ini::readString(section, k, QString(), ini), sysIni);
    }
    if (!iniOk) return fail(error, QStringLiteral("No se pudo escribir %1.").arg(ini));

    const QString dbName = ini::readString(section, QStringLiteral("DBName"), QString(), ini).trimmed();
    const QString user = ini::readString(section, QStringLiteral("SysUser"), QString(), ini);
    const QString dbFile = sysPath + dbName;
    if (!QFileInfo::exists(dbFile)) {
        // An empty file is an empty SQLite database; the database door itself never creates one.
        QFile f(dbFile);
        if (!f.open(QIODevice::WriteOnly))
            return fail(error, QStringLiteral("No se pudo crear la base de datos %1.").arg(dbFile));
    }
    try {
        auto db = Database::open(dbFile);
        createHostTables(*db);
        seedHostData(*db, user.trimmed().isEmpty() ? QString::fromLatin1(kDemoUser) : user);
    } catch (const DbError& e) {
        return fail(error, QStringLiteral("Base de datos %1: %2 - %3").arg(dbFile, QString::number(e.number()), e.text()));
    }
    return true;
}

}  // namespace klv::host
