#include "declaration_print.h"

#include "declaration_print_list.h"
#include "format.h"
#include "param_lookups.h"
#include "row_cursor.h"
#include "totals.h"

#include <QHash>
#include <QSqlQuery>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

namespace klv {
namespace {

constexpr int kStep = 270;
constexpr int kTopY = 1700;         // first row under the page header
constexpr int kTopYTotals = 1950;   // first row of a page the totals break to
constexpr int kLastY = 6830;        // below it the totals move to a new page
constexpr int kFirstPageUnits = 32;
constexpr int kLaterPageUnits = 66;

constexpr const char* kListQuery = KLV_DECLARATION_PRINT_LIST;
// The declaration's stored transactions, by its key alone.
constexpr const char* kCountQuery = "SELECT count(*) FROM TRANSACCION2 WHERE TIP_DOC_D=? AND PERIODO=? AND DOC_ID_D=?";
// Rows written between two reports of the share done.
constexpr long long kRowsStep = 2000;

// The report is set in a fixed-pitch font with Courier New's metrics: every character is 0.6 of the
// size wide (12 twips a point) and the baseline lies 0.8325 of the size (16.65 twips a point) below
// the top of the character cell.
constexpr int kCharTwipsPerPoint = 12;
constexpr double kAscentTwipsPerPoint = 16.65;
constexpr int kGap = 40;  // kept clear before the next column or a box's line

// Where a text is set, and how large, so that it lies whole in the span [left, right) of its column
// or box.
struct Placement {
    int x;
    int dy;  // moves a smaller text down onto the baseline of its row
    int size;
};

// A text that fits keeps its position and size. One that does not, but would fit between the
// box's left line and `right`, ends at `right`. Any other is set smaller, from its position (or the
// box's line, when that lies left of it), on the same baseline. Nothing is cut or wrapped.
Placement placeInside(const QString& s, int x, int size, int left, int right) {
    const int limit = right - kGap;
    const int chars = static_cast<int>(s.size());
    const int width = chars * kCharTwipsPerPoint * size;
    if (x + width <= limit) return {x, 0, size};
    const int start = std::min(x, left + kGap);
    if (limit - width >= start) return {limit - width, 0, size};
    const int smaller = std::max(1, (limit - start) / (chars * kCharTwipsPerPoint));
    return {start, static_cast<int>(std::lround((size - smaller) * kAscentTwipsPerPoint)), smaller};
}

QString text(const QVariant& v) { return v.isNull() ? QString() : v.toString(); }

QString methodText(std::string_view flag) {
    if (flag == "00") return QStringLiteral("SIN ESTUDIO TÉCNICO DE PRECIOS");
    if (flag == "01") return QStringLiteral("TRADICIONAL");
    return QStringLiteral("OTROS METODOS");
}

// A column's value as an int, as QVariant's toInt reads it: a whole decimal number that fits an
// int reads the same whether it is stored as a text or as an integer, so it is read from the bytes,
// without a QVariant; any other value goes the QVariant way.
int intOf(const RowCursor& q, int col) {
    const std::string_view b = q.bytes(col);
    int n = 0;
    const auto [end, error] = std::from_chars(b.data(), b.data() + b.size(), n);
    if (!b.empty() && error == std::errc() && end == b.data() + b.size()) return n;
    return q.value(col).toInt();
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
    // A text inside the span [left, right) of its box or column (placeInside).
    void putInside(int left, int right, int x, int y, const QString& s, bool bold, int size, int page) {
        const Placement at = placeInside(s, x, size, left, right);
        w_.udp_ImpPos(at.x, y + at.dy, s, bold ? -1 : 0, at.size, page);
    }
    // A text of the current row in the column from x to `right`.
    void putColumn(int x, int right, const QString& s, int size) {
        putInside(x, right, x, st_.PosYDecl, s, false, size, st_.PagDecl);
    }
    void down(int dy) { st_.PosYDecl += dy; }

    void udp_CabDeclaracion() {
        const int p = st_.PagDecl;
        auto boxed = [&](int left, int right, int x, int y, const QString& s, bool bold, int size) {
            putInside(left, right, x, y, s, bold, size, p);
        };
        boxed(150, 1700, 380, 350, QStringLiteral("MERVA"), true, 16);
        boxed(150, 1700, 360, 750, QStringLiteral("DECLARACION"), false, 8);
        boxed(150, 1700, 600, 1330, ctx_.gFormulario, true, 12);
        w_.udp_ImpCuadro(150, 300, 1700, 1640, p);
        boxed(1700, 8500, 4000, 420, QStringLiteral("KLV PRECIOS DE TRANSFERENCIA"), true, 9);
        boxed(1700, 8500, 2650, 650, QStringLiteral(" "), false, 7);
        w_.udp_ImpCuadro(1700, 300, 8500, 1100, p);
        boxed(1700, 3400, 1750, 1170, tipoDocumento_, false, 8);
        boxed(3400, 8500, 3500, 1170, r_.docIdD, true, 8);
        w_.udp_ImpCuadro(1700, 1100, 3400, 1370, p);
        w_.udp_ImpCuadro(3400, 1100, 8500, 1370, p);
        boxed(1700, 3400, 1750, 1450, QStringLiteral("RAZON SOCIAL"), false, 8);
        boxed(3400, 6860, 3500, 1450, r_.razonSocial.left(32), true, 8);
        w_.udp_ImpCuadro(1700, 1370, 3400, 1640, p);
        w_.udp_ImpCuadro(3400, 1370, 8500, 1640, p);
        w_.udp_ImpCuadro(6860, 1370, 7700, 1640, p);
        boxed(6860, 7700, 6910, 1450, QStringLiteral("PERIODO"), false, 8);
        boxed(7700, 8500, 7740, 1450, r_.periodo, true, 8);
        boxed(8500, 11000, 9080, 400, QStringLiteral("Copia para el"), false, 8);
        boxed(8500, 11000, 8750, 700, QStringLiteral("Declarante (Pag. %1)").arg(p + 1), false, 9);
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
            Query q = ctx_.db().exec(
                QStringLiteral("SELECT Numero, Argumento, Funcion FROM PARAM WHERE Numero IN ('044','883')"));
            while (q.next()) {
                if (text(q.value(0)) == QLatin1String("044"))
                    docTypes.insert(text(q.value(1)), text(q.value(2)).mid(31, 12));
                else
                    currencies.insert(text(q.value(1)), text(q.value(2)));
            }
        }
        const QVariantList key{textValue(ctx_.gFormulario), fmt::val(r_.tipDoc), textValue(r_.periodo),
                               textValue(r_.docIdD)};
        RowCursor q(ctx_.db(), QString::fromLatin1(kListQuery), key);
        if (!q.next()) return;
        // The rows to list, for the share of the work done, counted once the list has been read
        // and ordered: on the key alone, so a row of an unknown method is counted too and the
        // share may stop short of the whole.
        const qint64 total = w_.progress ? ctx_.db().scalar(QString::fromLatin1(kCountQuery), key.mid(1)).toLongLong() : 0;

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

        // The texts a row takes from the reference rows, by the row's code: found once a print.
        QHash<int, QString> docTypeOf;
        QHash<QString, QString> currencyOf;
        std::string lastCode;
        bool haveCurrency = false;
        QString moneda;
        long long n = 0;
        bool more = true;
        while (more) {
            ++n;
            if (total > 0 && n % kRowsStep == 0) w_.progress(std::min<qint64>(n, total), total);
            down(kStep);
            // Rows come in runs of one currency: its text is looked up again only when the code's
            // bytes change (equal bytes are an equal text).
            if (const std::string_view code = q.bytes(5); !haveCurrency || code != lastCode) {
                const QString text = q.text(5);
                auto currency = currencyOf.constFind(text);
                if (currency == currencyOf.cend()) currency = currencyOf.insert(text, currencies.value(currencyArgument(text)));
                moneda = *currency;
                lastCode.assign(code);
                haveCurrency = true;
            }
            const int tipDocP = intOf(q, 2);
            auto docType = docTypeOf.constFind(tipDocP);
            if (docType == docTypeOf.cend())
                docType = docTypeOf.insert(tipDocP, docTypes.value(QString::number(tipDocP)).trimmed().left(11));
            const bool otra = !q.isNull(6);
            // A plain number is read from its bytes; any other text as the amount reading takes it.
            QString amountText;
            std::optional<double> amount = fmt::plainNumber(q.bytes(7));
            if (!amount) {
                amountText = q.text(7);
                amount = fmt::amountOrZero(amountText);
            }
            putColumn(300, 700, QString::number(n), 8);
            putColumn(700, 2000, *docType, 8);
            putColumn(2000, 3900, q.text(3).trimmed().left(30), 8);
            putColumn(3900, 8300, q.text(1).left(40), 8);
            putColumn(8300, 11550, methodText(q.bytes(4)), 8);
            // The currency with the other currency's name is written over the currency alone: both
            // where and as large as the longer one fits.
            const QString monedaOtra = otra ? moneda + QLatin1Char(' ') + q.text(6) : QString();
            const Placement m = placeInside(otra ? monedaOtra : moneda, 11550, 8, 11550, 13850);
            w_.udp_ImpPos(m.x, st_.PosYDecl + m.dy, moneda, 0, m.size, st_.PagDecl);
            w_.udp_ImpPos(m.x, st_.PosYDecl + m.dy, monedaOtra, 0, m.size, st_.PagDecl);
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
        // The rows are laid out whole once their totals are read too.
        if (total > 0) w_.progress(std::min<qint64>(n, total), total);
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
    Query q = ctx.db().exec(
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
    Query q = ctx.db().exec(sql, params);
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
