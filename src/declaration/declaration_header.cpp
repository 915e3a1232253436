#include "declaration_header.h"

#include "declaration_sql.h"
#include "format.h"
#include "param_lookups.h"

#include <QDir>
#include <QSqlRecord>

namespace klv {

DeclarantNames readDeclarant(const AppContext& ctx, const QString& ruc, bool ownOnly) {
    QString sql = QStringLiteral("SELECT Nombre, TIPO_INGRESO, NOMBRE_1, Apellido_P, Apellido_M FROM CONT"
                                 " WHERE TIP_DOC_D=6 AND DOC_ID_D=?");
    QVariantList params{textValue(ruc)};
    if (ownOnly && fmt::val(udf_TipoUsuario(ctx)) != 0) {
        sql += QStringLiteral(" AND USUARIO=?");
        params << textValue(ctx.gSysUser);
    }
    DeclarantNames d;
    const auto rows = ctx.db().rows(sql + QStringLiteral(" LIMIT 1"), params);
    if (rows.empty()) return d;
    const QSqlRecord& r = rows.front();
    d.found = true;
    d.nombre = decl::text(r.value(0));
    d.tipoIngreso = r.value(1).toInt();
    d.nombre1 = decl::text(r.value(2));
    d.apellidoP = decl::text(r.value(3));
    d.apellidoM = decl::text(r.value(4));
    return d;
}

AttachedStudy readAttachedStudy(const AppContext& ctx, const DeclarationKey& key) {
    AttachedStudy s;
    const auto rows = ctx.db().rows(
        QStringLiteral("SELECT RutArc, tamarc, nomarc FROM EFCONTROLNS WHERE %1 AND TAB_D='PDF' LIMIT 1").arg(decl::keyCondition()),
        decl::keyParams(key));
    if (rows.empty()) return s;
    s.found = true;
    s.rutArc = decl::text(rows.front().value(0));
    s.tamarc = decl::text(rows.front().value(1));
    s.nomarc = decl::text(rows.front().value(2));
    return s;
}

QString attachedStudyPath(const AttachedStudy& study) {
    if (study.rutArc.trimmed().isEmpty()) return QString();
    return QDir(study.rutArc).filePath(study.nomarc);
}

void deleteAttachedStudy(const AppContext& ctx, const DeclarationKey& key) {
    ctx.db().exec(QStringLiteral("DELETE FROM EFCONTROLNS WHERE %1 AND SEMANA=0 AND TAB_D='PDF'").arg(decl::keyCondition()),
                  decl::keyParams(key));
}

}  // namespace klv
