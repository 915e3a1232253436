#include "param_lookups.h"

#include "app_context.h"
#include "format.h"
#include "text_order.h"
#include "utilitarios.h"

#include <QRegularExpression>
#include <QSqlQuery>

namespace klv {
namespace {

// Used when the document type has no parameters of its own: the RUC, length 11, data kind 5,
// length rule 0.
const QString kFuncionRucPorDefecto = QStringLiteral(
    "REG. UNICO DE CONTRIBUYENTES   RUC           11 000110 01 000001000001100111011111                   "
    "                        0 5 0");

QString text(const QVariant& v) { return v.isNull() ? QString(QLatin1String("")) : v.toString(); }

// A code shown with two digits ('6' -> 06, '005' -> 05); a code that is not a number stays as is.
QString dosDigitos(const QString& argumento) {
    const QString t = argumento.trimmed();
    const auto n = fmt::toNumber(t);
    return n ? fmt::format(*n, QStringLiteral("00")) : t;
}

// A numeric key part as the engine compares it ("6" -> 6).
QVariant numeroSql(const QString& s) {
    const double v = fmt::val(s);
    if (v == static_cast<double>(static_cast<long long>(v))) return QVariant(static_cast<long long>(v));
    return QVariant(v);
}

QString placeholders(qsizetype n) {
    QStringList marks;
    for (qsizetype i = 0; i < n; ++i) marks << QStringLiteral("?");
    return marks.join(QLatin1Char(','));
}

// (Argumento, Funcion) of the rows of a group whose code is in the list, ordered by code.
std::vector<std::pair<QString, QString>> filasDeLista(const AppContext& ctx, const QString& numero,
                                                      const QStringList& codigos) {
    std::vector<std::pair<QString, QString>> out;
    if (codigos.isEmpty()) return out;
    QVariantList params{numero};
    for (const QString& c : codigos) params << c;
    Query q = ctx.db().exec(QStringLiteral("SELECT Argumento, Funcion FROM PARAM WHERE Numero = ? AND "
                                               "Argumento IN (%1) ORDER BY Argumento")
                                    .arg(placeholders(codigos.size())),
                                params);
    while (q.next()) out.emplace_back(text(q.value(0)), text(q.value(1)));
    return out;
}

QStringList empezar(bool blank) {
    QStringList items;
    if (blank) items << itemEnBlanco();
    return items;
}

// A Jet Like pattern as a regular expression over the whole text, case-blind.
QRegularExpression patronLike(const QString& patron) {
    QString re;
    for (qsizetype i = 0; i < patron.size(); ++i) {
        const QChar c = patron[i];
        if (c == QLatin1Char('*')) {
            re += QStringLiteral(".*");
        } else if (c == QLatin1Char('?')) {
            re += QLatin1Char('.');
        } else if (c == QLatin1Char('#')) {
            re += QStringLiteral("[0-9]");
        } else if (c == QLatin1Char('[')) {
            const qsizetype end = patron.indexOf(QLatin1Char(']'), i + 1);
            if (end < 0) {
                re += QRegularExpression::escape(QString(c));
                continue;
            }
            QString clase = patron.mid(i + 1, end - i - 1);
            QString cls;
            if (clase.startsWith(QLatin1Char('!'))) {
                cls += QLatin1Char('^');
                clase.remove(0, 1);
            }
            for (QChar k : clase)
                cls += (k == QLatin1Char('-')) ? QString(k) : QRegularExpression::escape(QString(k));
            re += QLatin1Char('[') + cls + QLatin1Char(']');
            i = end;
        } else {
            re += QRegularExpression::escape(QString(c));
        }
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(re),
                              QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
}

}  // namespace

QString itemEnBlanco() { return QString(75, QLatin1Char(' ')); }

QStringList udf_ItemsTiposDoc(const AppContext& ctx, const QStringList& codigos, bool blank) {
    QStringList items = empezar(blank);
    for (const auto& [argumento, funcion] : filasDeLista(ctx, QStringLiteral("044"), codigos)) {
        const QString tipoDoc = funcion.mid(0, 30);
        // Each part keeps its width, so the data-type digit stays at 71 and the rule at 73.
        const QString lenDoc = funcion.mid(45, 2).trimmed().rightJustified(2, QLatin1Char(' '));
        const QString tipoDato = funcion.mid(127, 1).trimmed().leftJustified(1, QLatin1Char(' '));
        const QString tipoLongitud = funcion.mid(129, 1).trimmed().leftJustified(1, QLatin1Char(' '));
        items << dosDigitos(argumento) + QStringLiteral("  -  ") + ctx.gUtil->RellenaTexto(tipoDoc, 60) + lenDoc +
                     QLatin1Char(' ') + tipoDato + QLatin1Char(' ') + tipoLongitud;
    }
    return items;
}

QStringList udf_ItemsParam(const AppContext& ctx, const QString& numero) {
    QStringList items;
    Query q = ctx.db().exec(QStringLiteral("SELECT Argumento, Funcion FROM PARAM WHERE Numero = ?"), {numero});
    while (q.next()) items << text(q.value(0)) + QStringLiteral("   ") + text(q.value(1)).mid(0, 60);
    return items;
}

QStringList udf_ItemsContribuyentes(const AppContext& ctx, const QString& tipDoc) {
    QStringList items;
    const SqlStatement st = udf_SqlContribuyentes(ctx, tipDoc);
    Query q = ctx.db().exec(st.sql, st.params);
    // The document and the name are the second and fourth columns of CONT.
    while (q.next()) items << udf_ItemContribuyente(text(q.value(1)), text(q.value(3)));
    return items;
}

QString udf_ItemContribuyente(const QString& document, const QString& name) {
    return document.mid(0, 15).trimmed() + QString(11, QLatin1Char(' ')) + name + QString(10, QLatin1Char(' '));
}

SqlStatement udf_SqlContribuyentes(const AppContext& ctx, const QString& tipDoc) {
    QString funcion = kFuncionRucPorDefecto;
    const auto filas = ctx.db().rows(
        QStringLiteral("SELECT Funcion FROM PARAM WHERE Numero = '044' AND Argumento = ?"), {tipDoc});
    if (!filas.empty()) funcion = text(filas.front().value(0));

    SqlStatement st;
    st.sql = QStringLiteral("SELECT * FROM CONT WHERE Tip_doc_d = ?");
    st.params << numeroSql(tipDoc);
    if (fmt::val(funcion.mid(45, 2)) == 11 && fmt::val(funcion.mid(129, 1)) == 1)
        st.sql += QStringLiteral(" AND length(trim(Doc_id_d)) = 11");
    if (udf_TipoUsuario(ctx) != QLatin1String("0")) {
        st.sql += QStringLiteral(" AND Usuario = ?");
        st.params << textValue(ctx.gSysUser);
    }
    st.sql += QStringLiteral(" ORDER BY Tip_doc_d, Doc_id_d");
    return st;
}

QStringList udf_ItemsParamLike(const AppContext& ctx, const QString& numero, const QString& patron, int largo,
                               int inicio, bool blank) {
    QStringList items = empezar(blank);
    const QRegularExpression re = patronLike(patron);
    Query q = ctx.db().exec(QStringLiteral("SELECT Argumento, Funcion FROM PARAM WHERE Numero = ?"), {numero});
    std::vector<std::pair<QString, QString>> filas;
    while (q.next()) {
        const QString argumento = text(q.value(0));
        if (!re.match(argumento).hasMatch()) continue;
        filas.emplace_back(argumento, text(q.value(1)).mid(std::max(inicio, 1) - 1, std::max(largo, 0)));
    }
    // Ordered by the text shown, in the order of names (without case, accents beside their letter).
    std::stable_sort(filas.begin(), filas.end(), [](const auto& a, const auto& b) { return textLess(a.second, b.second); });
    for (const auto& [argumento, func] : filas) {
        const QString texto = func.left(15).trimmed().isEmpty() ? QString() : func;
        items << ctx.gUtil->RellenaTexto(argumento, 12) + QString(5, QLatin1Char(' ')) + texto;
    }
    return items;
}

QStringList udf_ItemsMonedas(const AppContext& ctx, const QStringList& codigos, bool blank) {
    QStringList items = empezar(blank);
    for (const auto& [argumento, funcion] : filasDeLista(ctx, QStringLiteral("883"), codigos))
        items << dosDigitos(argumento) + QStringLiteral("  -  ") + ctx.gUtil->RellenaTexto(funcion.mid(0, 30), 60);
    return items;
}

QString udf_DescripcionParam395(const AppContext& ctx, const QString& codigo) {
    const auto filas = ctx.db().rows(
        QStringLiteral("SELECT Funcion FROM PARAM WHERE Numero = '395' AND Argumento = ?"), {codigo});
    if (filas.empty()) return QString(QLatin1String(""));
    return text(filas.front().value(0)).mid(0, 100);
}

QString udf_TipoUsuario(const AppContext& ctx) {
    const auto filas =
        ctx.db().rows(QStringLiteral("SELECT Tipo FROM CLAVES WHERE Usuario = ?"), {textValue(ctx.gSysUser)});
    if (filas.empty()) return QStringLiteral("1");
    return text(filas.front().value(0));
}

}  // namespace klv
