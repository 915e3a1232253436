#include "transaction_import.h"

#include "amount_rules.h"
#include "app_context.h"
#include "cp1252.h"
#include "database.h"
#include "field_checks.h"
#include "format.h"
#include "row_cursor.h"
#include "transaction_writer.h"
#include "utilitarios.h"

#include <algorithm>

namespace klv::import {
namespace {

using namespace campo;

QString code(const char* c) { return QString::fromLatin1(c); }

// True when the value is one of the texts.
template <class... S>
bool in(Campo v, const S&... s) {
    return ((v == s) || ...);
}

// The text of a value, for what stores it or reads it as a text (values of one or two digits
// share theirs).
QString texto(Campo v) {
    if (v.empty()) return QString();
    if (v.size() <= 2 && isAsciiDigit(v.front()) && isAsciiDigit(v.back()))
        return v.size() == 1 ? digitsText(v[0] - '0', 1) : digitsText((v[0] - '0') * 10 + (v[1] - '0'), 2);
    return cp1252::decode(QByteArray::fromRawData(v.data(), static_cast<qsizetype>(v.size())));
}

// The leading number of a value (the lenient reading the rules call numeric).
double num(Campo v) {
    if (const auto plain = fmt::plainNumber(v)) return *plain;
    return fmt::val(texto(v));
}

// Digits only (an empty value passes).
bool digitScan(Campo v) { return scanBytes(v, [](int k) { return isAsciiDigit(k); }); }

// A rate: digits with at most one point, never first.
bool rateScan(Campo v) {
    if (v.starts_with('.')) return false;
    if (std::count(v.begin(), v.end(), '.') > 1) return false;
    return scanBytes(v, [](int k) { return isAsciiDigit(k) || k == '.'; });
}

// Field 3 and 4 of the line decide its case.
bool financial(const TransactionFields& f) { return f[IND_TRANSAC_FIN] == "1"; }

// The column that stores each field, in lower case as the writer names it (none for the flags
// and detail amounts, which go to the type rows).
const QString& columna(int n) {
    static const std::array<QString, kCamposTransaccion + 1> names = [] {
        static const char* const kNames[] = {
            nullptr, "TIP_DOC_P", "DOC_ID_P", "FLAG_VAL_MET", "IND_TRANSAC_FIN", "COD_TIP_MONEDA",
            "NOM_OTRO_TIP_MON", "MTO_SIN_TRAN_MON_ORI", "MTO_SIN_TRAN_MON_REG", "MTO_SIN_CAP_MON_ORI",
            "MTO_SIN_INTS_MON_ORI", "TAS_SIN_EFE_ANU", "MTO_SIN_INTS_MON_REG", "SAL_SIN_CAP_MON_REG",
            "MTO_TRAN_MON_ORI", "MTO_SIN_AJU_PCNC", "MTO_AJU_PCNC", "MTO_SIN_AJU_PR", "MTO_AJU_PR",
            "MTO_SIN_AJU_CI", "MTO_AJU_CI", "MTO_CAP_MON_ORI", "MTO_INTS_MON_ORI", "TAS_EFE_ANU",
            "SAL_CAP_MON_REG", "MTO_INTS_SIN_AJU_PCNC", "MTO_INTS_AJU_PCNC", "MTO_INTS_SIN_AJU_PR",
            "MTO_INTS_AJU_PR", "MTO_INTS_SIN_AJU_CI", "MTO_INTS_AJU_CI", "MTO_TRA_MON_ORI", "MTO_TRA_MON_REG",
            "MTO_AJU_RES_POS_REG", "MTO_AJU_RES_NEG_REG", "MET_VAL", "MTO_TOT_CAP_MON_ORI",
            "MTO_TOT_INTS_MON_ORI", "MTO_TOT_INTS_MON_REG", "SAL_TOT_CAP_MON_REG", "MTO_TOT_AJU_RES_POS_REG",
            "MTO_TOT_AJU_RES_NEG_REG", "MET_VAL_INTS"};
        static_assert(std::size(kNames) == MET_VAL_INTS + 1);
        static const char* const kFrom2012[] = {
            "par_analizada", "mto_lim_inf_pcnc", "mto_lim_sup_pcnc", "mto_mediana_pcnc", "mto_lim_inf_pr",
            "mto_lim_sup_pr", "mto_mediana_pr", "mto_margen_bruto_pr", "mto_lim_inf_ci", "mto_lim_sup_ci",
            "mto_mediana_ci", "mto_margen_bruto_ci", "ind_rentabilidad_mmnt", "mto_lim_inf_mmnt",
            "mto_lim_sup_mmnt", "mto_mediana_mmnt", "valor_pli_mmnt"};
        static_assert(std::size(kFrom2012) == VALOR_PLI_MMNT - PAR_ANALIZADA + 1);
        std::array<QString, kCamposTransaccion + 1> c;
        for (int n = 1; n <= MET_VAL_INTS; ++n) c[n] = QString::fromLatin1(kNames[n]).toLower();
        for (int n = PAR_ANALIZADA; n <= VALOR_PLI_MMNT; ++n) c[n] = QString::fromLatin1(kFrom2012[n - PAR_ANALIZADA]);
        return c;
    }();
    return names[static_cast<size_t>(n)];
}

// A method's pair of amounts: unadjusted, adjusted.
struct Pair {
    int unadj, adj;
};
constexpr Pair kPairs[] = {{MTO_SIN_AJU_PCNC, MTO_AJU_PCNC}, {MTO_SIN_AJU_PR, MTO_AJU_PR}, {MTO_SIN_AJU_CI, MTO_AJU_CI}};
constexpr Pair kInterestPairs[] = {{MTO_INTS_SIN_AJU_PCNC, MTO_INTS_AJU_PCNC},
                                   {MTO_INTS_SIN_AJU_PR, MTO_INTS_AJU_PR},
                                   {MTO_INTS_SIN_AJU_CI, MTO_INTS_AJU_CI}};

// The range fields of a method (lower bound, upper bound, median and, but for PCNC, the margin)
// and their codes.
struct Range {
    std::vector<int> fields;
    std::vector<const char*> presence, numeric;
    bool lastNegativeKept;  // PCNC keeps the last failing sign check, the others the first
};
const Range kRangePcnc{{MTO_LIM_INF_PCNC, MTO_LIM_SUP_PCNC, MTO_MEDIANA_PCNC},
                       {"0755", "0756", "0757"},
                       {"0703", "0704", "0705"},
                       true};
const Range kRangePr{{MTO_LIM_INF_PR, MTO_LIM_SUP_PR, MTO_MEDIANA_PR, MTO_MARGEN_BRUTO_PR},
                     {"0761", "0762", "0763", "0764"},
                     {"0706", "0707", "0708", "0709"},
                     false};
const Range kRangeCi{{MTO_LIM_INF_CI, MTO_LIM_SUP_CI, MTO_MEDIANA_CI, MTO_MARGEN_BRUTO_CI},
                     {"0761", "0762", "0763", "0764"},
                     {"0713", "0714", "0715", "0716"},
                     false};
const Range kRangeMmnt{{MTO_LIM_INF_MMNT, MTO_LIM_SUP_MMNT, MTO_MEDIANA_MMNT},
                       {"0761", "0762", "0763"},
                       {"0766", "0767", "0768"},
                       false};

// The checks of a range: presence, numeric, sign, then the order of bounds and median.
QString rangeCode(const Range& r, const TransactionFields& f) {
    QString c;
    for (size_t i = 0; i < r.fields.size() && c.isEmpty(); ++i) {
        const Campo v = f[r.fields[i]];
        if (v.empty() || v == "0") c = code(r.presence[i]);
    }
    for (size_t i = 0; i < r.fields.size() && c.isEmpty(); ++i)
        if (!fmt::isNumeric(texto(f[r.fields[i]]))) c = code(r.numeric[i]);
    if (c.isEmpty()) {
        for (size_t i = 0; i < r.fields.size(); ++i) {
            if (fmt::toNumber(texto(f[r.fields[i]])).value_or(0) < 0) {
                c = code(r.numeric[i]);
                if (!r.lastNegativeKept) break;
            }
        }
    }
    if (c.isEmpty()) {
        const QString inf = texto(f[r.fields[0]]), sup = texto(f[r.fields[1]]), med = texto(f[r.fields[2]]);
        auto both = [](const QString& a, const QString& b) {
            return !a.isEmpty() && !b.isEmpty() && fmt::isNumeric(a) && fmt::isNumeric(b);
        };
        auto fx = [](const QString& v) { return static_cast<Fixed4>(std::llround(*fmt::toNumber(v) * 10000.0)); };
        if (both(inf, sup) && fx(inf) > fx(sup))
            c = code("0758");
        else if (both(med, inf) && fx(med) < fx(inf))
            c = code("0754");
        else if (both(med, sup) && fx(med) > fx(sup))
            c = code("0754");
    }
    return c;
}

bool wholeEmpty(const TransactionFields& f, const Pair& p) { return f[p.unadj].empty() && f[p.adj].empty(); }
bool complete(const TransactionFields& f, const Pair& p) { return !f[p.unadj].empty() && !f[p.adj].empty(); }

// A code of a run of codes: field n of the run that begins at field `first` with code `firstCode`.
QString codeOf(int n, int first, int firstCode) {
    return QStringLiteral("%1").arg(firstCode + n - first, 4, 10, QLatin1Char('0'));
}

}  // namespace

QString tipoDeBandera(int field) {
    static const std::array<QString, 88> codes = [] {
        std::array<QString, 88> c;
        for (int f = 0; f < 88; ++f) {
            int t = 0;
            if (f >= 43 && f <= 60) t = f - 42;
            else if (f >= 61 && f <= 64) t = f - 22;
            else if (f >= 65 && f <= 84) t = f - 46;
            else if (f >= 85 && f <= 87) t = f - 15;
            c[f] = QStringLiteral("%1").arg(t, 2, 10, QLatin1Char('0'));
        }
        return c;
    }();
    return field >= 0 && field < 88 ? codes[field] : QStringLiteral("00");
}

TransactionContext::TransactionContext(const ImportRequest& req)
    : ruc(req.ruc),
      periodo(req.periodo),
      answer1(req.answer1),
      answer2(req.answer2),
      desde2012(req.kind == ImportKind::Transacciones2012),
      desde2008(QString::compare(req.periodo, QLatin1String("2008")) >= 0),
      desde2013(QString::compare(req.periodo, QLatin1String("2013")) >= 0) {}

// ---- Field checks ---------------------------------------------------------------------------

TransactionFieldChecks::TransactionFieldChecks(const AppContext& ctx, const ReferenceCache& ref, TransactionContext tc,
                                               PartyExists partyExists)
    : ctx_(ctx), ref_(ref), tc_(std::move(tc)), partyExists_(std::move(partyExists)) {}

QString TransactionFieldChecks::campoVacio(int n, const TransactionFields& f) const {
    const Campo f3 = f[FLAG_VAL_MET];
    // The flags and the fields of 2012 first: most empty fields of a line are there.
    if (n >= PRIMERA_BANDERA) {
        if (n >= PRIMER_DETALLE && n <= ULTIMO_DETALLE && tc_.desde2008 && f[IND_TRANSAC_FIN] == "0" && f3 == "02" &&
            f[n - DETALLE_DE_BANDERA] == "1")
            return code("0749");
        if (n == PAR_ANALIZADA && tc_.desde2012 && (is(tc_.answer2, "1") || (!tc_.desde2013 && is(tc_.answer2, "0"))))
            return code("0701");
        return QString();
    }
    const bool fin = financial(f);
    if (n <= COD_TIP_MONEDA) {
        static const char* const kCodes[] = {nullptr, "0601", "0602", "0604", "0603", "0605"};
        return code(kCodes[n]);
    }
    if (n == NOM_OTRO_TIP_MON) return f[COD_TIP_MONEDA] == "00" ? code("0606") : QString();
    if ((n == MTO_SIN_TRAN_MON_ORI || n == MTO_SIN_TRAN_MON_REG) && f3 == "00" && !fin)
        return code(n == MTO_SIN_TRAN_MON_ORI ? "0608" : "0609");
    if (n >= MTO_SIN_CAP_MON_ORI && n <= SAL_SIN_CAP_MON_REG && f3 == "00" && fin) return codeOf(n, MTO_SIN_CAP_MON_ORI, 610);
    if (n == MTO_TRAN_MON_ORI && f3 == "01" && !fin) return code("0615");
    auto pairsRule = [&](int first, const char* c1, const char* c2, const char* c3, const char* all) {
        // The values read so far: field n and those after it are empty.
        auto empty = [&](int i) { return i >= n || f[i].empty(); };
        QString c;
        if (empty(first + 1) && !empty(first)) c = code(c1);
        if (empty(first + 3) && !empty(first + 2)) c = code(c2);
        if (empty(first + 5) && !empty(first + 4)) c = code(c3);
        if (n == first + 5 && empty(first + 1) && empty(first + 3)) c = code(all);
        return c;
    };
    if (n >= MTO_SIN_AJU_PCNC && n <= MTO_AJU_CI && f3 == "01" && !fin)
        return pairsRule(MTO_SIN_AJU_PCNC, "0617", "0619", "0621", "0699");
    if (n >= MTO_CAP_MON_ORI && n <= SAL_CAP_MON_REG && f3 == "01" && fin) return codeOf(n, MTO_CAP_MON_ORI, 622);
    if (n >= MTO_INTS_SIN_AJU_PCNC && n <= MTO_INTS_AJU_CI && f3 == "01" && fin)
        return pairsRule(MTO_INTS_SIN_AJU_PCNC, "0627", "0629", "0631", "0700");
    if (n >= MTO_TRA_MON_ORI && n <= MET_VAL && f3 == "02" && !fin) return codeOf(n, MTO_TRA_MON_ORI, 632);
    if (n >= MTO_TOT_CAP_MON_ORI && n <= MET_VAL_INTS && f3 == "02" && fin) return codeOf(n, MTO_TOT_CAP_MON_ORI, 637);
    return QString();
}

QString TransactionFieldChecks::otroCampo(int n, Campo v, bool dado, const TransactionFields& f) {
    // An empty range field passes every rule (field 145 has its own).
    if (v.empty() && n >= MTO_LIM_INF_PCNC && n != IND_RENTABILIDAD_MMNT) return QString();
    if (!dado) {
        QString c = campoVacio(n, f);
        if (!c.isEmpty()) return c;
    }
    return valida(n, v, f);
}

QString TransactionFieldChecks::valida(int n, Campo v, const TransactionFields& f) {
    const Utilitarios& u = *ctx_.gUtil;
    QString c;
    auto fail = [&c](const char* k) { c = code(k); };
    const Campo f3 = f[FLAG_VAL_MET];
    const bool fin = financial(f);
    if (n == TIP_DOC_P) {
        total_ = 0;
        detalle_ = 0;
        metodo_ = Campo();
        if (!in(v, "1", "01", "4", "04", "6", "06", "7", "07", "31", "32")) fail("0652");
        return c;
    }
    if (n == DOC_ID_P) {
        const Campo t = f[TIP_DOC_P];
        if (v.empty()) fail("0602");
        if ((t == "1" && v.size() != 8) || (in(t, "4", "7") && v.size() > 12) || (in(t, "31", "32") && v.size() > 50) ||
            (t == "6" && (!u.ValidaRuc(texto(v)) || v.size() != 11)))
            fail("0653");
        const bool nameChars = in(t, "1", "6");
        if (!scanBytes(v, [&](int k) { return nameChars ? u.EsLetraNombre(k, true) : u.EsCaracterDocumento(k); }))
            fail("0653");
        if (!partyExists_(t, v)) fail("0600");
        return c;
    }
    if (n == FLAG_VAL_MET) {
        if (v.size() > 2 || !in(v, "00", "01", "02")) fail("0654");
        return c;
    }
    if (n == IND_TRANSAC_FIN) {
        if (v.size() > 1 || !in(v, "0", "1")) fail("0655");
        return c;
    }
    if (n == COD_TIP_MONEDA) {
        if (v.size() > 2) {
            fail("0656");
        } else {
            unsigned key = static_cast<unsigned>(v.size());
            for (size_t i = 0; i < v.size(); ++i) key |= static_cast<unsigned>(static_cast<unsigned char>(v[i])) << (8 * (i + 1));
            auto known = monedas_.find(key);
            if (known == monedas_.end()) {
                const QString text = texto(v);
                const auto number = fmt::toNumber(text);
                const QString stored = number ? fmt::format(*number, QStringLiteral("000")) : text;
                known = monedas_.emplace(key, ref_.moneda(stored)).first;
            }
            if (!known->second) fail("0656");
        }
        return c;
    }
    if (n == NOM_OTRO_TIP_MON) {
        if (f[COD_TIP_MONEDA] != "00" && !v.empty()) fail("0712");
        if (f[COD_TIP_MONEDA] == "00") {
            if (v.empty() || v.size() >= 16) fail("0711");
            if (!scanBytes(v, [&u](int k) { return u.EsCaracterValido(k, true, false); })) fail("0711");
        }
        return c;
    }
    if (n >= MTO_SIN_TRAN_MON_ORI && n <= MET_VAL_INTS) {
        const bool method = n == MET_VAL || n == MET_VAL_INTS;
        if (!method && v.size() > 14) fail("0710");
        if (v.empty() && !method) return c;  // passes every scan
        const bool g00n = f3 == "00" && !fin, g00f = f3 == "00" && fin;
        const bool g01n = f3 == "01" && !fin, g01f = f3 == "01" && fin;
        const bool g02n = f3 == "02" && !fin, g02f = f3 == "02" && fin;
        auto digits = [&](int first, int firstCode) {
            if (!digitScan(v)) c = codeOf(n, first, firstCode);
        };
        if (g00n && n <= MTO_SIN_TRAN_MON_REG) digits(MTO_SIN_TRAN_MON_ORI, 657);
        if (g00f && n >= MTO_SIN_CAP_MON_ORI && n <= SAL_SIN_CAP_MON_REG) {
            if (n == TAS_SIN_EFE_ANU) {
                if (!rateScan(v) || v == ".") fail("0661");
            } else {
                digits(MTO_SIN_CAP_MON_ORI, 659);
            }
        }
        if (g01n && n >= MTO_TRAN_MON_ORI && n <= MTO_AJU_CI) digits(MTO_TRAN_MON_ORI, 664);
        if (g01f && n >= MTO_CAP_MON_ORI && n <= MTO_INTS_AJU_CI) {
            if (n == TAS_EFE_ANU) {
                if (!rateScan(v)) fail("0673");
            } else {
                digits(MTO_CAP_MON_ORI, 671);
            }
        }
        if (g02n && n >= MTO_TRA_MON_ORI && n <= MET_VAL) {
            if (n == MET_VAL) {
                if (!in(v, "05", "04", "06")) fail("0685");
                metodo_ = v;
            } else {
                digits(MTO_TRA_MON_ORI, 681);
                if (n == MTO_TRA_MON_REG) total_ = fixed4(v);
            }
        }
        if (g02f && n >= MTO_TOT_CAP_MON_ORI && n <= MET_VAL_INTS) {
            if (n == MET_VAL_INTS) {
                if (!in(v, "05", "04", "06")) fail("0685");
            } else {
                digits(MTO_TOT_CAP_MON_ORI, 686);
            }
        }
        return c;
    }
    if (n >= PRIMER_DETALLE && n <= ULTIMO_DETALLE) {
        if (tc_.desde2008 && f3 == "02") {
            // A detail amount that is written (non-financial lines) must fit its column, as the
            // amounts of fields 7-42.
            if (v.size() > 14 && f[IND_TRANSAC_FIN] == "0") fail("0710");
            else if (!digitScan(v)) fail("0749");
            detalle_ += fixed4(v);
            if (n == ULTIMO_DETALLE && f[IND_TRANSAC_FIN] == "0" && detalle_ != total_) fail("0750");
        }
        return c;
    }
    // Fields added in 2012.
    if (n == PAR_ANALIZADA) {
        if (is(tc_.answer2, "1") || (!tc_.desde2013 && is(tc_.answer2, "0"))) {
            if (v.size() > 2 || !in(v, "01", "02")) fail("0701");
        } else if (tc_.desde2013 && is(tc_.answer2, "0")) {
            if (!v.empty()) fail("0771");
        } else if (v.size() > 2) {
            fail("0701");  // it could not be stored
        }
        return c;
    }
    if (n == IND_RENTABILIDAD_MMNT) {
        if (f[IND_TRANSAC_FIN] == "0" && f3 == "02" && metodo_ == "06") {
            if (v.empty()) fail("0769");
            else if (v.size() > 2 || !in(v, "00", "01", "02", "03", "04", "05")) fail("0702");
        } else if (v.size() > 2) {
            fail("0702");  // it could not be stored
        }
        return c;
    }
    // The ranges: fields 134-149 but 145.
    static const char* kRangeCodes[] = {"0703", "0704", "0705", "0706", "0707", "0708", "0709", "0713",
                                        "0714", "0715", "0716", nullptr, "0717", "0718", "0719", "0752"};
    const char* rc = kRangeCodes[n - MTO_LIM_INF_PCNC];
    if (v.size() > 16 || !udf_ValidaNumeroDecimal(texto(v), 13)) fail(rc);
    if (!scanBytes(v, [&u](int k) { return u.EsLetraNombre(k, true); })) fail(rc);
    return c;
}

// ---- The run ----------------------------------------------------------------------------------

TransactionImporter::TransactionImporter(AppContext& ctx, const ImportRequest& req, const ReferenceCache& ref)
    : ctx_(ctx),
      tc_(req),
      ref_(ref),
      checks_(ctx, ref, tc_, [this](Campo t, Campo n) { return party(t, n).exists; }),
      writer_(std::make_unique<TransactionWriter>(ctx.db(), TransactionWriter::Guard::Caller)),
      declaration_{6, tc_.ruc, tc_.periodo, ctx.gFormulario} {}

TransactionImporter::~TransactionImporter() = default;

TransactionImporter::PartyInfo& TransactionImporter::party(Campo tipo, Campo numero) {
    if (last_ && tipo == lastTipo_ && numero == lastNumero_) return *last_;
    // The type's number as fmt::val reads it; digits without its cost.
    int t = 0;
    const bool whole = !tipo.empty() && tipo.size() <= 9 && digitScan(tipo);
    for (const char d : tipo) t = whole ? t * 10 + (d - '0') : 0;
    if (!whole) t = static_cast<int>(fmt::val(texto(tipo)));
    lastTipo_.assign(tipo);
    lastNumero_.assign(numero);
    PartyKey key{t, std::string(numero)};
    auto it = parties_.find(key);
    if (it != parties_.end()) return *(last_ = &it->second);
    PartyInfo info;
    info.tipo = t;
    info.numero = texto(numero);
    // The party's row read once: whether it exists (udf_VerPartVinc), is domiciled
    // (udf_EsDomiciliado: FLAG_CON_DOM "01") and sits in a tax haven (udf_EsParaisoFiscal:
    // FLAG_PAR_FIS "1"), in one statement prepared once a run.
    const QVariantList params{6, textValue(tc_.ruc), t, textValue(info.numero), textValue(ctx_.gFormulario)};
    info.exists = lookupRow(partyRow_, ctx_.db(),
                            QStringLiteral("SELECT FLAG_CON_DOM, FLAG_PAR_FIS FROM PAR_VIN WHERE TIP_DOC_D = ? AND "
                                           "DOC_ID_D = ? AND TIP_DOC_P = ? AND DOC_ID_P = ? AND FORMULARIO = ? LIMIT 1"),
                            params, [&info](const RowCursor& c) {
                                info.domiciled = c.bytes(0) == "01";
                                info.haven = c.bytes(1) == "1";
                            });
    return *(last_ = &parties_.emplace(std::move(key), info).first->second);
}

QString TransactionImporter::reglasRegistro(const TransactionFields& f) {
    QString c;
    const PartyInfo& p = party(f[TIP_DOC_P], f[DOC_ID_P]);
    const Campo f3 = f[FLAG_VAL_MET];
    const bool answer = is(tc_.answer2, "1");
    auto studyRule = [&] {
        if (f3 == "00" && answer) c = code("0646");
        if (f3 != "00" && !answer) c = code("0647");
    };
    // R1 party and valuation option.
    if (p.domiciled) {
        if (!tc_.desde2008) {
            if (f3 != "00") c = code("0644");
        } else {
            studyRule();
        }
    } else if (p.haven) {
        if (f3 == "00") c = code("0645");
    } else {
        studyRule();
    }
    // R2 types, R3 financial indicator.
    int flags = 0;
    bool finFlag = false, otherFlag = false;
    for (int i = PRIMERA_BANDERA; i <= ULTIMA_BANDERA; ++i) {
        if (f[i] != "1") continue;
        ++flags;
        (i == BANDERA_FINANCIERA_12 || i == BANDERA_FINANCIERA_34 ? finFlag : otherFlag) = true;
    }
    if (flags == 0) c = code("0648");
    if (flags >= 2 && f3 != "02") c = code("0649");
    const bool fin = financial(f);  // field 4 is "0" or "1"
    if (fin && (!finFlag || otherFlag)) c = code("0650");
    if (!fin && finFlag) c = code("0651");
    // R4 exclusive adjustments.
    if (f3 == "02") {
        const bool both = fin ? rules::bothAdjustments(num(f[MTO_TOT_AJU_RES_POS_REG]), num(f[MTO_TOT_AJU_RES_NEG_REG]))
                              : rules::bothAdjustments(num(f[MTO_AJU_RES_POS_REG]), num(f[MTO_AJU_RES_NEG_REG]));
        if (both) c = code("0693");
    }
    // R5 the currency of registration.
    const Campo moneda = f[COD_TIP_MONEDA];
    if ((moneda == "01" && is(tc_.answer1, "0")) || (moneda == "02" && is(tc_.answer1, "1"))) {
        if (f3 == "00") {
            if (fin && f[MTO_SIN_INTS_MON_ORI] != f[MTO_SIN_INTS_MON_REG]) c = code("0696");
            if (!fin && f[MTO_SIN_TRAN_MON_ORI] != f[MTO_SIN_TRAN_MON_REG]) c = code("0695");
        } else if (f3 == "02") {
            if (!fin && f[MTO_TRA_MON_ORI] != f[MTO_TRA_MON_REG]) c = code("0697");
            if (fin && f[MTO_TOT_INTS_MON_ORI] != f[MTO_TOT_INTS_MON_REG]) c = code("0698");
        }
    }
    return c;
}

QString TransactionImporter::reglasCasoYEscribir(const TransactionFields& f) {
    ColumnValues cols;
    auto put = [&](int n, const QString& value) { cols.set(columna(n), value); };
    auto store = [&](int n) { put(n, texto(f[n])); };
    auto storeIfGiven = [&](int n) {
        if (!f[n].empty()) store(n);
    };
    store(FLAG_VAL_MET);
    store(IND_TRANSAC_FIN);
    store(COD_TIP_MONEDA);
    storeIfGiven(NOM_OTRO_TIP_MON);
    const Campo f3 = f[FLAG_VAL_MET];
    const bool fin = financial(f);
    QString c;
    // Each pair: both columns the two fields when its unadjusted amount is given, else both empty.
    auto storePairs = [&](const Pair* pairs) {
        for (int i = 0; i < 3; ++i) {
            const Pair& p = pairs[i];
            const bool given = !f[p.unadj].empty();
            put(p.unadj, given ? texto(f[p.unadj]) : QString());
            put(p.adj, given ? texto(f[p.adj]) : QString());
        }
    };
    if (f3 == "00" && !fin) {
        if (!rules::zeroOrBothPositive(num(f[MTO_SIN_TRAN_MON_ORI]), num(f[MTO_SIN_TRAN_MON_REG]))) return code("0746");
        store(MTO_SIN_TRAN_MON_ORI);
        store(MTO_SIN_TRAN_MON_REG);
        storeIfGiven(PAR_ANALIZADA);
    } else if (f3 == "00") {
        if (f[MTO_SIN_CAP_MON_ORI] == "0") c = code("0747");
        if (!rules::loanFits(texto(f[MTO_SIN_CAP_MON_ORI]), texto(f[MTO_SIN_INTS_MON_ORI]),
                             texto(f[MTO_SIN_INTS_MON_REG]), texto(f[SAL_SIN_CAP_MON_REG])))
            c = code("0748");
        if (!c.isEmpty()) return c;
        const QString rate = fmt::format(num(f[TAS_SIN_EFE_ANU]), QStringLiteral("####0.#0"));
        if (rate.size() > 14) return code("0661");  // it could not be stored
        store(MTO_SIN_CAP_MON_ORI);
        store(MTO_SIN_INTS_MON_ORI);
        put(TAS_SIN_EFE_ANU, rate);
        store(MTO_SIN_INTS_MON_REG);
        store(SAL_SIN_CAP_MON_REG);
        storeIfGiven(PAR_ANALIZADA);
    } else if (f3 == "01" && !fin) {
        store(MTO_TRAN_MON_ORI);
        static const char* kUnadj[] = {"0731", "0733", "0735"};
        static const char* kAdj[] = {"0736", "0737", "0738"};
        for (int i = 0; i < 3; ++i) {
            if (!complete(f, kPairs[i])) continue;
            switch (rules::methodAmountFault(f[MTO_TRAN_MON_ORI] == "0", texto(f[kPairs[i].unadj]),
                                             texto(f[kPairs[i].adj]))) {
            case rules::MethodFault::Unadjusted: c = code(kUnadj[i]); break;
            case rules::MethodFault::Adjusted: c = code(kAdj[i]); break;
            case rules::MethodFault::None: break;
            }
        }
        if (!c.isEmpty()) return c;
        const Range* method = nullptr;
        if (tc_.desde2012) {
            const bool prPartly = !wholeEmpty(f, kPairs[1]), ciPartly = !wholeEmpty(f, kPairs[2]);
            if (complete(f, kPairs[0])) {
                method = &kRangePcnc;
                c = rangeCode(kRangePcnc, f);
                if (prPartly || ciPartly) c = code("0760");
            } else if (prPartly && ciPartly) {
                c = code("0760");
            } else if (complete(f, kPairs[1])) {
                method = &kRangePr;
                c = rangeCode(kRangePr, f);
            } else if (complete(f, kPairs[2])) {
                method = &kRangeCi;
                c = rangeCode(kRangeCi, f);
            }
            if (!c.isEmpty()) return c;
        }
        storePairs(kPairs);
        storeIfGiven(PAR_ANALIZADA);
        if (method) {
            const bool given = !f[method->fields[0]].empty();
            for (const int n : method->fields) put(n, given ? texto(f[n]) : QString());
        }
    } else if (f3 == "01") {
        store(MTO_CAP_MON_ORI);
        store(MTO_INTS_MON_ORI);
        store(TAS_EFE_ANU);
        store(SAL_CAP_MON_REG);
        if (f[MTO_CAP_MON_ORI] == "0") return code("0720");
        static const char* kNoInterest[] = {"0721", "0723", "0725"};
        static const char* kInterest[] = {"0727", "0728", "0729"};
        for (int i = 0; i < 3; ++i) {
            const Pair& p = kInterestPairs[i];
            if (!complete(f, p)) continue;
            if (f[MTO_INTS_MON_ORI] == "0") {
                if (num(f[p.unadj]) != 0) c = code(kNoInterest[i]);
            } else if (num(f[p.unadj]) <= 0 || num(f[p.adj]) <= 0) {
                c = code(kInterest[i]);
            }
        }
        if (!c.isEmpty()) return c;
        storeIfGiven(PAR_ANALIZADA);
        storePairs(kInterestPairs);
    } else if (f3 == "02" && !fin) {
        const QString positive = texto(f[MTO_AJU_RES_POS_REG]), negative = texto(f[MTO_AJU_RES_NEG_REG]);
        if (f[MTO_TRA_MON_ORI] != "0") {
            if (f[MTO_TRA_MON_REG] == "0") c = code("0741");
            else if (rules::textAboveZero(negative) && rules::textAboveZero(positive)) c = code("0740");
        } else {
            if (f[MTO_TRA_MON_REG] != "0") c = code("0741");
            else if (rules::bothAdjustments(num(f[MTO_AJU_RES_POS_REG]), num(f[MTO_AJU_RES_NEG_REG]))) c = code("0740");
        }
        if (c.isEmpty() && tc_.desde2012) {
            c = rangeCode(kRangeMmnt, f);
            if (c.isEmpty()) {
                const Campo pli = f[VALOR_PLI_MMNT];
                if (pli.empty() || pli == "0") c = code("0770");
                else if (const auto number = fmt::toNumber(texto(pli)); !number || *number < 0) c = code("0752");
            }
        }
        if (!c.isEmpty()) return c;
        for (int n = MTO_TRA_MON_ORI; n <= MET_VAL; ++n) store(n);
        if (tc_.desde2012)
            for (int n = IND_RENTABILIDAD_MMNT; n <= VALOR_PLI_MMNT; ++n) store(n);
        store(PAR_ANALIZADA);
    } else if (f3 == "02") {
        if (f[MTO_TOT_CAP_MON_ORI] == "0") return code("0742");
        const QString positive = texto(f[MTO_TOT_AJU_RES_POS_REG]), negative = texto(f[MTO_TOT_AJU_RES_NEG_REG]);
        if (f[MTO_TOT_INTS_MON_ORI] == "0") {
            if (f[MTO_TOT_INTS_MON_REG] != "0") c = code("0745");
            else if (rules::bothAdjustments(num(f[MTO_TOT_AJU_RES_POS_REG]), num(f[MTO_TOT_AJU_RES_NEG_REG])))
                c = code("0743");
        } else {
            if (f[MTO_TOT_INTS_MON_REG] == "0") c = code("0745");
            else if (rules::textAboveZero(negative) && rules::textAboveZero(positive)) c = code("0743");
        }
        if (!c.isEmpty()) return c;
        for (int n = MTO_TOT_CAP_MON_ORI; n <= MTO_TOT_AJU_RES_NEG_REG; ++n) store(n);
        store(PAR_ANALIZADA);
        store(MET_VAL_INTS);
    }

    std::vector<TypeValue> types;
    const bool detail = f[IND_TRANSAC_FIN] == "0" && f3 == "02" && tc_.desde2008;
    for (int i = PRIMERA_BANDERA; i <= ULTIMA_BANDERA; ++i) {
        if (f[i] != "1") continue;
        TypeValue t;
        t.code = tipoDeBandera(i);
        t.noAmount = TypeValue::NoAmount::Null;  // a type without detail amount leaves it unset
        if (detail) t.monto = texto(f[i + DETALLE_DE_BANDERA]);
        types.push_back(t);
    }
    PartyInfo& p = party(f[TIP_DOC_P], f[DOC_ID_P]);
    TransactionKey key;
    key.declaration = declaration_;
    key.party = Party{p.tipo, p.numero};
    if (p.next == 0) {
        // The party's next number (udf_SgteCorTransacc), read once a run by a statement prepared once.
        const QVariantList params{key.declaration.tipDocD, textValue(key.declaration.docIdD),
                                  textValue(key.declaration.periodo), p.tipo, textValue(p.numero),
                                  textValue(key.declaration.formulario)};
        QVariant highest;
        lookupRow(nextNumber_, ctx_.db(),
                  QStringLiteral("SELECT max(COR_TRANSACCION) FROM TMPTRANSACCION2 WHERE TIP_DOC_D = ? AND DOC_ID_D = ? "
                                 "AND PERIODO = ? AND TIP_DOC_P = ? AND DOC_ID_P = ? AND FORMULARIO = ?"),
                  params, [&highest](const RowCursor& c) { highest = c.value(0); });
        p.next = highest.isNull() ? 1 : static_cast<long>(highest.toLongLong()) + 1;
    }
    key.corTransaccion = p.next;
    writer_->insert(key, cols, types);
    ++p.next;
    return QString();
}

QString TransactionImporter::importarLinea(std::string_view raw) {
    const int last = tc_.desde2012 ? kCamposTransaccion : ULTIMO_ANTES_DE_2012;
    // The fields are read in place: the text before each "|" (at most `last` of them), its blanks
    // trimmed and its letters upper-cased. A field the line lacks, or without a single character,
    // is empty. Every field up to `last` is stored before the line's rules read it, and the checks
    // of a field read only the fields before it; the previous line's values, which view bytes this
    // line replaces, are emptied first, so that no check can read them.
    f_.fill(Campo());
    line_.assign(raw);
    char* chars = line_.data();
    const size_t size = line_.size();
    size_t pos = 0;
    bool ended = false;  // no separator left
    for (int n = 1; n <= last; ++n) {
        Campo v;
        bool dado = false;
        if (!ended) {
            size_t bar = pos;  // fields are short: a plain scan beats a call
            while (bar < size && chars[bar] != '|') ++bar;
            if (bar == size) {
                ended = true;
            } else {
                size_t b = pos, e = bar;
                pos = e + 1;
                dado = e > b;
                while (b < e && chars[b] == ' ') ++b;
                while (e > b && chars[e - 1] == ' ') --e;
                for (size_t k = b; k < e; ++k)
                    if (chars[k] >= 'a' || chars[k] < 0) chars[k] = upperByte(chars[k]);
                v = Campo(chars + b, e - b);
            }
        }
        QString c = checks_.campo(n, v, dado, f_);
        if (!c.isEmpty()) return c;
        f_[n] = v;
    }
    const QString c = reglasRegistro(f_);
    if (!c.isEmpty()) return c;
    return reglasCasoYEscribir(f_);
}

}  // namespace klv::import
