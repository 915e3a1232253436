#include "schema.h"

#include <stdexcept>

namespace klv::schema {

QStringList Table::columnNames() const {
    QStringList out;
    for (const auto& c : columns) out << c.name;
    return out;
}

const Column* Table::column(const QString& n) const {
    for (const auto& c : columns)
        if (c.name.compare(n, Qt::CaseInsensitive) == 0) return &c;
    return nullptr;
}

const std::vector<Table>& moduleTables() {
    static const std::vector<Table> tables = {};  // filled by the schema work
    return tables;
}

const Table* findTable(const QString& name) {
    for (const auto& t : moduleTables())
        if (t.name.compare(name, Qt::CaseInsensitive) == 0) return &t;
    return nullptr;
}

const Table& table(const QString& name) {
    if (const Table* t = findTable(name)) return *t;
    throw std::out_of_range("unknown module table: " + name.toStdString());
}

QStringList columnNames(const QString& tableName) { return table(tableName).columnNames(); }

QString sqliteType(const Column& c) {
    const QString q = QLatin1Char('"') + c.name + QLatin1Char('"');
    switch (c.type) {
    case JetType::Byte: return QStringLiteral("INT CHECK(%1 BETWEEN 0 AND 255)").arg(q);
    case JetType::Long: return QStringLiteral("INT");
    case JetType::Text: return QStringLiteral("TEXT COLLATE NOCASE CHECK(length(%1) <= %2)").arg(q).arg(c.size);
    case JetType::Memo: return QStringLiteral("TEXT COLLATE NOCASE");
    case JetType::Date: return QStringLiteral("TEXT");
    }
    return QStringLiteral("TEXT");
}

QString createStatement(const Table& t) {
    QStringList parts;
    for (const auto& c : t.columns) {
        QString def = QLatin1Char('"') + c.name + QStringLiteral("\" ") + sqliteType(c);
        for (const QString& k : t.key)
            if (k.compare(c.name, Qt::CaseInsensitive) == 0) def += QStringLiteral(" NOT NULL");
        parts << def;
    }
    QStringList key;
    for (const QString& k : t.key) key << QLatin1Char('"') + k + QLatin1Char('"');
    parts << QStringLiteral("CONSTRAINT %1 PRIMARY KEY (%2)").arg(t.pkName(), key.join(QStringLiteral(", ")));
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(t.name, parts.join(QStringLiteral(", ")));
}

}  // namespace klv::schema
