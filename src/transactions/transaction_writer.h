#pragma once
// Writes one working transaction (a TMPTRANSACCION2 row) and its transaction types (TMPTRATIPTRA
// rows) from given column values. The transaction form's save calls it, and so does the
// transaction file import, each after applying its own rules and conversions: the writer stores
// the texts it is given unchanged.
//
// Rules of the writer:
//   - Column values are texts by column name (any case). A column that is not given is not
//     written: a new row leaves it NULL, an updated row keeps what it held. The key columns come
//     from the TransactionKey and cnumero is always "666666" (the save of the declaration computes
//     the real control numbers); naming either among the values is an error (std::invalid_argument),
//     as is a column the table does not have.
//   - Every call runs in one database transaction: the row and all its types are written, or
//     nothing is. Called inside a transaction of the caller it becomes a savepoint, so a failed
//     call rolls back alone and the caller's transaction goes on; unless the writer was made with
//     Guard::Caller: inside a transaction of the caller a failed call may then leave part of its
//     rows, and the caller rolls its transaction back (the file import, which then writes the
//     batch's earlier lines again). Outside any transaction every call has its own.
//   - update() of a key that has no row writes nothing and throws DbError NoCurrentRecord (3021).
//     insert() of a key that exists throws DbError DuplicateKey (3022); a DuplicateKey from
//     insert() always means the transaction row, since insert() first removes the type rows left
//     under the new key without a transaction (it knows, and skips the delete, when its key is
//     numbered above every type row of the party read in the same transaction).
//   - Failures are DbError; nothing is reported here.
//
// A writer keeps its prepared statements for its lifetime: an import makes one and calls it for
// every line.

#include "database.h"
#include "keys.h"
#include "prepared_statement.h"

#include <QString>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace klv {

class RowCursor;

// Column values of a transaction row, in the order they are set.
class ColumnValues {
public:
    void set(const QString& column, const QString& value);
    bool contains(const QString& column) const;
    QString value(const QString& column) const;  // "" when not set
    const std::vector<std::pair<QString, QString>>& items() const { return items_; }
    bool empty() const { return items_.empty(); }

private:
    std::vector<std::pair<QString, QString>> items_;  // column names in lower case
};

// One transaction type of the list given to the writer.
struct TypeValue {
    QString code;                    // cod_tip_transaccion, two digits
    bool ticked = true;              // false: the type's row is deleted (update only)
    std::optional<QString> monto;    // monto_transaccion; nullopt keeps the stored amount of an
                                     // existing row and gives a new row `noAmount`
    enum class NoAmount { Empty, Null };
    NoAmount noAmount = NoAmount::Empty;  // a new row without monto: the empty text, or unset (NULL)
};

class TransactionWriter {
public:
    enum class Guard {
        PerCall,  // each call all or nothing on its own (a savepoint inside the caller's transaction)
        Caller,   // the caller's transaction guards the calls made inside it
    };
    explicit TransactionWriter(Database& db, Guard guard = Guard::PerCall);
    ~TransactionWriter();

    // Adds the transaction and one type row per ticked type (unticked ones are ignored).
    void insert(const TransactionKey& key, const ColumnValues& values, const std::vector<TypeValue>& types);
    // Updates the transaction's given columns; then per type: ticked adds the row or updates its
    // amount, unticked deletes its row. Types not listed are left alone.
    void update(const TransactionKey& key, const ColumnValues& values, const std::vector<TypeValue>& types);

private:
    // A statement that writes the given columns of the transaction row, prepared for the first
    // call that gives them (the columns checked then) and kept for later calls giving the same.
    struct RowStatement {
        std::vector<QString> columns;
        PreparedStatement statement;
    };
    PreparedStatement& rowStatement(std::vector<RowStatement>& cache, const ColumnValues& values, bool insert);
    PreparedStatement& statement(std::unique_ptr<PreparedStatement>& slot, const QString& sql);
    void writeType(const TransactionKey& key, const TypeValue& type, bool mayExist);
    bool mayHaveLeftovers(const TransactionKey& key);

    // Whether a call opens its own transaction (none when the caller's guards it).
    bool ownTransaction() const { return guard_ == Guard::PerCall || !db_.inTransaction(); }

    Database& db_;
    Guard guard_;
    std::vector<RowStatement> inserts_, updates_;
    std::unique_ptr<PreparedStatement> deleteTypes_, deleteType_, insertType_, updateTypeAmount_, updateType_;

    // The highest transaction number among the type rows of a declaration's party, as read in the
    // current transaction; kept while nothing but this writer wrote (stamp_, taken after its last
    // call). A new transaction numbered above it can have no leftover type rows, so insert() need
    // not delete them.
    struct PartyKey {
        DeclarationKey declaration;
        Party party;
        bool operator==(const PartyKey& o) const;
    };
    struct PartyKeyHash {
        size_t operator()(const PartyKey& k) const;
    };
    std::unordered_map<PartyKey, long, PartyKeyHash> highestTypeNumber_;
    std::unique_ptr<RowCursor> highestType_;  // the query that reads it
    Database::WriteStamp stamp_;
};

}  // namespace klv
