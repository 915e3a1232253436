#include "declaration_store.h"

#include <QSqlQuery>

namespace klv {

std::vector<StoredDeclaration> listStoredDeclarations(const Database& db) {
    QSqlQuery q = db.exec(QStringLiteral(
        "SELECT I.TIP_DOC_D, I.DOC_ID_D, I.PERIODO, C.NOMBRE AS RAZON_SOCIAL, I.AUTCONTEXT, I.ESTTECPT, "
        "I.FORMULARIO FROM IDENTIFICA2 I, CONT C WHERE I.TIP_DOC_D=C.TIP_DOC_D AND I.DOC_ID_D=C.DOC_ID_D "
        "ORDER BY I.TIP_DOC_D, I.DOC_ID_D, I.PERIODO, I.FORMULARIO"));
    std::vector<StoredDeclaration> out;
    while (q.next()) {
        StoredDeclaration d;
        d.tipDocD = q.value(0).toInt();
        d.docIdD = q.value(1).toString();
        d.periodo = q.value(2).toString();
        d.razonSocial = q.value(3).toString();
        d.autContExt = q.value(4).toString();
        d.estTecPt = q.value(5).toString();
        d.formulario = q.value(6).toString();
        out.push_back(d);
    }
    return out;
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
