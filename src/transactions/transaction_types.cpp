#include "transaction_types.h"

#include "app_context.h"
#include "declaration_sql.h"
#include "declaration_state.h"
#include "format.h"

namespace klv {
namespace {

bool oneTypeOption(const QString& flag) { return flag == kSinMetodo || flag == kTradicional; }

void untickAll(std::vector<TypeItem>& types) {
    for (TypeItem& t : types) t.ticked = false;
}

// The rule of several types: a financial type ticks both financial types and only them; any other
// unticks the financial types.
TickResult severalTypes(std::vector<TypeItem>& types, int index) {
    TickResult r;
    if (isFinancialType(types[index].code)) {
        for (TypeItem& t : types) {
            const int n = static_cast<int>(fmt::val(t.code));
            t.ticked = n == 12 || n == 34;
        }
        r.financiera = 1;
        r.message39 = true;
    } else {
        for (TypeItem& t : types)
            if (isFinancialType(t.code)) t.ticked = false;
        r.financiera = 0;
    }
    r.modified = true;
    return r;
}

}  // namespace

std::vector<TypeItem> udp_CargarLvwTipTransacc(const AppContext& ctx) {
    std::vector<TypeItem> out;
    Query q = ctx.db().exec(QStringLiteral(
        "SELECT TRIM(ARGUMENTO), SUBSTR(FUNCION, 1, 100) FROM PARAM WHERE NUMERO='395'"
        " ORDER BY CORREL_PARAM DESC, VB_VAL(ARGUMENTO)"));
    while (q.next()) {
        const QString arg = decl::text(q.value(0));
        // Format(..., "00"): a number shows with two digits at least; any other text as it is.
        const QString code = fmt::isNumeric(arg) ? fmt::format(fmt::val(arg), QStringLiteral("00")) : arg;
        out.push_back({code, decl::text(q.value(1)), false});
    }
    return out;
}

QString msgSinTiposTransaccion() { return QStringLiteral("NO SE ENCONTRO TIPOS DE TRANSACCION"); }

QStringList storedTypeCodes(const AppContext& ctx, const TransactionKey& key) {
    QVariantList p = decl::keyParams(key.declaration);
    p << key.party.tipDocP << textValue(key.party.docIdP) << static_cast<qlonglong>(key.corTransaccion);
    Query q = ctx.db().exec(QStringLiteral("SELECT COD_TIP_TRANSACCION FROM TMPTRATIPTRA WHERE %1 AND TIP_DOC_P=?"
                                               " AND DOC_ID_P=? AND COR_TRANSACCION=? ORDER BY COD_TIP_TRANSACCION")
                                    .arg(decl::keyCondition()),
                                p);
    QStringList codes;
    while (q.next()) codes << decl::text(q.value(0));
    return codes;
}

TickResult onItemCheck(std::vector<TypeItem>& types, int index, const QString& mode, const QString& flag) {
    TickResult r;
    if (index < 0 || index >= static_cast<int>(types.size())) return r;
    if (mode == kModoModificar) {
        types[index].ticked = !types[index].ticked;
        return r;
    }
    if (!oneTypeOption(flag)) return severalTypes(types, index);
    const bool ticked = types[index].ticked;
    untickAll(types);
    types[index].ticked = ticked;
    r.financiera = isFinancialType(types[index].code) ? 1 : 0;
    r.modified = true;
    return r;
}

TickResult onItemClick(std::vector<TypeItem>& types, int index, const QString& mode, const QString& flag) {
    TickResult r;
    if (index < 0 || index >= static_cast<int>(types.size()) || mode == kModoModificar) return r;
    if (!oneTypeOption(flag)) {
        types[index].ticked = !types[index].ticked;
        return severalTypes(types, index);
    }
    const bool wasTicked = types[index].ticked;
    untickAll(types);
    types[index].ticked = !wasTicked;
    r.financiera = isFinancialType(types[index].code) ? 1 : 0;
    r.modified = true;
    return r;
}

}  // namespace klv
