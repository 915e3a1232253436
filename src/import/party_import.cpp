#include "party_import.h"

#include "app_context.h"
#include "field_checks.h"
#include "party_store.h"
#include "utilitarios.h"

namespace klv::import {
namespace {

bool anyFlag(const PartyFields& f) {
    for (int i = 12; i <= 25; ++i)
        if (is(f[i], "1")) return true;
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
        if (!in(v, "0", "1", "4", "6", "7", "00", "01", "04", "06", "07", "31", "32")) fail("0906");
        break;
    case 2: {
        if (v.isEmpty()) fail("0901");
        const qsizetype len = v.size();
        if ((in(tipo, "0", "00") && len > 15) || (in(tipo, "1", "01") && len != 8) ||
            (in(tipo, "4", "04") && len > 12) || (in(tipo, "6", "06") && len != 11) ||
            (in(tipo, "7", "07") && len > 12) || (in(tipo, "31", "32") && len > 50))
            fail("0907");
        if (in(tipo, "6", "06") && !u.ValidaRuc(v)) fail("0928");
        const bool digits = in(tipo, "1", "01", "6", "06");
        if (!scanChars(v, [&](int k) { return digits ? u.EsDigito(k) : u.EsCaracterDocumento(k); })) fail("0907");
        break;
    }
    case 3: nombre(50, "0908"); break;
    case 4: nombre(50, "0909"); break;
    case 5: nombre(50, "0910"); break;
    case 6: nombre(120, "0911"); break;
    case 7:
        if (!in(v, "01", "02")) fail("0912");
        break;
    case 8:
        if (v.size() > 4 || !ref.pais(v)) fail("0913");
        if (is(dom, "01") && !is(v, "9589")) fail("0923");
        if (is(dom, "02") && is(v, "9589")) fail("0926");
        break;
    case 9:
        if (!in(v, "1", "0")) fail("0914");
        if (is(v, "1") && is(dom, "01") && is(pais, "9589")) fail("0925");
        if (is(v, "0") && ref.paraisoFiscal(pais)) fail("0927");
        break;
    case 10:
        if (!in(v, "1", "2", "9")) fail("0915");
        if (is(v, "9") && is(dom, "01")) fail("0929");
        if (is(v, "1") && !f[6].isEmpty()) fail("0952");
        if (in(v, "2", "9") && (!f[3].isEmpty() || !f[4].isEmpty() || !f[5].isEmpty())) fail("0953");
        break;
    case 11:
        if (!is(kind, "9") && !v.isEmpty()) fail("0951");
        if (is(kind, "9") &&
            (v.isEmpty() || v.size() > 20 || !scanChars(v, [&u](int k) { return u.EsCaracterValido(k, true, false); })))
            fail("0950");
        break;
    case 26:
        if (v.isEmpty()) break;
        if (is(kind, "9") || !is(dom, "02"))
            fail("0806");
        else if (v.size() != 2)
            fail("0810");
        else if (!ref.tipoDireccion(v))
            fail("0809");
        break;
    case 27:
        if (v.isEmpty()) break;
        if (is(kind, "9") || !is(dom, "02"))
            fail("0807");
        else if (v.size() > 40)
            fail("0811");
        break;
    case 28: {
        if (v.isEmpty()) break;
        const QStringList parts = v.split(QLatin1Char('-'));
        if (!is(dom, "02")) {
            fail("0808");
        } else if (!is(kind, "1")) {
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
        if (n >= 12 && n <= 25 && !in(v, "1", "0")) fail("0917");
        break;
    }
    return code;
}

QString validaLineaInformado(const PartyFields& f) {
    const QString& tipo = f[1];
    const QString& dom = f[7];
    const QString& kind = f[10];
    const bool flags = anyFlag(f);
    if (is(f[9], "0") && is(dom, "02") && !flags) return QStringLiteral("0918");
    if (is(dom, "01") && !flags) return QStringLiteral("0919");
    QString code;
    if (is(dom, "01")) {
        const bool noPat = f[3].isEmpty(), noMat = f[4].isEmpty();
        if (is(tipo, "01")) {
            if (noPat && noMat)
                code = QStringLiteral("0920");
            else if (noPat)
                code = QStringLiteral("0921");
            else if (noMat)
                code = QStringLiteral("0922");
        } else if (in(tipo, "07", "04") && noPat && noMat) {
            code = QStringLiteral("0920");
        }
    }
    const bool domiciled = is(dom, "01"), abroad = is(dom, "02");
    const bool wrongType =
        (is(kind, "1") && domiciled && in(tipo, "31", "32")) ||
        (is(kind, "1") && abroad && in(tipo, "06", "04", "01")) ||
        (is(kind, "2") && domiciled && !is(tipo, "06")) ||
        (is(kind, "2") && abroad && !is(tipo, "31")) ||
        (is(kind, "9") && (domiciled || abroad) && !is(tipo, "31"));
    if (wrongType) code = QStringLiteral("0906");
    if (code.isEmpty() && !is(kind, "9") && abroad) {
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

bool grabarLineaInformado(PartyWriter& writer, const AppContext& ctx, const QString& ruc, const PartyFields& f) {
    // Positions in PAR_VIN and the type codes "01" to "14", made once.
    static const int kPaterno = PartyColumns::position(QStringLiteral("APEPAT_PAR_VIN")),
                     kMaterno = PartyColumns::position(QStringLiteral("APEMAT_PAR_VIN")),
                     kNombre = PartyColumns::position(QStringLiteral("NOM_PAR_VIN")),
                     kRazon = PartyColumns::position(QStringLiteral("RAZON_SOCIAL")),
                     kConDom = PartyColumns::position(QStringLiteral("FLAG_CON_DOM")),
                     kPais = PartyColumns::position(QStringLiteral("COD_PAR")),
                     kParFis = PartyColumns::position(QStringLiteral("FLAG_PAR_FIS")),
                     kNatJur = PartyColumns::position(QStringLiteral("COD_NAT_JUR")),
                     kParVin = PartyColumns::position(QStringLiteral("FLAG_PAR_VIN")),
                     kOtrNatJur = PartyColumns::position(QStringLiteral("OTR_NAT_JUR")),
                     kTipDir = PartyColumns::position(QStringLiteral("TIP_DIR_LEGAL")),
                     kDesDir = PartyColumns::position(QStringLiteral("DES_DIR_LEGAL")),
                     kFecNac = PartyColumns::position(QStringLiteral("FEC_NAC"));
    static const std::array<QString, 14> kCodigos = [] {
        std::array<QString, 14> c;
        for (int i = 0; i < 14; ++i) c[static_cast<size_t>(i)] = QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        return c;
    }();
    static const QString kRelacionado = QStringLiteral("01"), kNoRelacionado = QStringLiteral("02");

    PartyRowWrite w;
    w.declarante = Declarant{6, ruc};
    w.parte = Party{f[1].toInt(), f[2]};
    w.formulario = ctx.gFormulario;
    w.mode = PartyWriteMode::Upsert;
    PartyColumns& c = w.columnas;
    auto given = [&c](int column, const QString& value) {
        if (!value.isEmpty()) c.set(column, value);
    };
    given(kPaterno, f[3]);
    given(kMaterno, f[4]);
    given(kNombre, f[5]);
    // Without field 6 the name is built from the names the row ends with: a name not given keeps
    // the stored one.
    if (f[6].isEmpty())
        w.razonSocialDeNombres = true;
    else
        c.set(kRazon, f[6].left(120));
    c.set(kConDom, f[7]);
    c.set(kPais, f[8]);
    c.set(kParFis, f[9]);
    c.set(kNatJur, f[10]);
    QStringList tipos;
    for (int i = 12; i <= 25; ++i)
        if (is(f[i], "1")) tipos << kCodigos[static_cast<size_t>(i - 12)];
    c.set(kParVin, tipos.isEmpty() ? kNoRelacionado : kRelacionado);
    given(kOtrNatJur, f[11]);
    given(kTipDir, f[26]);
    given(kDesDir, f[27]);
    given(kFecNac, f[28]);  // yyyy-mm-dd, the stored form of a date
    w.tipos = std::move(tipos);
    return writer.write(w) == PartyWriteResult::Added;
}

}  // namespace klv::import
