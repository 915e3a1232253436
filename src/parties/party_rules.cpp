#include "party_rules.h"

#include "app_context.h"
#include "database.h"

namespace klv {

KindRule reglaNaturaleza(party::Kind kind, const QString& sConDom) {
    const bool dom = sConDom == QLatin1String("1");
    const bool noDom = sConDom == QLatin1String("0");
    switch (kind) {
    case party::Kind::Natural:
        if (dom) return {{"1", "4", "6", "7"}, 0};
        if (noDom) return {{"31", "32", "7"}, 1};
        return {};
    case party::Kind::Juridica:
        if (dom) return {{"6"}, 0};
        if (noDom) return {{"31"}, 2};
        return {};
    case party::Kind::Otro:
        return {{"31"}, 0};
    case party::Kind::None:
        break;
    }
    return {};
}

DirLegalEnabled udp_HabilitaDirLegal(int modo, bool habilitar) {
    if (modo == 0) return {habilitar, habilitar, habilitar};
    if (modo == 1) return {true, true, true};
    return {true, true, false};
}

std::optional<int> longitudDocumento(const QString& codigo) {
    if (codigo == QLatin1String("01")) return 8;
    if (codigo == QLatin1String("04") || codigo == QLatin1String("07")) return 12;
    if (codigo == QLatin1String("06")) return 11;
    if (codigo == QLatin1String("31") || codigo == QLatin1String("32")) return 50;
    return std::nullopt;
}

bool udp_VerificaParaiso(const AppContext& ctx, const QString& codigo) {
    return ctx.db()
        .scalar(QStringLiteral("SELECT 1 FROM PARAISO_FISCAL WHERE COD_PAR = ? LIMIT 1"), {textValue(codigo.trimmed())})
        .isValid();
}

}  // namespace klv
