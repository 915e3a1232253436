#include "declaration_store.h"

#include "row_cursor.h"

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

void deleteStoredDeclaration(Database& db, const QString& docIdD, const QString& periodo,
                             const QString& formulario) {
    const QVariantList key{docIdD, periodo, formulario};
    Transaction t(db);
    db.exec(QStringLiteral("DELETE FROM TRATIPTRA2 WHERE TIP_DOC_D=6 AND DOC_ID_D=? AND PERIODO=? AND FORMULARIO=?"), key);
    db.exec(QStringLiteral("DELETE FROM TRANSACCION2 WHERE TIP_DOC_D=6 AND DOC_ID_D=? AND PERIODO=? AND FORMULARIO=?"), key);
    db.exec(QStringLiteral("DELETE FROM IDENTIFICA2 WHERE TIP_DOC_D=6 AND DOC_ID_D=? AND PERIODO=? AND FORMULARIO=?"), key);
    db.exec(QStringLiteral("DELETE FROM CAB WHERE TIP_DOC_D=6 AND DOC_ID_D=? AND PERIODO=? AND FORMULARIO=?"), key);
    db.exec(QStringLiteral("DELETE FROM EFCONTROLNS WHERE TIP_DOC_D=6 AND DOC_ID_D=? AND PERIODO=? AND FORMULARIO=? "
                           "AND SEMANA=0 AND TAB_D='PDF'"),
            key);
    t.commit();
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
