#include "transaction_writer.h"

#include "schema.h"

#include <stdexcept>

namespace klv {
namespace {

const QString kWorkingCnumero = QStringLiteral("666666");
const QString kKeyCondition = QStringLiteral(
    "TIP_DOC_D=? AND DOC_ID_D=? AND PERIODO=? AND FORMULARIO=? AND TIP_DOC_P=? AND DOC_ID_P=? AND COR_TRANSACCION=?");

QVariantList keyParams(const TransactionKey& k) {
    return {k.declaration.tipDocD,
            textValue(k.declaration.docIdD),
            textValue(k.declaration.periodo),
            textValue(k.declaration.formulario),
            k.party.tipDocP,
            textValue(k.party.docIdP),
            static_cast<qlonglong>(k.corTransaccion)};
}

}  // namespace

void ColumnValues::set(const QString& column, const QString& value) {
    const QString name = column.toLower();
    for (auto& item : items_) {
        if (item.first == name) {
            item.second = value;
            return;
        }
    }
    items_.emplace_back(name, value);
}

bool ColumnValues::contains(const QString& column) const {
    const QString name = column.toLower();
    for (const auto& item : items_)
        if (item.first == name) return true;
    return false;
}

QString ColumnValues::value(const QString& column) const {
    const QString name = column.toLower();
    for (const auto& item : items_)
        if (item.first == name) return item.second;
    return {};
}

TransactionWriter::TransactionWriter(Database& db) : db_(db) {}

QSqlQuery& TransactionWriter::statement(const QString& sql) {
    auto it = cache_.find(sql);
    if (it == cache_.end()) it = cache_.insert(sql, db_.prepare(sql));
    return it.value();
}

void TransactionWriter::checkColumns(const ColumnValues& values) const {
    const schema::Table& table = schema::table(QStringLiteral("TMPTRANSACCION2"));
    for (const auto& [column, value] : values.items()) {
        if (!table.column(column))
            throw std::invalid_argument("TMPTRANSACCION2 has no column " + column.toStdString());
        if (table.isKey(column) || column == QLatin1String("cnumero"))
            throw std::invalid_argument("the writer sets " + column.toStdString() + " itself");
    }
}

void TransactionWriter::insert(const TransactionKey& key, const ColumnValues& values,
                               const std::vector<TypeValue>& types) {
    checkColumns(values);
    Transaction tx(db_);
    QStringList cols = {QStringLiteral("TIP_DOC_D"), QStringLiteral("DOC_ID_D"), QStringLiteral("PERIODO"),
                        QStringLiteral("FORMULARIO"), QStringLiteral("TIP_DOC_P"), QStringLiteral("DOC_ID_P"),
                        QStringLiteral("COR_TRANSACCION")};
    QVariantList params = keyParams(key);
    for (const auto& [column, value] : values.items()) {
        cols << column;
        params << textValue(value);
    }
    cols << QStringLiteral("CNUMERO");
    params << kWorkingCnumero;
    QStringList marks;
    for (int i = 0; i < cols.size(); ++i) marks << QStringLiteral("?");
    db_.run(statement(QStringLiteral("INSERT INTO TMPTRANSACCION2 (%1) VALUES (%2)")
                          .arg(cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")))),
            params);
    // Type rows of a transaction that did not exist belong to none: they would otherwise join
    // this one when the declaration is saved.
    db_.run(statement(QStringLiteral("DELETE FROM TMPTRATIPTRA WHERE %1").arg(kKeyCondition)), keyParams(key));
    for (const TypeValue& t : types)
        if (t.ticked) writeType(key, t, false);
    tx.commit();
}

void TransactionWriter::update(const TransactionKey& key, const ColumnValues& values,
                               const std::vector<TypeValue>& types) {
    checkColumns(values);
    Transaction tx(db_);
    QStringList sets;
    QVariantList params;
    for (const auto& [column, value] : values.items()) {
        sets << column + QStringLiteral("=?");
        params << textValue(value);
    }
    sets << QStringLiteral("CNUMERO=?");
    params << kWorkingCnumero;
    params += keyParams(key);
    db_.run(statement(QStringLiteral("UPDATE TMPTRANSACCION2 SET %1 WHERE %2").arg(sets.join(QStringLiteral(", ")), kKeyCondition)),
            params);
    if (db_.changes() != 1)
        throw DbError(DbErr::NoCurrentRecord, QStringLiteral("No existe la transacción %1 del informado %2.")
                                                   .arg(key.corTransaccion)
                                                   .arg(key.party.docIdP));
    for (const TypeValue& t : types) {
        if (t.ticked) {
            writeType(key, t, true);
        } else {
            QVariantList p = keyParams(key);
            p << textValue(t.code);
            db_.run(statement(QStringLiteral("DELETE FROM TMPTRATIPTRA WHERE %1 AND COD_TIP_TRANSACCION=?").arg(kKeyCondition)), p);
        }
    }
    tx.commit();
}

void TransactionWriter::writeType(const TransactionKey& key, const TypeValue& type, bool mayExist) {
    QVariantList k = keyParams(key);
    k << textValue(type.code);
    if (mayExist) {
        if (type.monto) {
            QVariantList p{textValue(*type.monto), kWorkingCnumero};
            p += k;
            db_.run(statement(QStringLiteral("UPDATE TMPTRATIPTRA SET MONTO_TRANSACCION=?, CNUMERO=? WHERE %1 AND COD_TIP_TRANSACCION=?")
                                  .arg(kKeyCondition)),
                    p);
        } else {
            QVariantList p{kWorkingCnumero};
            p += k;
            db_.run(statement(QStringLiteral("UPDATE TMPTRATIPTRA SET CNUMERO=? WHERE %1 AND COD_TIP_TRANSACCION=?")
                                  .arg(kKeyCondition)),
                    p);
        }
        if (db_.changes() > 0) return;
    }
    QVariantList p = k;
    p << textValue(type.monto.value_or(QString())) << kWorkingCnumero;
    db_.run(statement(QStringLiteral("INSERT INTO TMPTRATIPTRA (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P,"
                                     " DOC_ID_P, COR_TRANSACCION, COD_TIP_TRANSACCION, MONTO_TRANSACCION, CNUMERO)"
                                     " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")),
            p);
}

}  // namespace klv
