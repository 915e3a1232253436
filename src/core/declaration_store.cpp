#include "declaration_store.h"

#include "declaration_deletes.h"
#include "row_cursor.h"

#include <sqlite3.h>
#include <algorithm>
#include <functional>
#include <optional>

#include <string_view>

namespace klv {

void StoredDeclarationList::read(const Database& db) {
    bytes_.clear();
    rows_.clear();
    // Room for every declaration at once: no copying as the list grows.
    const auto count = static_cast<size_t>(db.scalar(QStringLiteral("SELECT count(*) FROM IDENTIFICA2")).toLongLong());
    rows_.reserve(count);
    bytes_.reserve(count * 48);
    RowCursor q(db, QStringLiteral(
        "SELECT I.TIP_DOC_D, I.DOC_ID_D, I.PERIODO, C.NOMBRE AS RAZON_SOCIAL, I.AUTCONTEXT, I.ESTTECPT, "
        "I.FORMULARIO FROM IDENTIFICA2 I, CONT C WHERE I.TIP_DOC_D=C.TIP_DOC_D AND I.DOC_ID_D=C.DOC_ID_D "
        "ORDER BY I.TIP_DOC_D, I.DOC_ID_D, I.PERIODO, I.FORMULARIO"));
    while (q.next()) {
        Row r;
        r.tipDocD = static_cast<qint32>(q.integer(0));
        for (int f = 0; f < 6; ++f) {
            r.start[f] = static_cast<quint32>(bytes_.size());
            bytes_.append(q.bytes(f + 1));
        }
        r.start[6] = static_cast<quint32>(bytes_.size());
        rows_.push_back(r);
    }
}

QString StoredDeclarationList::text(int row, Field field) const {
    const std::string_view b = bytes(row, field);
    return QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size()));
}

StoredDeclaration StoredDeclarationList::at(int row) const {
    StoredDeclaration d;
    d.tipDocD = tipDocD(row);
    d.docIdD = text(row, DocIdD);
    d.periodo = text(row, Periodo);
    d.razonSocial = text(row, RazonSocial);
    d.autContExt = text(row, AutContExt);
    d.estTecPt = text(row, EstTecPt);
    d.formulario = text(row, Formulario);
    return d;
}

int StoredDeclarationList::find(const QString& docIdD, const QString& periodo) const {
    const QByteArray doc = docIdD.toUtf8(), per = periodo.toUtf8();
    int found = -1;
    for (int i = 0; i < size(); ++i)
        if (bytes(i, DocIdD) == std::string_view(doc.constData(), static_cast<size_t>(doc.size())) &&
            bytes(i, Periodo) == std::string_view(per.constData(), static_cast<size_t>(per.size())))
            found = i;
    return found;
}

StoredDeclarationList listStoredDeclarations(const Database& db) {
    StoredDeclarationList list;
    list.read(db);
    return list;
}

namespace {

// Counts the rows the connection's statements delete (SQLite tells each row of a rowid table as it
// goes) and reports them every `step` rows, while it lives: the progress of a DELETE statement.
class DeletedRows {
public:
    DeletedRows(const Database& db, std::function<void(qint64)> report, qint64 step)
        : handle_(db.sqliteHandle()), report_(std::move(report)), step_(step) {
        sqlite3_update_hook(handle_, &DeletedRows::rowChanged, this);
    }
    ~DeletedRows() { sqlite3_update_hook(handle_, nullptr, nullptr); }
    DeletedRows(const DeletedRows&) = delete;
    DeletedRows& operator=(const DeletedRows&) = delete;
    qint64 rows() const { return rows_; }

private:
    static void rowChanged(void* self, int operation, const char*, const char*, sqlite3_int64) {
        auto* c = static_cast<DeletedRows*>(self);
        if (operation != SQLITE_DELETE) return;
        if (++c->rows_ % c->step_ == 0) c->report_(c->rows_);
    }
    sqlite3* handle_;
    std::function<void(qint64)> report_;
    qint64 step_;
    qint64 rows_ = 0;
};

// The engine's page cache of a connection set to a size while a guard lives, then the one it had.
class PageCacheWhile {
public:
    PageCacheWhile(const Database& db, Database::PageCache size) : db_(db), before_(db.pageCache()) { db.setPageCache(size); }
    ~PageCacheWhile() { db_.setPageCache(before_); }
    PageCacheWhile(const PageCacheWhile&) = delete;
    PageCacheWhile& operator=(const PageCacheWhile&) = delete;

private:
    const Database& db_;
    Database::PageCache before_;
};

}  // namespace

void deleteStoredDeclaration(Database& db, const QString& docIdD, const QString& periodo,
                             const QString& formulario, const WorkProgress& progress) {
    static const char* const kDeletes[] = KLV_DECLARATION_DELETES;
    const QVariantList key{textValue(docIdD), textValue(periodo), textValue(formulario)};
    // The delete reads each page of the declaration once: the engine's small cache serves, where the
    // working one would fill with every page deleted (tens of megabytes) and keep them.
    const PageCacheWhile onePass(db, Database::PageCache::OnePass);
    Transaction t(db);
    qint64 total = 0;
    if (progress) {
        // The share of the work: the rows deleted of the declaration's rows in all tables.
        QStringList counts;
        for (const char* sql : kDeletes)
            counts << QLatin1Char('(') + QString::fromLatin1(sql).replace(QLatin1String("DELETE FROM"), QLatin1String("SELECT count(*) FROM")) +
                          QLatin1Char(')');
        QVariantList keys;
        for (qsizetype i = 0; i < counts.size(); ++i) keys += key;
        total = db.scalar(QStringLiteral("SELECT ") + counts.join(QLatin1Char('+')), keys).toLongLong();
        progress(0, total);
    }
    std::optional<DeletedRows> deleted;
    if (progress) deleted.emplace(db, [&](qint64 rows) { progress(std::min(rows, total), total); }, 2000);
    for (const char* sql : kDeletes) db.exec(QString::fromLatin1(sql), key);
    deleted.reset();
    t.commit();
    if (progress) progress(total, total);
}

QString documentTypeText(int tipDocD) {
    switch (tipDocD) {
    case 6: return QStringLiteral("RUC");
    case 1: return QStringLiteral("DNI");
    case 7: return QStringLiteral("PASAPORTE");
    default: return QString::number(tipDocD);
    }
}

QString yesNoText(const QString& code) {
    if (code == QLatin1String("1")) return QStringLiteral("SI");
    if (code == QLatin1String("0")) return QStringLiteral("NO");
    return code;
}

}  // namespace klv
