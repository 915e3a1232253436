#include "transaction_import.h"

#include "amount_rules.h"
#include "app_context.h"
#include "database.h"
#include "declaration_queries.h"
#include "field_checks.h"
#include "format.h"
#include "party_store.h"
#include "transaction_writer.h"
#include "utilitarios.h"

namespace klv::import {
namespace {

QString code(const char* c) { return QString::fromLatin1(c); }

// The leading number of a text (the lenient reading the rules call numeric).
double num(const QString& v) { return fmt::val(v); }

// Digits only (an empty value passes).
bool digitScan(const Utilitarios& u, const QString& v) { return scanChars(v, [&u](int k) { return u.EsDigito(k); }); }

// A rate: digits with at most one point, never first.
bool rateScan(const QString& v) {
    if (v.startsWith(QLatin1Char('.'))) return false;
    if (v.count(QLatin1Char('.')) > 1) return false;
    return scanChars(v, [](int k) { return (k >= '0' && k <= '9') || k == '.'; });
}

// Field 3 and 4 of the line decide its case.
bool financial(const TransactionFields& f) { return is(f[4], "1"); }

struct Pair {
    int unadj, adj;
    const char* colUnadj;
    const char* colAdj;
};
constexpr Pair kPairs[] = {{15, 16, "MTO_SIN_AJU_PCNC", "MTO_AJU_PCNC"},
                           {17, 18, "MTO_SIN_AJU_PR", "MTO_AJU_PR"},
                           {19, 20, "MTO_SIN_AJU_CI", "MTO_AJU_CI"}};
constexpr Pair kInterestPairs[] = {{25, 26, "MTO_INTS_SIN_AJU_PCNC", "MTO_INTS_AJU_PCNC"},
                                   {27, 28, "MTO_INTS_SIN_AJU_PR", "MTO_INTS_AJU_PR"},
                                   {29, 30, "MTO_INTS_SIN_AJU_CI", "MTO_INTS_AJU_CI"}};

// The range fields of a method and their codes.
struct Range {
    std::vector<int> fields;
    std::vector<const char*> columns;
    std::vector<const char*> presence, numeric;
    bool lastNegativeKept;  // PCNC keeps the last failing sign check, the others the first
};
const Range kRangePcnc{{134, 135, 136},
                       {"mto_lim_inf_pcnc", "mto_lim_sup_pcnc", "mto_mediana_pcnc"},
                       {"0755", "0756", "0757"},
                       {"0703", "0704", "0705"},
                       true};
const Range kRangePr{{137, 138, 139, 140},
                     {"mto_lim_inf_pr", "mto_lim_sup_pr", "mto_mediana_pr", "mto_margen_bruto_pr"},
                     {"0761", "0762", "0763", "0764"},
                     {"0706", "0707", "0708", "0709"},
                     false};
const Range kRangeCi{{141, 142, 143, 144},
                     {"mto_lim_inf_ci", "mto_lim_sup_ci", "mto_mediana_ci", "mto_margen_bruto_ci"},
                     {"0761", "0762", "0763", "0764"},
                     {"0713", "0714", "0715", "0716"},
                     false};
const Range kRangeMmnt{{146, 147, 148},
                       {"mto_lim_inf_mmnt", "mto_lim_sup_mmnt", "mto_mediana_mmnt"},
                       {"0761", "0762", "0763"},
                       {"0766", "0767", "0768"},
                       false};

// The checks of a range: presence, numeric, sign, then the order of bounds and median.
QString rangeCode(const Range& r, const TransactionFields& f) {
    QString c;
    for (size_t i = 0; i < r.fields.size() && c.isEmpty(); ++i) {
        const QString& v = f[r.fields[i]];
        if (v.isEmpty() || is(v, "0")) c = code(r.presence[i]);
    }
    for (size_t i = 0; i < r.fields.size() && c.isEmpty(); ++i)
        if (!fmt::isNumeric(f[r.fields[i]])) c = code(r.numeric[i]);
    if (c.isEmpty()) {
        for (size_t i = 0; i < r.fields.size(); ++i) {
            if (fmt::toNumber(f[r.fields[i]]).value_or(0) < 0) {
                c = code(r.numeric[i]);
                if (!r.lastNegativeKept) break;
            }
        }
    }
    if (c.isEmpty()) {
        const QString &inf = f[r.fields[0]], &sup = f[r.fields[1]], &med = f[r.fields[2]];
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

bool wholeEmpty(const TransactionFields& f, const Pair& p) { return f[p.unadj].isEmpty() && f[p.adj].isEmpty(); }
bool complete(const TransactionFields& f, const Pair& p) { return !f[p.unadj].isEmpty() && !f[p.adj].isEmpty(); }

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
                                               std::function<bool(const QString&, const QString&)> partyExists)
    : ctx_(ctx), ref_(ref), tc_(std::move(tc)), partyExists_(std::move(partyExists)) {}

QString TransactionFieldChecks::campoVacio(int n, const TransactionFields& f) const {
    const QString& f3 = f[3];
    // The flags and the fields of 2012 first: most empty fields of a line are there.
    if (n >= 43) {
        if (n >= 88 && n <= 132 && tc_.desde2008 && is(f[4], "0") && is(f3, "02") && is(f[n - 45], "1"))
            return code("0749");
        if (n == 133 && tc_.desde2012 && (is(tc_.answer2, "1") || (!tc_.desde2013 && is(tc_.answer2, "0"))))
            return code("0701");
        return QString();
    }
    const bool fin = financial(f);
    if (n <= 5) return code(n == 1 ? "0601" : n == 2 ? "0602" : n == 3 ? "0604" : n == 4 ? "0603" : "0605");
    if (n == 6) return is(f[5], "00") ? code("0606") : QString();
    if ((n == 7 || n == 8) && is(f3, "00") && !fin) return code(n == 7 ? "0608" : "0609");
    if (n >= 9 && n <= 13 && is(f3, "00") && fin) return QStringLiteral("%1").arg(610 + n - 9, 4, 10, QLatin1Char('0'));
    if (n == 14 && is(f3, "01") && !fin) return code("0615");
    auto pairsRule = [&](int first, const char* c1, const char* c2, const char* c3, const char* all) {
        // The values read so far: field n and those after it are empty.
        auto val = [&](int i) { return i >= n ? QString() : f[i]; };
        QString c;
        if (val(first + 1).isEmpty() && !val(first).isEmpty()) c = code(c1);
        if (val(first + 3).isEmpty() && !val(first + 2).isEmpty()) c = code(c2);
        if (val(first + 5).isEmpty() && !val(first + 4).isEmpty()) c = code(c3);
        if (n == first + 5 && val(first + 1).isEmpty() && val(first + 3).isEmpty()) c = code(all);
        return c;
    };
    if (n >= 15 && n <= 20 && is(f3, "01") && !fin) return pairsRule(15, "0617", "0619", "0621", "0699");
    if (n >= 21 && n <= 24 && is(f3, "01") && fin) return QStringLiteral("%1").arg(622 + n - 21, 4, 10, QLatin1Char('0'));
    if (n >= 25 && n <= 30 && is(f3, "01") && fin) return pairsRule(25, "0627", "0629", "0631", "0700");
    if (n >= 31 && n <= 35 && is(f3, "02") && !fin) return QStringLiteral("%1").arg(632 + n - 31, 4, 10, QLatin1Char('0'));
    if (n >= 36 && n <= 42 && is(f3, "02") && fin) return QStringLiteral("%1").arg(637 + n - 36, 4, 10, QLatin1Char('0'));
    return QString();
}

QString TransactionFieldChecks::campo(int n, QString& v, bool dado, const TransactionFields& f) {
    // The flags first, then the detail amounts: two thirds of the fields of a line.
    if (n >= 43 && n <= 87) {
        static const QString kCero = QStringLiteral("0");
        if (!dado) v = kCero;
        return v.size() > 1 || !in(v, "0", "1") ? code("0692") : QString();
    }
    // The detail amounts of a line that is not "02", or of a period before 2008, have no rule.
    if (n >= 88 && n <= 132 && !(tc_.desde2008 && is(f[3], "02"))) return QString();
    if (!dado) {
        QString c = campoVacio(n, f);
        if (!c.isEmpty()) return c;
    }
    return valida(n, v, f);
}

QString TransactionFieldChecks::valida(int n, const QString& v, const TransactionFields& f) {
    const Utilitarios& u = *ctx_.gUtil;
    QString c;
    auto fail = [&c](const char* k) { c = code(k); };
    const QString& f3 = f[3];
    const bool fin = financial(f);
    if (n == 1) {
        total_ = 0;
        detalle_ = 0;
        metodo_.clear();
        if (!in(v, "1", "01", "4", "04", "6", "06", "7", "07", "31", "32")) fail("0652");
        return c;
    }
    if (n == 2) {
        const QString& t = f[1];
        if (v.isEmpty()) fail("0602");
        if ((is(t, "1") && v.size() != 8) || (in(t, "4", "7") && v.size() > 12) ||
            (in(t, "31", "32") && v.size() > 50) || (is(t, "6") && (!u.ValidaRuc(v) || v.size() != 11)))
            fail("0653");
        const bool nameChars = in(t, "1", "6");
        if (!scanChars(v, [&](int k) { return nameChars ? u.EsLetraNombre(k, true) : u.EsCaracterDocumento(k); }))
            fail("0653");
        if (!partyExists_(t, v)) fail("0600");
        return c;
    }
    if (n == 3) {
        if (v.size() > 2 || !in(v, "00", "01", "02")) fail("0654");
        return c;
    }
    if (n == 4) {
        if (v.size() > 1 || !in(v, "0", "1")) fail("0655");
        return c;
    }
    if (n == 5) {
        if (v.size() > 2) {
            fail("0656");
        } else {
            auto known = monedas_.constFind(v);
            if (known == monedas_.constEnd()) {
                const auto number = fmt::toNumber(v);
                const QString key = number ? fmt::format(*number, QStringLiteral("000")) : v;
                known = monedas_.insert(v, ref_.moneda(key));
            }
            if (!*known) fail("0656");
        }
        return c;
    }
    if (n == 6) {
        if (!is(f[5], "00") && !v.isEmpty()) fail("0712");
        if (is(f[5], "00")) {
            if (v.isEmpty() || v.size() >= 16) fail("0711");
            if (!scanChars(v, [&u](int k) { return u.EsCaracterValido(k, true, false); })) fail("0711");
        }
        return c;
    }
    if (n >= 7 && n <= 42) {
        if (n != 35 && n != 42 && v.size() > 14) fail("0710");
        if (v.isEmpty() && n != 35 && n != 42) return c;  // passes every scan
        const bool g00n = is(f3, "00") && !fin, g00f = is(f3, "00") && fin;
        const bool g01n = is(f3, "01") && !fin, g01f = is(f3, "01") && fin;
        const bool g02n = is(f3, "02") && !fin, g02f = is(f3, "02") && fin;
        auto digits = [&](int first, int firstCode) {
            if (!digitScan(u, v)) c = QStringLiteral("%1").arg(firstCode + n - first, 4, 10, QLatin1Char('0'));
        };
        if (g00n && n <= 8) digits(7, 657);
        if (g00f && n >= 9 && n <= 13) {
            if (n == 11) {
                if (!rateScan(v) || v == QLatin1String(".")) fail("0661");
            } else {
                digits(9, 659);
            }
        }
        if (g01n && n >= 14 && n <= 20) digits(14, 664);
        if (g01f && n >= 21 && n <= 30) {
            if (n == 23) {
                if (!rateScan(v)) fail("0673");
            } else {
                digits(21, 671);
            }
        }
        if (g02n && n >= 31 && n <= 35) {
            if (n == 35) {
                if (!in(v, "05", "04", "06")) fail("0685");
                metodo_ = v;
            } else {
                digits(31, 681);
                if (n == 32) total_ = fixed4(v);
            }
        }
        if (g02f && n >= 36 && n <= 42) {
            if (n == 42) {
                if (!in(v, "05", "04", "06")) fail("0685");
            } else {
                digits(36, 686);
            }
        }
        return c;
    }
    if (n >= 88 && n <= 132) {
        if (tc_.desde2008 && is(f3, "02")) {
            // A detail amount that is written (non-financial lines) must fit its column, as the
            // amounts of fields 7-42.
            if (v.size() > 14 && is(f[4], "0")) fail("0710");
            else if (!digitScan(u, v)) fail("0749");
            detalle_ += fixed4(v);
            if (n == 132 && is(f[4], "0") && detalle_ != total_) fail("0750");
        }
        return c;
    }
    // Fields added in 2012.
    if (n == 133) {
        if (is(tc_.answer2, "1") || (!tc_.desde2013 && is(tc_.answer2, "0"))) {
            if (v.size() > 2 || !in(v, "01", "02")) fail("0701");
        } else if (tc_.desde2013 && is(tc_.answer2, "0")) {
            if (!v.isEmpty()) fail("0771");
        } else if (v.size() > 2) {
            fail("0701");  // it could not be stored
        }
        return c;
    }
    if (n == 145) {
        if (is(f[4], "0") && is(f3, "02") && is(metodo_, "06")) {
            if (v.isEmpty()) fail("0769");
            else if (v.size() > 2 || !in(v, "00", "01", "02", "03", "04", "05")) fail("0702");
        } else if (v.size() > 2) {
            fail("0702");  // it could not be stored
        }
        return c;
    }
    static const char* kRangeCodes[] = {"0703", "0704", "0705", "0706", "0707", "0708", "0709", "0713",
                                        "0714", "0715", "0716", nullptr, "0717", "0718", "0719", "0752"};
    if (v.isEmpty()) return c;  // passes both checks
    const char* rc = kRangeCodes[n - 134];
    if (v.size() > 16 || !udf_ValidaNumeroDecimal(v, 13)) fail(rc);
    if (!scanChars(v, [&u](int k) { return u.EsLetraNombre(k, true); })) fail(rc);
    return c;
}

// ---- The run ----------------------------------------------------------------------------------

TransactionImporter::TransactionImporter(AppContext& ctx, const ImportRequest& req, const ReferenceCache& ref)
    : ctx_(ctx),
      tc_(req),
      ref_(ref),
      checks_(ctx, ref, tc_, [this](const QString& t, const QString& n) { return party(t, n).exists; }),
      writer_(std::make_unique<TransactionWriter>(ctx.db(), TransactionWriter::Guard::Caller)) {}

TransactionImporter::~TransactionImporter() = default;

TransactionImporter::PartyInfo& TransactionImporter::party(const QString& tipo, const QString& numero) {
    if (last_ && tipo == lastTipo_ && numero == lastNumero_) return *last_;
    bool whole = false;
    int t = tipo.toInt(&whole);  // the type's number as fmt::val reads it, without its cost
    if (!whole) t = static_cast<int>(fmt::val(tipo));
    const PartyKey key{t, numero};
    lastTipo_ = tipo;
    lastNumero_ = numero;
    auto it = parties_.find(key);
    if (it != parties_.end()) return *(last_ = &it->second);
    PartyInfo info;
    info.tipo = t;
    const Declarant d{6, tc_.ruc};
    const Party p{t, numero};
    info.exists = udf_VerPartVinc(ctx_, d, p);
    if (info.exists) {
        info.domiciled = udf_EsDomiciliado(ctx_, d, p);
        info.haven = udf_EsParaisoFiscal(ctx_, d, p);
    }
    return *(last_ = &parties_.emplace(key, info).first->second);
}

QString TransactionImporter::reglasRegistro(const TransactionFields& f) {
    QString c;
    const PartyInfo& p = party(f[1], f[2]);
    const QString& f3 = f[3];
    const QString answer = is(tc_.answer2, "1") ? QStringLiteral("1") : QStringLiteral("0");
    auto studyRule = [&] {
        if (is(f3, "00") && is(answer, "1")) c = code("0646");
        if (!is(f3, "00") && !is(answer, "1")) c = code("0647");
    };
    // R1 party and valuation option.
    if (p.domiciled) {
        if (!tc_.desde2008) {
            if (!is(f3, "00")) c = code("0644");
        } else {
            studyRule();
        }
    } else if (p.haven) {
        if (is(f3, "00")) c = code("0645");
    } else {
        studyRule();
    }
    // R2 types, R3 financial indicator.
    int flags = 0;
    bool finFlag = false, otherFlag = false;
    for (int i = 43; i <= 87; ++i) {
        if (!is(f[i], "1")) continue;
        ++flags;
        (i == 54 || i == 80 ? finFlag : otherFlag) = true;
    }
    if (flags == 0) c = code("0648");
    if (flags >= 2 && !is(f3, "02")) c = code("0649");
    const double ind = financial(f) ? 1 : 0;  // field 4 is "0" or "1"
    if (ind == 1 && (!finFlag || otherFlag)) c = code("0650");
    if (ind == 0 && finFlag) c = code("0651");
    // R4 exclusive adjustments.
    if (is(f3, "02")) {
        const bool both = ind == 1 ? rules::bothAdjustments(num(f[40]), num(f[41]))
                                   : rules::bothAdjustments(num(f[33]), num(f[34]));
        if (both) c = code("0693");
    }
    // R5 the currency of registration.
    if ((is(f[5], "01") && is(tc_.answer1, "0")) || (is(f[5], "02") && is(tc_.answer1, "1"))) {
        if (is(f3, "00")) {
            if (ind == 1 && f[10] != f[12]) c = code("0696");
            if (ind != 1 && f[7] != f[8]) c = code("0695");
        } else if (is(f3, "02")) {
            if (ind != 1 && f[31] != f[32]) c = code("0697");
            if (ind == 1 && f[37] != f[38]) c = code("0698");
        }
    }
    return c;
}

QString TransactionImporter::escribir(const TransactionFields& f) {
    ColumnValues cols;
    auto set = [&](const char* column, const QString& value) {
        QString& name = columnNames_[column];
        if (name.isEmpty()) name = QString::fromLatin1(column).toLower();
        cols.set(name, value);
    };
    auto setIfGiven = [&](const char* column, const QString& value) {
        if (!value.isEmpty()) set(column, value);
    };
    set("FLAG_VAL_MET", f[3]);
    set("IND_TRANSAC_FIN", f[4]);
    set("COD_TIP_MONEDA", f[5]);
    setIfGiven("NOM_OTRO_TIP_MON", f[6]);
    const QString& f3 = f[3];
    const bool fin = financial(f);
    QString c;
    auto writePairs = [&](const Pair* pairs) {
        for (int i = 0; i < 3; ++i) {
            const Pair& p = pairs[i];
            const bool given = !f[p.unadj].isEmpty();
            set(p.colUnadj, given ? f[p.unadj] : QString());
            set(p.colAdj, given ? f[p.adj] : QString());
        }
    };
    if (is(f3, "00") && !fin) {
        if (!rules::zeroOrBothPositive(num(f[7]), num(f[8]))) return code("0746");
        set("MTO_SIN_TRAN_MON_ORI", f[7]);
        set("MTO_SIN_TRAN_MON_REG", f[8]);
        setIfGiven("par_analizada", f[133]);
    } else if (is(f3, "00")) {
        if (is(f[9], "0")) c = code("0747");
        if (!rules::loanFits(f[9], f[10], f[12], f[13])) c = code("0748");
        if (!c.isEmpty()) return c;
        const QString rate = fmt::format(num(f[11]), QStringLiteral("####0.#0"));
        if (rate.size() > 14) return code("0661");  // it could not be stored
        set("MTO_SIN_CAP_MON_ORI", f[9]);
        set("MTO_SIN_INTS_MON_ORI", f[10]);
        set("TAS_SIN_EFE_ANU", rate);
        set("MTO_SIN_INTS_MON_REG", f[12]);
        set("SAL_SIN_CAP_MON_REG", f[13]);
        setIfGiven("par_analizada", f[133]);
    } else if (is(f3, "01") && !fin) {
        set("MTO_TRAN_MON_ORI", f[14]);
        static const char* kUnadj[] = {"0731", "0733", "0735"};
        static const char* kAdj[] = {"0736", "0737", "0738"};
        for (int i = 0; i < 3; ++i) {
            if (!complete(f, kPairs[i])) continue;
            switch (rules::methodAmountFault(is(f[14], "0"), f[kPairs[i].unadj], f[kPairs[i].adj])) {
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
        writePairs(kPairs);
        setIfGiven("par_analizada", f[133]);
        if (method) {
            const bool given = !f[method->fields[0]].isEmpty();
            for (size_t i = 0; i < method->fields.size(); ++i)
                set(method->columns[i], given ? f[method->fields[i]] : QString());
        }
    } else if (is(f3, "01")) {
        set("MTO_CAP_MON_ORI", f[21]);
        set("MTO_INTS_MON_ORI", f[22]);
        set("TAS_EFE_ANU", f[23]);
        set("SAL_CAP_MON_REG", f[24]);
        if (is(f[21], "0")) return code("0720");
        static const char* kNoInterest[] = {"0721", "0723", "0725"};
        static const char* kInterest[] = {"0727", "0728", "0729"};
        for (int i = 0; i < 3; ++i) {
            const Pair& p = kInterestPairs[i];
            if (!complete(f, p)) continue;
            if (is(f[22], "0")) {
                if (num(f[p.unadj]) != 0) c = code(kNoInterest[i]);
            } else if (num(f[p.unadj]) <= 0 || num(f[p.adj]) <= 0) {
                c = code(kInterest[i]);
            }
        }
        if (!c.isEmpty()) return c;
        setIfGiven("par_analizada", f[133]);
        writePairs(kInterestPairs);
    } else if (is(f3, "02") && !fin) {
        if (!is(f[31], "0")) {
            if (is(f[32], "0")) c = code("0741");
            else if (rules::textAboveZero(f[34]) && rules::textAboveZero(f[33])) c = code("0740");
        } else {
            if (!is(f[32], "0")) c = code("0741");
            else if (rules::bothAdjustments(num(f[33]), num(f[34]))) c = code("0740");
        }
        if (c.isEmpty() && tc_.desde2012) {
            c = rangeCode(kRangeMmnt, f);
            if (c.isEmpty()) {
                const QString& pli = f[149];
                if (pli.isEmpty() || is(pli, "0")) c = code("0770");
                else if (!fmt::isNumeric(pli) || *fmt::toNumber(pli) < 0) c = code("0752");
            }
        }
        if (!c.isEmpty()) return c;
        set("MTO_TRA_MON_ORI", f[31]);
        set("MTO_TRA_MON_REG", f[32]);
        set("MTO_AJU_RES_POS_REG", f[33]);
        set("MTO_AJU_RES_NEG_REG", f[34]);
        set("MET_VAL", f[35]);
        if (tc_.desde2012) {
            set("ind_rentabilidad_mmnt", f[145]);
            set("mto_lim_inf_mmnt", f[146]);
            set("mto_lim_sup_mmnt", f[147]);
            set("mto_mediana_mmnt", f[148]);
            set("valor_pli_mmnt", f[149]);
        }
        set("par_analizada", f[133]);
    } else if (is(f3, "02")) {
        if (is(f[36], "0")) return code("0742");
        if (is(f[37], "0")) {
            if (!is(f[38], "0")) c = code("0745");
            else if (rules::bothAdjustments(num(f[40]), num(f[41]))) c = code("0743");
        } else {
            if (is(f[38], "0")) c = code("0745");
            else if (rules::textAboveZero(f[41]) && rules::textAboveZero(f[40])) c = code("0743");
        }
        if (!c.isEmpty()) return c;
        set("MTO_TOT_CAP_MON_ORI", f[36]);
        set("MTO_TOT_INTS_MON_ORI", f[37]);
        set("MTO_TOT_INTS_MON_REG", f[38]);
        set("SAL_TOT_CAP_MON_REG", f[39]);
        set("MTO_TOT_AJU_RES_POS_REG", f[40]);
        set("MTO_TOT_AJU_RES_NEG_REG", f[41]);
        set("par_analizada", f[133]);
        set("MET_VAL_INTS", f[42]);
    }

    std::vector<TypeValue> types;
    const bool detail = is(f[4], "0") && is(f3, "02") && tc_.desde2008;
    for (int i = 43; i <= 87; ++i) {
        if (!is(f[i], "1")) continue;
        TypeValue t;
        t.code = tipoDeBandera(i);
        t.noAmount = TypeValue::NoAmount::Null;  // a type without detail amount leaves it unset
        if (detail) t.monto = f[i + 45];
        types.push_back(t);
    }
    PartyInfo& p = party(f[1], f[2]);
    TransactionKey key;
    key.declaration = DeclarationKey{6, tc_.ruc, tc_.periodo, ctx_.gFormulario};
    key.party = Party{p.tipo, f[2]};
    if (p.next == 0) p.next = udf_SgteCorTransacc(ctx_, key.declaration, key.party);
    key.corTransaccion = p.next;
    writer_->insert(key, cols, types);
    ++p.next;
    return QString();
}

QString TransactionImporter::importarLinea(const QString& line) {
    const int last = tc_.desde2012 ? kCamposTransaccion : 132;
    // Every field up to `last` is stored before the line's rules read it, and the checks of a field
    // read only the fields before it: what an earlier line left is never read.
    FieldReader fields(line, last);
    for (int n = 1; n <= last; ++n) {
        QString v;
        const bool dado = fields.next(v);
        QString c = checks_.campo(n, v, dado, f_);
        if (!c.isEmpty()) return c;
        f_[n] = std::move(v);
    }
    const QString c = reglasRegistro(f_);
    if (!c.isEmpty()) return c;
    return escribir(f_);
}

}  // namespace klv::import
