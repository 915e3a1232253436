#include "declaration_checks.h"

#include "declaration_sql.h"
#include "field_checks.h"
#include "format.h"
#include "mensajes.h"
#include "utilitarios.h"

#include <QSqlQuery>

namespace klv {

HeaderCheck udf_Validar(AppContext& ctx, const DeclarationState& st) {
    auto fail = [](DeclFocus focus = DeclFocus::None) { return HeaderCheck{false, focus}; };
    auto catalogue = [&](int number) { udp_Mensaje(ctx, number, kFrmDeclara); };
    const QString ruc = st.ruc();
    const int period = st.periodValue();

    if (st.mode == kModoNuevo && st.modified && udf_Form_Existe(ctx, 6, ruc, st.periodo)) {
        ctx.msg(QStringLiteral("La declaración que desea ingresar ya existe, elija la opción Modificar formularios o "
                               "corrija el periodo"),
                MsgStyle::Critical);
        return fail(st.periodoEnabled ? DeclFocus::MkePeriodo : DeclFocus::None);
    }
    const bool elevenChars = st.rucAutor.size() == 11;
    if ((elevenChars && !ctx.gUtil->ValidaRuc(st.rucAutor.trimmed())) ||
        (!elevenChars && !st.rucAutor.trimmed().isEmpty())) {
        ctx.msg(QStringLiteral("El RUC no es Válido."), MsgStyle::Critical);
        return fail();
    }
    if (st.cboNumDoc.isEmpty()) {
        catalogue(1);
        return fail(DeclFocus::CboNumDoc);
    }
    if (st.razonSocial.isEmpty()) {
        catalogue(1);
        return fail();
    }
    if (st.periodo.trimmed().isEmpty()) {
        catalogue(2);
        return fail(DeclFocus::MkePeriodo);
    }
    if (period < 2006) {
        catalogue(4);
        return fail(DeclFocus::MkePeriodo);
    }
    if (st.answer1.isEmpty()) {
        catalogue(5);
        return fail();
    }
    if (st.answer2.isEmpty()) {
        catalogue(6);
        return fail();
    }
    if (period >= 2012 && st.answer2 == QLatin1String("1") && st.rutaEstudio.trimmed().isEmpty()) {
        catalogue(14);
        return fail();
    }
    ctx.gAutContExt = st.answer1;
    ctx.gNumParVin = udf_NumParVin(ctx, 6, ruc, st.periodo);
    if (ctx.gNumParVin == 0) {
        catalogue(7);
        return fail();
    }
    if (period > ctx.clock->year()) {
        catalogue(11);
        return fail();
    }
    return {};
}

bool udf_Validar_det(const AppContext& ctx, const DeclarationTotals& totals) {
    if (anyJudgedTotalAboveZero(totals)) return true;
    ctx.msg(QStringLiteral("Debe ingresar alguna transacción de monto mayor a cero"), MsgStyle::Critical,
            kCaptionDeclara);
    return false;
}

bool udf_Validar_det_2008(const AppContext& ctx, const DeclarationState& st) {
    if (st.periodValue() < 2008) return true;
    const DeclarationKey key = st.key(ctx);
    // Transactions without technical study (as the grid lists them: financial or not).
    const QString withoutStudy = QStringLiteral("SELECT 1 FROM TMPTRANSACCION2 T WHERE %1 AND T.FLAG_VAL_MET='00'"
                                                " AND T.IND_TRANSAC_FIN IN ('0','1')")
                                     .arg(decl::keyCondition(QStringLiteral("T")));
    QVariant found;
    if (st.answer2 == QLatin1String("0")) {
        // Question 2 answered No: only parties in a tax haven make them inconsistent. The few
        // tax-haven parties are found first, then whether one has such a transaction (through the
        // working table's key), rather than a party looked up for every working transaction.
        QVariantList p{textValue(key.docIdD), textValue(key.formulario)};
        p += decl::keyParams(key);
        found = ctx.db().scalar(
            QStringLiteral("SELECT 1 FROM PAR_VIN P WHERE P.TIP_DOC_D=6 AND P.DOC_ID_D=? AND P.FORMULARIO=?"
                           " AND P.FLAG_PAR_FIS IS NOT NULL AND P.FLAG_PAR_FIS<>'0'"
                           " AND EXISTS (%1 AND T.TIP_DOC_P=P.TIP_DOC_P AND T.DOC_ID_P=P.DOC_ID_P) LIMIT 1")
                .arg(withoutStudy),
            p);
    } else {
        found = ctx.db().scalar(withoutStudy + QStringLiteral(" LIMIT 1"), decl::keyParams(key));
    }
    if (!found.isValid()) return true;
    udp_Mensaje(ctx, 13, kFrmDeclara);
    return false;
}

bool udf_Verificar_Trans(const AppContext& ctx, const DeclarationKey& key) {
    QVariantList p{textValue(key.docIdD), textValue(key.formulario)};
    p += decl::keyParams(key);
    return !ctx.db()
                .scalar(QStringLiteral("SELECT 1 FROM PAR_VIN P WHERE P.TIP_DOC_D=6 AND P.DOC_ID_D=? AND P.FORMULARIO=?"
                                       " AND NOT EXISTS (SELECT 1 FROM TMPTRANSACCION2 T WHERE %1"
                                       " AND T.TIP_DOC_P=P.TIP_DOC_P AND T.DOC_ID_P=P.DOC_ID_P) LIMIT 1")
                            .arg(decl::keyCondition(QStringLiteral("T"))),
                        p)
                .isValid();
}

bool udf_Validar_Datos_NoDom(const AppContext& ctx, const DeclarationKey& key) {
    if (decl::periodValue(key.periodo) < ctx.gAnioNoDom) return true;
    // Non-domiciled parties used by a working transaction, in the order of their first
    // transaction (the working rows are walked by key, party first).
    QVariantList p{textValue(key.docIdD), textValue(key.formulario)};
    p += decl::keyParams(key);
    Query q = ctx.db().exec(
        QStringLiteral("SELECT P.RAZON_SOCIAL, P.COD_NAT_JUR, P.FEC_NAC, P.TIP_DIR_LEGAL, P.DES_DIR_LEGAL"
                       " FROM PAR_VIN P WHERE P.TIP_DOC_D=6 AND P.DOC_ID_D=? AND P.FORMULARIO=?"
                       " AND P.FLAG_CON_DOM='02'"
                       " AND EXISTS (SELECT 1 FROM TMPTRANSACCION2 T WHERE %1"
                       " AND T.TIP_DOC_P=P.TIP_DOC_P AND T.DOC_ID_P=P.DOC_ID_P)"
                       " ORDER BY P.TIP_DOC_P, P.DOC_ID_P")
            .arg(decl::keyCondition(QStringLiteral("T"))),
        p);
    const QString dmy = QStringLiteral("dd/mm/yyyy");
    while (q.next()) {
        const QString name = decl::text(q.value(0));
        const QVariant nature = q.value(1);
        const auto code = fmt::toNumber(decl::text(nature));
        if (nature.isNull() || !code || *code == 9) continue;
        QString detail;
        if (*code == 1) {
            const QString birth = decl::text(q.value(2)).trimmed();
            const auto date = fmt::parseDate(birth);
            if (birth.isEmpty())
                detail = QStringLiteral("El Informado '") + name + QStringLiteral("' no cuenta con una fecha de nacimiento.");
            else if (!date || !ctx.gUtil->ValidaFecha(fmt::formatDate(*date, dmy), QStringLiteral("01/01/1800"),
                                                      QStringLiteral("01/01/2500")))
                detail = QStringLiteral("La fecha de nacimiento del Informado '") + name + QStringLiteral("' no es válida.");
            else if (udf_FechaMayorHoy(ctx, fmt::formatDate(*date, dmy)))
                detail = QStringLiteral("La fecha de nacimiento del Informado '") + name +
                         QStringLiteral("' no debe ser mayor a la fecha actual.");
        }
        if (detail.isEmpty() && q.value(3).isNull())
            detail = QStringLiteral("El Informado '") + name + QStringLiteral("' no ha seleccionado un Tipo de Dirección Legal.");
        if (detail.isEmpty() && q.value(4).isNull())
            detail = QStringLiteral("El Informado '") + name + QStringLiteral("' no ha detallado su Dirección Legal.");
        if (!detail.isEmpty()) {
            ctx.msg(QStringLiteral("A partir del periodo ") + QString::number(ctx.gAnioNoDom) +
                        QStringLiteral(" aquellos Informados con condición 'NO DOMICILIADO' deben ingresar información "
                                       "adicional:\r\n") +
                        detail,
                    MsgStyle::Exclamation);
            return false;
        }
    }
    return true;
}

}  // namespace klv
