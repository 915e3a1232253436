#include "transaction_writer.h"

#include "row_cursor.h"
#include "schema.h"

#include <QHashFunctions>
#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace klv {
namespace {

const QString kWorkingCnumero = QStringLiteral("666666");
const QString kKeyColumns = QStringLiteral(
    "TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P, COR_TRANSACCION");
const QString kKeyCondition = QStringLiteral(
    "TIP_DOC_D=? AND DOC_ID_D=? AND PERIODO=? AND FORMULARIO=? AND TIP_DOC_P=? AND DOC_ID_P=? AND COR_TRANSACCION=?");
constexpr int kKeyParams = 7;
const QString kDeleteTypes = QStringLiteral("DELETE FROM TMPTRATIPTRA WHERE ") + kKeyCondition;
const QString kDeleteType = kDeleteTypes + QStringLiteral(" AND COD_TIP_TRANSACCION=?");
const QString kInsertType = QStringLiteral("INSERT INTO TMPTRATIPTRA (") + kKeyColumns +
                            QStringLiteral(", COD_TIP_TRANSACCION, MONTO_TRANSACCION, CNUMERO) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
const QString kUpdateTypeAmount = QStringLiteral("UPDATE TMPTRATIPTRA SET MONTO_TRANSACCION=?, CNUMERO=? WHERE ") +
                                  kKeyCondition + QStringLiteral(" AND COD_TIP_TRANSACCION=?");
const QString kUpdateType =
    QStringLiteral("UPDATE TMPTRATIPTRA SET CNUMERO=? WHERE ") + kKeyCondition + QStringLiteral(" AND COD_TIP_TRANSACCION=?");

// Binds the key's seven values from parameter `first` on, in the order of kKeyCondition.
void bindKey(PreparedStatement& s, int first, const TransactionKey& k) {
    s.bindInt(first, k.declaration.tipDocD);
    s.bindText(first + 1, k.declaration.docIdD);
    s.bindText(first + 2, k.declaration.periodo);
    s.bindText(first + 3, k.declaration.formulario);
    s.bindInt(first + 4, k.party.tipDocP);
    s.bindText(first + 5, k.party.docIdP);
    s.bindInt(first + 6, k.corTransaccion);
}

void checkColumns(const ColumnValues& values) {
    const schema::Table& table = schema::table(QStringLiteral("TMPTRANSACCION2"));
    for (const auto& [column, value] : values.items()) {
        if (!table.column(column))
            throw std::invalid_argument("TMPTRANSACCION2 has no column " + column.toStdString());
        if (table.isKey(column) || column == QLatin1String("cnumero"))
            throw std::invalid_argument("the writer sets " + column.toStdString() + " itself");
    }
}

bool sameColumns(const std::vector<QString>& columns, const ColumnValues& values) {
    const auto& items = values.items();
    if (columns.size() != items.size()) return false;
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i] != items[i].first) return false;
    return true;
}

}  // namespace

void ColumnValues::set(const QString& column, const QString& value) {
    if (items_.empty()) items_.reserve(16);  // a row sets a dozen columns or so
    // A name of ASCII characters without capitals (the import's) is taken as it is: toLower would
    // copy it for every value of every line.
    const bool lower = std::all_of(column.begin(), column.end(),
                                   [](QChar c) { return c.unicode() < 0x80 && !(c >= u'A' && c <= u'Z'); });
    const QString name = lower ? column : column.toLower();
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

TransactionWriter::TransactionWriter(Database& db, Guard guard) : db_(db), guard_(guard) {}

TransactionWriter::~TransactionWriter() = default;

PreparedStatement& TransactionWriter::statement(std::unique_ptr<PreparedStatement>& slot, const QString& sql) {
    if (!slot) slot = std::make_unique<PreparedStatement>(db_, sql);
    return *slot;
}

PreparedStatement& TransactionWriter::rowStatement(std::vector<RowStatement>& cache, const ColumnValues& values,
                                                   bool insert) {
    for (RowStatement& r : cache)
        if (sameColumns(r.columns, values)) return r.statement;
    checkColumns(values);
    std::vector<QString> columns;
    for (const auto& item : values.items()) columns.push_back(item.first);
    QString sql;
    if (insert) {
        QStringList cols{kKeyColumns};
        for (const QString& c : columns) cols << c;
        cols << QStringLiteral("CNUMERO");
        const QStringList marks(static_cast<qsizetype>(kKeyParams + columns.size() + 1), QStringLiteral("?"));
        sql = QStringLiteral("INSERT INTO TMPTRANSACCION2 (%1) VALUES (%2)")
                  .arg(cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
    } else {
        QStringList sets;
        for (const QString& c : columns) sets << c + QStringLiteral("=?");
        sets << QStringLiteral("CNUMERO=?");
        sql = QStringLiteral("UPDATE TMPTRANSACCION2 SET %1 WHERE %2").arg(sets.join(QStringLiteral(", ")), kKeyCondition);
    }
    cache.push_back({std::move(columns), PreparedStatement(db_, sql)});
    return cache.back().statement;
}

void TransactionWriter::insert(const TransactionKey& key, const ColumnValues& values,
                               const std::vector<TypeValue>& types) {
    PreparedStatement& row = rowStatement(inserts_, values, true);
    std::optional<Transaction> tx;
    if (ownTransaction()) tx.emplace(db_);
    if (!(db_.writeStamp() == stamp_)) highestTypeNumber_.clear();  // another wrote since the last call
    bindKey(row, 0, key);
    int i = kKeyParams;
    for (const auto& item : values.items()) row.bindText(i++, item.second);
    row.bindText(i, kWorkingCnumero);
    row.run();
    // Type rows of a transaction that did not exist belong to none: they would otherwise join
    // this one when the declaration is saved.
    if (mayHaveLeftovers(key)) {
        PreparedStatement& leftovers = statement(deleteTypes_, kDeleteTypes);
        bindKey(leftovers, 0, key);
        leftovers.run();
    }
    for (const TypeValue& t : types)
        if (t.ticked) writeType(key, t, false);
    if (tx) tx->commit();
    stamp_ = db_.writeStamp();
}

bool TransactionWriter::PartyKey::operator==(const PartyKey& o) const {
    return declaration.tipDocD == o.declaration.tipDocD && declaration.docIdD == o.declaration.docIdD &&
           declaration.periodo == o.declaration.periodo && declaration.formulario == o.declaration.formulario &&
           party.tipDocP == o.party.tipDocP && party.docIdP == o.party.docIdP;
}

size_t TransactionWriter::PartyKeyHash::operator()(const PartyKey& k) const {
    return qHashMulti(0, k.declaration.docIdD, k.declaration.periodo, k.party.docIdP, k.party.tipDocP);
}

// Leftovers are type rows under the key with no transaction row. This writer adds type rows only
// beside a transaction row, and removes none, so none can appear above the highest number read
// while nothing else writes; the highest is read again after anything else wrote.
bool TransactionWriter::mayHaveLeftovers(const TransactionKey& key) {
    const PartyKey party{key.declaration, key.party};
    auto it = highestTypeNumber_.find(party);
    if (it == highestTypeNumber_.end()) {
        // Prepared once for the writer's life: an import reads it once a party.
        const QVariantList params{key.declaration.tipDocD, textValue(key.declaration.docIdD),
                                  textValue(key.declaration.periodo), textValue(key.declaration.formulario),
                                  key.party.tipDocP, textValue(key.party.docIdP)};
        QVariant highest;
        lookupRow(highestType_, db_,
                  QStringLiteral("SELECT max(COR_TRANSACCION) FROM TMPTRATIPTRA WHERE TIP_DOC_D=? AND DOC_ID_D=? AND "
                                 "PERIODO=? AND FORMULARIO=? AND TIP_DOC_P=? AND DOC_ID_P=?"),
                  params, [&highest](const RowCursor& c) { highest = c.value(0); });
        long known = 0;  // no type row
        if (!highest.isNull()) {
            // A number that is not an integer (text sorts above every number) tells nothing.
            const int type = highest.typeId();
            known = type == QMetaType::LongLong || type == QMetaType::Int || type == QMetaType::Double
                        ? static_cast<long>(std::ceil(highest.toDouble()))
                        : std::numeric_limits<long>::max();
        }
        it = highestTypeNumber_.emplace(party, known).first;
    }
    return key.corTransaccion <= it->second;
}

void TransactionWriter::update(const TransactionKey& key, const ColumnValues& values,
                               const std::vector<TypeValue>& types) {
    PreparedStatement& row = rowStatement(updates_, values, false);
    std::optional<Transaction> tx;
    if (ownTransaction()) tx.emplace(db_);
    int i = 0;
    for (const auto& item : values.items()) row.bindText(i++, item.second);
    row.bindText(i++, kWorkingCnumero);
    bindKey(row, i, key);
    if (row.run() != 1)
        throw DbError(DbErr::NoCurrentRecord, QStringLiteral("No existe la transacción %1 del informado %2.")
                                                   .arg(key.corTransaccion)
                                                   .arg(key.party.docIdP));
    for (const TypeValue& t : types) {
        if (t.ticked) {
            writeType(key, t, true);
        } else {
            PreparedStatement& del = statement(deleteType_, kDeleteType);
            bindKey(del, 0, key);
            del.bindText(kKeyParams, t.code);
            del.run();
        }
    }
    if (tx) tx->commit();
    stamp_ = db_.writeStamp();
}

void TransactionWriter::writeType(const TransactionKey& key, const TypeValue& type, bool mayExist) {
    if (mayExist) {
        PreparedStatement* upd;
        if (type.monto) {
            upd = &statement(updateTypeAmount_, kUpdateTypeAmount);
            upd->bindText(0, *type.monto);
            upd->bindText(1, kWorkingCnumero);
            bindKey(*upd, 2, key);
            upd->bindText(2 + kKeyParams, type.code);
        } else {
            upd = &statement(updateType_, kUpdateType);
            upd->bindText(0, kWorkingCnumero);
            bindKey(*upd, 1, key);
            upd->bindText(1 + kKeyParams, type.code);
        }
        if (upd->run() > 0) return;
    }
    PreparedStatement& ins = statement(insertType_, kInsertType);
    bindKey(ins, 0, key);
    ins.bindText(kKeyParams, type.code);
    if (type.monto)
        ins.bindText(kKeyParams + 1, *type.monto);
    else if (type.noAmount == TypeValue::NoAmount::Null)
        ins.bindNull(kKeyParams + 1);
    else
        ins.bindText(kKeyParams + 1, QString());
    ins.bindText(kKeyParams + 2, kWorkingCnumero);
    ins.run();
}

}  // namespace klv
