#include "declaration_print.h"

#include "format.h"
#include "param_lookups.h"
#include "totals.h"

#include <QHash>
#include <QSqlQuery>

namespace klv {
namespace {

constexpr int kStep = 270;
constexpr int kTopY = 1700;         // first row under the page header
constexpr int kTopYTotals = 1950;   // first row of a page the totals break to
constexpr int kLastY = 6830;        // below it the totals move to a new page
constexpr int kFirstPageUnits = 32;
constexpr int kLaterPageUnits = 66;

// Every stored transaction of the declaration with a known method and indicator; the amount of
// origin by method and indicator. The party is joined on the declaration's form code.
constexpr const char* kListQuery =
    "SELECT T.COR_TRANSACCION, P.RAZON_SOCIAL, T.TIP_DOC_P, T.DOC_ID_P, T.FLAG_VAL_MET, T.COD_TIP_MONEDA,"
    " T.NOM_OTRO_TIP_MON,"
    " CASE WHEN T.FLAG_VAL_MET='00' AND T.IND_TRANSAC_FIN='0' THEN T.MTO_SIN_TRAN_MON_ORI"
    " WHEN T.FLAG_VAL_MET='00' THEN T.MTO_SIN_CAP_MON_ORI"
    " WHEN T.FLAG_VAL_MET='01' AND T.IND_TRANSAC_FIN='0' THEN T.MTO_TRAN_MON_ORI"
    " WHEN T.FLAG_VAL_MET='01' THEN T.MTO_INTS_MON_ORI"
    " WHEN T.IND_TRANSAC_FIN='0' THEN T.MTO_TRA_MON_ORI"
    " ELSE T.MTO_TOT_CAP_MON_ORI END"
    " FROM TRANSACCION2 T LEFT JOIN PAR_VIN P ON P.TIP_DOC_D=T.TIP_DOC_D AND P.DOC_ID_D=T.DOC_ID_D"
    " AND P.TIP_DOC_P=T.TIP_DOC_P AND P.DOC_ID_P=T.DOC_ID_P AND P.FORMULARIO=?"
    " WHERE T.TIP_DOC_D=? AND T.PERIODO=? AND T.DOC_ID_D=?"
    " AND T.FLAG_VAL_MET IN ('00','01','02') AND T.IND_TRANSAC_FIN IN ('0','1')"
    " ORDER BY P.RAZON_SOCIAL COLLATE KLV_TEXT, T.COR_TRANSACCION, T.TIP_DOC_P, T.DOC_ID_P";

QString text(const QVariant& v) { return v.isNull() ? QString() : v.toString(); }

QString methodText(const QString& flag) {
    if (flag == QLatin1String("00")) return QStringLiteral("SIN ESTUDIO TÉCNICO DE PRECIOS");
    if (flag == QLatin1String("01")) return QStringLiteral("TRADICIONAL");
    return QStringLiteral("OTROS METODOS");
}

// PARAM '883' is keyed by the code written with three digits.
QString currencyArgument(const QString& code) {
    if (const auto n = fmt::toNumber(code)) return fmt::format(*n, QStringLiteral("000"));
    return code;
}

class DeclarationPrint {
public:
    DeclarationPrint(AppContext& ctx, const ReportRequest& request, ReportWriter& writer)
        : ctx_(ctx), r_(request), w_(writer), st_(writer.state()) {}

    void run() {
        st_.PagDecl = 0;
        st_.PosYDecl = kTopY;
        st_.ContLineas = 0;
        st_.Pagina = 1;
        w_.udp_ImpLineaTag(markup::Tag::Font, markup::kFontCourierNew);
        w_.udp_ImpLineaTag(markup::Tag::NHojas, QStringLiteral("1"));
        w_.udp_ImpLineaTag(markup::Tag::Orientacion, markup::kLandscape);
        w_.udp_ImpLineaTag(markup::Tag::Color, markup::kColorLightCyan);
        st_.FilasDecl = 0;
        tipoDocumento_ = udf_DesTipDoc(ctx_, r_.tipDoc.trimmed());
        udp_CabDeclaracion();
        udp_PregDeclaracion();
        udp_TransDeclaracion();
    }

private:
    void put(int x, const QString& s, bool bold, int size) {
        w_.udp_ImpPos(x, st_.PosYDecl, s, bold ? -1 : 0, size, st_.PagDecl);
    }
    void down(int dy) { st_.PosYDecl += dy; }

    void udp_CabDeclaracion() {
        const int p = st_.PagDecl;
        w_.udp_ImpPos(380, 350, QStringLiteral("MERVA"), -1, 16, p);
        w_.udp_ImpPos(360, 750, QStringLiteral("DECLARACION"), 0, 8, p);
        w_.udp_ImpPos(600, 1330, ctx_.gFormulario, -1, 12, p);
        w_.udp_ImpCuadro(150, 300, 1700, 1640, p);
        w_.udp_ImpPos(4000, 420, QStringLiteral("KLV PRECIOS DE TRANSFERENCIA"), -1, 9, p);
        w_.udp_ImpPos(2650, 650, QStringLiteral(" "), 0, 7, p);
        w_.udp_ImpCuadro(1700, 300, 8500, 1100, p);
        w_.udp_ImpPos(1750, 1170, tipoDocumento_, 0, 8, p);
        w_.udp_ImpPos(3500, 1170, r_.docIdD, -1, 8, p);
        w_.udp_ImpCuadro(1700, 1100, 3400, 1370, p);
        w_.udp_ImpCuadro(3400, 1100, 8500, 1370, p);
        w_.udp_ImpPos(1750, 1450, QStringLiteral("RAZON SOCIAL"), 0, 8, p);
        w_.udp_ImpPos(3500, 1450, r_.razonSocial.left(32), -1, 8, p);
        w_.udp_ImpCuadro(1700, 1370, 3400, 1640, p);
        w_.udp_ImpCuadro(3400, 1370, 8500, 1640, p);
        w_.udp_ImpCuadro(6860, 1370, 7700, 1640, p);
        w_.udp_ImpPos(6910, 1450, QStringLiteral("PERIODO"), 0, 8, p);
        w_.udp_ImpPos(7740, 1450, r_.periodo, -1, 8, p);
        w_.udp_ImpPos(9080, 400, QStringLiteral("Copia para el"), 0, 8, p);
        w_.udp_ImpPos(8750, 700, QStringLiteral("Declarante (Pag. %1)").arg(p + 1), 0, 9, p);
        w_.udp_ImpCuadro(8500, 300, 11000, 1100, p);
        w_.udp_ImpCuadro(8500, 1100, 11000, 1640, p);
    }

    void udp_PregDeclaracion() {
        down(2 * kStep);
        put(300, QStringLiteral("1) ¿Está Autorizado a Llevar Contabilidad en Moneda Extranjera?                      :  ") + r_.autContExt, true, 9);
        down(2 * kStep);
        if (QString::compare(r_.periodo, QLatin1String("2012")) < 0) {
            put(300, QStringLiteral("2) ¿Está obligado a contar con Estudio Técnico de Precios de Transferencia; por las  "), true, 9);
            down(kStep);
            put(300, QStringLiteral("transacciones distintas a las realizadas desde hacia o a través de Países o Territorios"), true, 9);
            down(kStep);
            put(300, QStringLiteral("considerados de Baja o Nula imposición?                                              :  ") + r_.estTecPT, true, 9);
        } else {
            put(300, QStringLiteral(" "), true, 9);
            down(kStep);
            put(300, QStringLiteral("2) ¿Está obligado a presentar el Estudio Técnico de Precios Transferencia?           :  ") + r_.estTecPT, true, 9);
            down(kStep);
            put(300, QStringLiteral(" "), true, 9);
        }
        down(2 * kStep);
        put(300, QStringLiteral("3) Ingrese RUC de la consultora o profesional independiente que formuló el Estudio Técnico de Precios "), true, 9);
        down(kStep);
        put(300, QStringLiteral("de Precios de Transferencia del declarante. (Si el estudio fue formulado por el declarante,"), true, 9);
        down(kStep);
        put(300, QStringLiteral("ingresar el número RUC del declarante).                                              :  ") + r_.rucEstudio, true, 9);
    }

    void pageBreak(int topY) {
        ++st_.PagDecl;
        st_.Pagina = st_.PagDecl + 1;
        st_.FilasDecl = 0;
        w_.udp_NuevaHoja();
        udp_CabDeclaracion();
        st_.PosYDecl = topY;
    }

    // Row units used by the totals: a full page breaks to a new one, y from 1950.
    void check(int units) {
        st_.FilasDecl += units;
        if (st_.FilasDecl >= kFirstPageUnits) pageBreak(kTopYTotals);
    }

    void udp_TransDeclaracion() {
        QHash<QString, QString> docTypes, currencies;
        {
            QSqlQuery q = ctx_.db().exec(
                QStringLiteral("SELECT Numero, Argumento, Funcion FROM PARAM WHERE Numero IN ('044','883')"));
            while (q.next()) {
                if (text(q.value(0)) == QLatin1String("044"))
                    docTypes.insert(text(q.value(1)), text(q.value(2)).mid(31, 12));
                else
                    currencies.insert(text(q.value(1)), text(q.value(2)));
            }
        }
        QSqlQuery q = ctx_.db().exec(QString::fromLatin1(kListQuery),
                                     {textValue(ctx_.gFormulario), fmt::val(r_.tipDoc), textValue(r_.periodo),
                                      textValue(r_.docIdD)});
        if (!q.next()) return;

        down(2 * kStep);
        put(300, QString(), true, 9);
        down(kStep);
        put(6250, QStringLiteral("TRANSACCIONES REALIZADAS CON INFORMADOS"), true, 9);
        put(6250, QString(39, QLatin1Char('_')), true, 9);
        down(2 * kStep);
        put(300, QStringLiteral("N°   TIPO DOC.     NUM.DOC.       DESCRIPCION DEL INFORMADO                VALORACION POR MÉTODO             MONEDA DE ORIGEN         MTO MON.ORIGEN"), true, 9);
        down(kStep);
        put(300, QString(150, QLatin1Char('=')), true, 9);
        down(kStep);

        long long n = 0;
        bool more = true;
        while (more) {
            ++n;
            down(kStep);
            const QString moneda = currencies.value(currencyArgument(text(q.value(5))));
            const QVariant otra = q.value(6);
            const QString amountText = text(q.value(7));
            const auto amount = fmt::amountOrZero(amountText);
            put(300, QString::number(n), false, 8);
            put(700, docTypes.value(QString::number(q.value(2).toInt())).trimmed().left(11), false, 8);
            put(2000, text(q.value(3)).trimmed().left(30), false, 8);
            put(3900, text(q.value(1)).left(40), false, 8);
            put(8300, methodText(text(q.value(4))), false, 8);
            put(11550, moneda, false, 8);
            put(11550, otra.isNull() ? QString() : moneda + QLatin1Char(' ') + otra.toString(), false, 8);
            put(13850,
                udf_AlinearDerecha(amount ? fmt::format(*amount, QStringLiteral("###,###,###,##0.00")) : amountText, 18),
                false, 8);
            more = q.next();
            st_.FilasDecl += 2;
            if (st_.FilasDecl >= (st_.PagDecl == 0 ? kFirstPageUnits : kLaterPageUnits)) pageBreak(kTopY);
        }

        down(kStep);
        put(300, QString(150, QLatin1Char('=')), true, 9);
        down(kStep);
        put(300, QStringLiteral("%1 Transacciones realizadas.").arg(n), false, 8);
        if (st_.PosYDecl > kLastY) {
            pageBreak(kTopY);
            st_.FilasDecl = 3;
        } else {
            down(2 * kStep);
            st_.FilasDecl += 5;
        }
        if (st_.FilasDecl >= kFirstPageUnits) pageBreak(kTopYTotals);
        put(300,
            QStringLiteral("MONEDA DE REGISTRO : ") + (r_.autContExt == QLatin1String("NO")
                                                         ? QStringLiteral("Nuevos Soles-Peru")
                                                         : QStringLiteral("Dolar de EE.UU.-EE.UU.")),
            true, 9);
        put(300, QString(19, QLatin1Char('_')), true, 9);
        down(kStep);

        upd_TotalizarMtoTransacc(ctx_, static_cast<int>(fmt::val(r_.tipDoc)), r_.periodo, r_.docIdD, kCallerImpRep);
        auto amountLine = [&](const QString& label, const QString& total) {
            down(kStep);
            put(3500, label + udf_AlinearDerecha(total, 18), false, 9);
        };
        down(kStep);
        check(2);
        put(900, QStringLiteral("SIN ESTUDIO TÉCNICO"), false, 9);
        amountLine(QStringLiteral("MONTO DE TRANSACCIONES ACUMULADO : "), ctx_.gTotMtoTran00);
        down(2 * kStep);
        check(2);
        put(900, QStringLiteral("MÉTODOS TRADICIONALES"), false, 9);
        amountLine(QStringLiteral("MONTO SIN AJUSTAR ACUMULADO      : "), ctx_.gTotMtoSinAju01);
        amountLine(QStringLiteral("MONTO AJUSTADO ACUMULADO         : "), ctx_.gTotMtoAju01);
        down(2 * kStep);
        check(3);
        put(900, QStringLiteral("OTROS MÉTODOS"), false, 9);
        amountLine(QStringLiteral("MONTO DE TRANSACCIONES ACUMULADO : "), ctx_.gTotMtoTran02);
        amountLine(QStringLiteral("MONTO DE AJUSTE POSITIVO         : "), ctx_.gTotMtoAjuPos02);
        amountLine(QStringLiteral("MONTO DE AJUSTE NEGATIVO         : "), ctx_.gTotMtoAjuNeg02);
        // The last check counts the block's units; nothing follows it, so it never opens a page
        // that would hold only the header.
        st_.FilasDecl += 2;
    }

    AppContext& ctx_;
    const ReportRequest& r_;
    ReportWriter& w_;
    EstadoImpresion& st_;
    QString tipoDocumento_;
};

}  // namespace

std::optional<DeclarationAnswers> CargarCasillas(const AppContext& ctx, const QString& tipDoc, const QString& docIdD,
                                                 const QString& periodo) {
    QSqlQuery q = ctx.db().exec(
        QStringLiteral("SELECT AUTCONTEXT, ESTTECPT, RUC FROM IDENTIFICA2 WHERE TIP_DOC_D=? AND DOC_ID_D=? AND "
                       "PERIODO=? AND FORMULARIO=?"),
        {fmt::val(tipDoc), textValue(docIdD), textValue(periodo), textValue(ctx.gFormulario)});
    if (!q.next()) return std::nullopt;
    auto yesNo = [](const QVariant& v) {
        return text(v).trimmed() == QLatin1String("1") ? QStringLiteral("SI") : QStringLiteral("NO");
    };
    return DeclarationAnswers{yesNo(q.value(0)), yesNo(q.value(1)), text(q.value(2)).trimmed()};
}

std::vector<StoredDeclaration> listPrintableDeclarations(const AppContext& ctx) {
    QString sql = QStringLiteral(
        "SELECT I.TIP_DOC_D, I.DOC_ID_D, I.PERIODO, C.NOMBRE, I.AUTCONTEXT, I.ESTTECPT, I.FORMULARIO "
        "FROM IDENTIFICA2 I, CONT C WHERE I.TIP_DOC_D=C.TIP_DOC_D AND I.DOC_ID_D=C.DOC_ID_D");
    QVariantList params;
    if (udf_TipoUsuario(ctx) != QLatin1String("0")) {
        sql += QStringLiteral(" AND C.USUARIO=?");
        params << textValue(ctx.gSysUser);
    }
    sql += QStringLiteral(" ORDER BY I.DOC_ID_D ASC, I.PERIODO DESC, I.FORMULARIO");
    QSqlQuery q = ctx.db().exec(sql, params);
    std::vector<StoredDeclaration> out;
    while (q.next())
        out.push_back({q.value(0).toInt(), text(q.value(1)), text(q.value(2)), text(q.value(3)), text(q.value(4)),
                       text(q.value(5)), text(q.value(6))});
    return out;
}

void udp_RepDeclaracion(AppContext& ctx, const ReportRequest& request, ReportWriter& writer) {
    DeclarationPrint(ctx, request, writer).run();
}

}  // namespace klv
