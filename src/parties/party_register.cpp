#include "party_register.h"

#include "app_context.h"
#include "database.h"
#include "declaration_queries.h"
#include "format.h"
#include "param_lookups.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace klv {
namespace {

QString text(const QVariant& v) { return v.isNull() ? QString() : v.toString(); }

QString siNo(const QString& valor, const char* si, const char* no) {
    if (valor == QLatin1String(si)) return QStringLiteral("SI");
    if (valor == QLatin1String(no)) return QStringLiteral("NO");
    return valor;
}

const QString kPreguntaTransacciones =
    QStringLiteral("El Informado que desea Eliminar tiene\r\nTransacciones ¿Desea Eliminar el Registro?");
const QString kConfirmaEliminar = QStringLiteral("¿Confirma que va a eliminar la información?");

}  // namespace

QString PartyListRow::texto(int column) const {
    switch (column) {
    case 0: return tipDoc;
    case 1: return party.docIdP;
    case 2: return razonSocial;
    case 3: return siNo(flagConDom, "01", "02");
    case 4: return pais;
    case 5: return siNo(flagParFis, "1", "0");
    case 6: return siNo(flagParVin, "01", "02");
    case 7:
        if (codNatJur == QLatin1String("1")) return QStringLiteral("PERSONA NATURAL");
        if (codNatJur == QLatin1String("2")) return QStringLiteral("PERSONA JURIDICA");
        if (codNatJur == QLatin1String("9")) return QStringLiteral("OTRO TIPO NAT.JUR.");
        return codNatJur;
    case 8: return QString::number(party.tipDocP);
    default: return QString();
    }
}

const QStringList& columnasInformados() {
    static const QStringList captions{
        QStringLiteral("Tipo Doc."),        QStringLiteral("Número de Documento"),
        QStringLiteral("Razón Social o Apellidos y Nombres"),
        QStringLiteral("Condición"),        QStringLiteral("País o Territorio"),
        QStringLiteral("Paraíso"),          QStringLiteral("Parte Vinculada"),
        QStringLiteral("Naturaleza Jurídica"), QStringLiteral("TIPO_DOC")};
    return captions;
}

std::vector<PartyListRow> listarInformados(const AppContext& ctx, int tipDocD, const QString& docIdD) {
    // Outer joins: a party whose country or document type is not in PARAM is still listed (and so
    // can be deleted).
    Query q = ctx.db().exec(
        QStringLiteral("SELECT P.FORMULARIO, P.TIP_DOC_P, P.DOC_ID_P, substr(R.FUNCION, 32, 12), F.FUNCION, "
                       "P.FLAG_PAR_FIS, P.COD_NAT_JUR, P.FLAG_PAR_VIN, P.FLAG_CON_DOM, P.RAZON_SOCIAL "
                       "FROM PAR_VIN P "
                       "LEFT JOIN PARAM R ON R.NUMERO = '044' AND R.ARGUMENTO = CAST(P.TIP_DOC_P AS TEXT) "
                       "LEFT JOIN PARAM F ON F.NUMERO = '976' AND F.ARGUMENTO = P.COD_PAR "
                       "WHERE P.TIP_DOC_D = ? AND P.DOC_ID_D = ? "
                       "ORDER BY P.FORMULARIO, P.TIP_DOC_P, P.DOC_ID_P"),
        {tipDocD, textValue(docIdD)});
    std::vector<PartyListRow> rows;
    while (q.next()) {
        PartyListRow r;
        r.formulario = text(q.value(0));
        r.party.tipDocP = q.value(1).toInt();
        r.party.docIdP = text(q.value(2));
        r.tipDoc = text(q.value(3)).trimmed();
        r.pais = text(q.value(4)).trimmed();
        r.flagParFis = text(q.value(5));
        r.codNatJur = text(q.value(6));
        r.flagParVin = text(q.value(7));
        r.flagConDom = text(q.value(8));
        r.razonSocial = text(q.value(9));
        rows.push_back(std::move(r));
    }
    return rows;
}

QString textoRegistros(int n) { return QLatin1Char(' ') + QString::number(n) + QStringLiteral(" Registros Encontrados."); }

QString nombreDeclarante(const AppContext& ctx, const QString& ruc) {
    QString sql = QStringLiteral("SELECT Nombre FROM CONT WHERE Tip_doc_d = 6 AND Doc_id_d = ?");
    QVariantList params{textValue(ruc)};
    if (fmt::val(udf_TipoUsuario(ctx)) != 0) {
        sql += QStringLiteral(" AND Usuario = ?");
        params << textValue(ctx.gSysUser);
    }
    const auto filas = ctx.db().rows(sql, params);
    return filas.empty() ? QString() : text(filas.front().value(0));
}

void borrarInformado(const AppContext& ctx, const QString& ruc, const Party& parte) {
    Database& db = *ctx.gDB;
    Transaction t(db);
    const QVariantList clave{textValue(ruc), parte.tipDocP, textValue(parte.docIdP)};
    // Every period and form code: the party's stored transactions all go with it.
    for (const char* tabla : {"TRANSACCION2", "TIP_VIN_PAR", "PAR_VIN", "TRATIPTRA2"})
        db.exec(QStringLiteral("DELETE FROM %1 WHERE TIP_DOC_D = 6 AND DOC_ID_D = ? AND TIP_DOC_P = ? AND DOC_ID_P = ?")
                    .arg(QLatin1String(tabla)),
                clave);

    const Declarant declarante{6, ruc};
    const auto periodos = db.rows(
        QStringLiteral("SELECT PERIODO FROM CAB WHERE TIP_DOC_D = 6 AND DOC_ID_D = ? AND FORMULARIO = ?"),
        {textValue(ruc), textValue(ctx.gFormulario)});
    for (const QSqlRecord& f : periodos) {
        const QString periodo = text(f.value(0));
        if (udf_CuentaTransacc(ctx, declarante, periodo) == 0 || !udf_TotalesMetodos(ctx, declarante, periodo))
            db.exec(QStringLiteral("UPDATE CAB SET Estado = 9 WHERE TIP_DOC_D = 6 AND DOC_ID_D = ? AND FORMULARIO = ? "
                                   "AND PERIODO = ?"),
                    {textValue(ruc), textValue(ctx.gFormulario), textValue(periodo)});
    }
    t.commit();
}

bool udp_EliminarInformado(const AppContext& ctx, const QString& ruc, const Party& parte) {
    try {
        if (udf_NumTransaccPartVinc(ctx, Declarant{6, ruc}, parte) >= 1 &&
            ctx.msg(kPreguntaTransacciones, MsgStyle::YesNo | MsgStyle::Question) != MsgAnswer::Yes)
            return false;
        if (ctx.msg(kConfirmaEliminar, MsgStyle::YesNo | MsgStyle::Question | MsgStyle::DefaultButton2) !=
            MsgAnswer::Yes)
            return false;
        borrarInformado(ctx, ruc, parte);
        return true;
    } catch (const DbError& e) {
        mostrarErrorBD(ctx, e);
        return false;
    }
}

void mostrarErrorBD(const AppContext& ctx, const DbError& e) {
    ctx.msg(e.text() + QStringLiteral("\n ") + QString::number(e.number()), MsgStyle::OkOnly, QStringLiteral("Error"));
}

}  // namespace klv
