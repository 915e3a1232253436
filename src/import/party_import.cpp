#include "party_import.h"

#include "app_context.h"
#include "database.h"
#include "field_checks.h"
#include "party_store.h"
#include "utilitarios.h"

namespace klv::import {
namespace {

bool in(const QString& v, std::initializer_list<const char*> list) { return inList(v, list); }

bool anyFlag(const PartyFields& f) {
    for (int i = 12; i <= 25; ++i)
        if (f[i] == QLatin1String("1")) return true;
    return false;
}

}  // namespace

QString codigoCampoVacioInformado(int n) {
    switch (n) {
    case 1: return QStringLiteral("0900");
    case 2: return QStringLiteral("0901");
    case 7: return QStringLiteral("0902");
    case 8: return QStringLiteral("0903");
    case 9: return QStringLiteral("0904");
    case 10: return QStringLiteral("0905");
    default: return QString();
    }
}

QString validaCampoInformado(const AppContext& ctx, const ReferenceCache& ref, int n, const QString& v,
                             const PartyFields& f) {
    const Utilitarios& u = *ctx.gUtil;
    const QString& tipo = f[1];
    const QString& dom = f[7];
    const QString& pais = f[8];
    const QString& kind = f[10];
    QString code;
    auto fail = [&code](const char* c) { code = QString::fromLatin1(c); };
    auto nombre = [&](int max, const char* c) {
        if (v.size() > max || !scanChars(v, [&u](int k) { return u.EsLetraNombre(k, true); })) fail(c);
    };
    switch (n) {
    case 1:
        if (!in(v, {"0", "1", "4", "6", "7", "00", "01", "04", "06", "07", "31", "32"})) fail("0906");
        break;
    case 2: {
        if (v.isEmpty()) fail("0901");
        const qsizetype len = v.size();
        if ((in(tipo, {"0", "00"}) && len > 15) || (in(tipo, {"1", "01"}) && len != 8) ||
            (in(tipo, {"4", "04"}) && len > 12) || (in(tipo, {"6", "06"}) && len != 11) ||
            (in(tipo, {"7", "07"}) && len > 12) || (in(tipo, {"31", "32"}) && len > 50))
            fail("0907");
        if (in(tipo, {"6", "06"}) && !u.ValidaRuc(v)) fail("0928");
        const bool digits = in(tipo, {"1", "01", "6", "06"});
        if (!scanChars(v, [&](int k) { return digits ? u.EsDigito(k) : u.EsCaracterDocumento(k); })) fail("0907");
        break;
    }
    case 3: nombre(50, "0908"); break;
    case 4: nombre(50, "0909"); break;
    case 5: nombre(50, "0910"); break;
    case 6: nombre(120, "0911"); break;
    case 7:
        if (!in(v, {"01", "02"})) fail("0912");
        break;
    case 8:
        if (v.size() > 4 || !ref.pais(v)) fail("0913");
        if (dom == QLatin1String("01") && v != QLatin1String("9589")) fail("0923");
        if (dom == QLatin1String("02") && v == QLatin1String("9589")) fail("0926");
        break;
    case 9:
        if (!in(v, {"1", "0"})) fail("0914");
        if (v == QLatin1String("1") && dom == QLatin1String("01") && pais == QLatin1String("9589")) fail("0925");
        if (v == QLatin1String("0") && ref.paraisoFiscal(pais)) fail("0927");
        break;
    case 10:
        if (!in(v, {"1", "2", "9"})) fail("0915");
        if (v == QLatin1String("9") && dom == QLatin1String("01")) fail("0929");
        if (v == QLatin1String("1") && !f[6].isEmpty()) fail("0952");
        if (in(v, {"2", "9"}) && (!f[3].isEmpty() || !f[4].isEmpty() || !f[5].isEmpty())) fail("0953");
        break;
    case 11:
        if (kind != QLatin1String("9") && !v.isEmpty()) fail("0951");
        if (kind == QLatin1String("9") &&
            (v.isEmpty() || v.size() > 20 || !scanChars(v, [&u](int k) { return u.EsCaracterValido(k, true, false); })))
            fail("0950");
        break;
    case 26:
        if (v.isEmpty()) break;
        if (kind == QLatin1String("9") || dom != QLatin1String("02"))
            fail("0806");
        else if (v.size() != 2)
            fail("0810");
        else if (!ref.tipoDireccion(v))
            fail("0809");
        break;
    case 27:
        if (v.isEmpty()) break;
        if (kind == QLatin1String("9") || dom != QLatin1String("02"))
            fail("0807");
        else if (v.size() > 40)
            fail("0811");
        break;
    case 28: {
        if (v.isEmpty()) break;
        const QStringList parts = v.split(QLatin1Char('-'));
        if (dom != QLatin1String("02")) {
            fail("0808");
        } else if (kind != QLatin1String("1")) {
            fail("0812");
        } else if (v.size() != 10 || parts.size() != 3 || parts[0].size() != 4 || parts[1].size() != 2 ||
                   parts[2].size() != 2) {
            fail("0803");
        } else {
            const QString fecha = parts[2] + QLatin1Char('/') + parts[1] + QLatin1Char('/') + parts[0];
            if (!u.ValidaFecha(fecha, QStringLiteral("01/01/1800"), QStringLiteral("01/01/2500")))
                fail("0804");
            else if (udf_FechaMayorHoy(ctx, fecha))
                fail("0805");
        }
        break;
    }
    default:
        if (n >= 12 && n <= 25 && !in(v, {"1", "0"})) fail("0917");
        break;
    }
    return code;
}

QString validaLineaInformado(const PartyFields& f) {
    const QString& tipo = f[1];
    const QString& dom = f[7];
    const QString& kind = f[10];
    const bool flags = anyFlag(f);
    if (f[9] == QLatin1String("0") && dom == QLatin1String("02") && !flags) return QStringLiteral("0918");
    if (dom == QLatin1String("01") && !flags) return QStringLiteral("0919");
    QString code;
    if (dom == QLatin1String("01")) {
        const bool noPat = f[3].isEmpty(), noMat = f[4].isEmpty();
        if (tipo == QLatin1String("01")) {
            if (noPat && noMat)
                code = QStringLiteral("0920");
            else if (noPat)
                code = QStringLiteral("0921");
            else if (noMat)
                code = QStringLiteral("0922");
        } else if (in(tipo, {"07", "04"}) && noPat && noMat) {
            code = QStringLiteral("0920");
        }
    }
    const bool domiciled = dom == QLatin1String("01"), abroad = dom == QLatin1String("02");
    const bool wrongType =
        (kind == QLatin1String("1") && domiciled && in(tipo, {"31", "32"})) ||
        (kind == QLatin1String("1") && abroad && in(tipo, {"06", "04", "01"})) ||
        (kind == QLatin1String("2") && domiciled && tipo != QLatin1String("06")) ||
        (kind == QLatin1String("2") && abroad && tipo != QLatin1String("31")) ||
        (kind == QLatin1String("9") && (domiciled || abroad) && tipo != QLatin1String("31"));
    if (wrongType) code = QStringLiteral("0906");
    if (code.isEmpty() && kind != QLatin1String("9") && abroad) {
        if (!f[26].isEmpty() && f[27].isEmpty()) code = QStringLiteral("0801");
        if (!f[27].isEmpty() && f[26].isEmpty()) code = QStringLiteral("0802");
    }
    return code;
}

QString leerLineaInformado(const AppContext& ctx, const ReferenceCache& ref, const QString& line, PartyFields& f) {
    f.fill(QString());
    FieldReader fields(line, kCamposInformado);
    for (int n = 1; n <= kCamposInformado; ++n) {
        QString v;
        if (!fields.next(v)) {
            const QString code = codigoCampoVacioInformado(n);
            if (!code.isEmpty()) return code;
            if (n >= 12 && n <= 25) v = QStringLiteral("0");
        }
        const QString code = validaCampoInformado(ctx, ref, n, v, f);
        if (!code.isEmpty()) return code;
        f[n] = v;
    }
    return validaLineaInformado(f);
}

bool grabarLineaInformado(AppContext& ctx, const QString& ruc, const PartyFields& f) {
    PartyRowWrite w;
    w.declarante = Declarant{6, ruc};
    w.parte = Party{f[1].toInt(), f[2]};
    w.formulario = ctx.gFormulario;
    w.anyFormulario = false;
    w.mode = PartyWriteMode::Upsert;
    QVariantMap& c = w.columnas;
    auto given = [&c](const char* column, const QString& value) {
        if (!value.isEmpty()) c.insert(QString::fromLatin1(column), value);
    };
    given("APEPAT_PAR_VIN", f[3]);
    given("APEMAT_PAR_VIN", f[4]);
    given("NOM_PAR_VIN", f[5]);
    QString razon = f[6];
    if (razon.isEmpty()) {
        // Built from the names the row ends with: a name not given keeps the stored one.
        QString pat = f[3], mat = f[4], nom = f[5];
        if (pat.isEmpty() || mat.isEmpty() || nom.isEmpty()) {
            const auto rows = ctx.db().rows(
                QStringLiteral("SELECT APEPAT_PAR_VIN, APEMAT_PAR_VIN, NOM_PAR_VIN FROM PAR_VIN WHERE TIP_DOC_D=6 "
                               "AND DOC_ID_D=? AND TIP_DOC_P=? AND DOC_ID_P=? AND FORMULARIO=?"),
                {textValue(ruc), w.parte.tipDocP, textValue(w.parte.docIdP), textValue(ctx.gFormulario)});
            if (!rows.empty()) {
                if (pat.isEmpty()) pat = rows.front().value(0).toString().trimmed();
                if (mat.isEmpty()) mat = rows.front().value(1).toString().trimmed();
                if (nom.isEmpty()) nom = rows.front().value(2).toString().trimmed();
            }
        }
        razon = pat + QLatin1Char(' ') + mat + QStringLiteral(", ") + nom;
    }
    c.insert(QStringLiteral("RAZON_SOCIAL"), razon.left(120));
    c.insert(QStringLiteral("FLAG_CON_DOM"), f[7]);
    c.insert(QStringLiteral("COD_PAR"), f[8]);
    c.insert(QStringLiteral("FLAG_PAR_FIS"), f[9]);
    c.insert(QStringLiteral("COD_NAT_JUR"), f[10]);
    QStringList tipos;
    for (int i = 12; i <= 25; ++i)
        if (f[i] == QLatin1String("1")) tipos << QStringLiteral("%1").arg(i - 11, 2, 10, QLatin1Char('0'));
    c.insert(QStringLiteral("FLAG_PAR_VIN"), tipos.isEmpty() ? QStringLiteral("02") : QStringLiteral("01"));
    given("OTR_NAT_JUR", f[11]);
    given("TIP_DIR_LEGAL", f[26]);
    given("DES_DIR_LEGAL", f[27]);
    given("FEC_NAC", f[28]);  // yyyy-mm-dd, the stored form of a date
    w.tipos = tipos;
    return escribirFilaInformado(ctx.db(), w) == PartyWriteResult::Added;
}

}  // namespace klv::import
