#include "transaction_load.h"

#include "app_context.h"
#include "declaration_sql.h"
#include "format.h"
#include "schema.h"
#include "transaction_map.h"

#include <QSqlRecord>

namespace klv {
namespace {

class Steps {
public:
    Steps(const QSqlRecord& row, std::vector<LoadStep>& out) : row_(row), out_(out) {}

    QVariant raw(const char* column) const { return row_.value(QLatin1String(column)); }
    // Copied as stored; NULL shows as an empty box.
    void plain(const char* column, const char* box) {
        out_.push_back({LoadStep::Kind::Text, QLatin1String(box), decl::text(raw(column)), false});
    }
    void tick(const char* check) { out_.push_back({LoadStep::Kind::Tick, QLatin1String(check), {}, false}); }
    // The method's check when its unadjusted amount is present, then both boxes.
    void method(const char* check, const char* sinAju, const char* aju, const char* sinAjuBox, const char* ajuBox) {
        if (!presentAmount(raw(sinAju))) return;
        tick(check);
        plain(sinAju, sinAjuBox);
        plain(aju, ajuBox);
    }
    // Each range value when present; a present one first ticks `check` (none for PCNC).
    void ranges(const char* check, std::initializer_list<std::pair<const char*, const char*>> cols) {
        for (const auto& [column, box] : cols) {
            if (!presentAmount(raw(column))) continue;
            if (check) tick(check);
            plain(column, box);
        }
    }
    void select(const char* column, const char* combo, bool byNumber) {
        out_.push_back({LoadStep::Kind::Select, QLatin1String(combo), decl::text(raw(column)).trimmed(), byNumber});
    }

private:
    const QSqlRecord& row_;
    std::vector<LoadStep>& out_;
};

}  // namespace

bool presentAmount(const QVariant& v) {
    if (v.isNull()) return false;
    const QString t = v.toString().trimmed();
    return !t.isEmpty() && fmt::val(t) >= 0;
}

StoredTransaction readStoredTransaction(const AppContext& ctx, const QString& docIdD, const QString& periodo,
                                        const Party& party, long cor, bool from2012) {
    StoredTransaction s;
    const QStringList cols = schema::columnNames(QStringLiteral("TMPTRANSACCION2"));
    const auto rows = ctx.db().rows(QStringLiteral("SELECT %1 FROM TMPTRANSACCION2 WHERE TIP_DOC_D=6 AND DOC_ID_D=?"
                                                   " AND PERIODO=? AND TIP_DOC_P=? AND DOC_ID_P=? AND COR_TRANSACCION=?")
                                        .arg(decl::columnList(cols)),
                                    {textValue(docIdD), textValue(periodo), party.tipDocP, textValue(party.docIdP),
                                     static_cast<qlonglong>(cor)});
    if (rows.empty()) {
        s.problem = StoredTransaction::Problem::NoRow;
        return s;
    }
    Query q = ctx.db().exec(QStringLiteral("SELECT DOC_ID_P FROM PAR_VIN WHERE TIP_DOC_D=6 AND DOC_ID_D=?"
                                               " AND DOC_ID_P=? AND TIP_DOC_P=?"),
                                {textValue(docIdD), textValue(party.docIdP), party.tipDocP});
    while (q.next()) s.partyDocs << decl::text(q.value(0));
    if (s.partyDocs.isEmpty()) {
        s.problem = StoredTransaction::Problem::NoParty;
        return s;
    }
    const QSqlRecord& row = rows.front();
    if (row.value(QStringLiteral("ind_transac_fin")).isNull()) {
        s.problem = StoredTransaction::Problem::NoFinancialKind;
        return s;
    }

    s.flag = decl::text(row.value(QStringLiteral("flag_val_met")));
    s.parAnalizada = decl::text(row.value(QStringLiteral("par_analizada")));
    s.financiera = fmt::val(decl::text(row.value(QStringLiteral("ind_transac_fin")))) == 1;
    const QVariant name = row.value(QStringLiteral("nom_otro_tip_mon"));
    if (!name.isNull()) s.otherCurrency = name.toString();
    s.currencyCode = decl::text(row.value(QStringLiteral("cod_tip_moneda"))).trimmed();

    Steps st(row, s.amounts);
    const bool fin = s.financiera;
    if (s.flag == QLatin1String("01")) {
        if (!fin) {
            st.plain("mto_tran_mon_ori", "TxtMtoTranMonOri");
            st.method("ChkPCNP", "mto_sin_aju_pcnc", "mto_aju_pcnc", "TxtSinAjusPCNP", "TxtAjusPCNP");
            st.method("ChkPR", "mto_sin_aju_pr", "mto_aju_pr", "TxtSinAjusPr", "TxtAjusPr");
            st.method("ChkCI", "mto_sin_aju_ci", "mto_aju_ci", "TxtSinAjusCi", "TxtAjusCi");
            if (from2012) {
                st.ranges(nullptr, {{"mto_lim_inf_pcnc", "TxtMtoLimInfPCNC"},
                                    {"mto_lim_sup_pcnc", "TxtMtoLimSupPCNC"},
                                    {"mto_mediana_pcnc", "TxtMtoMedPCNC"}});
                st.ranges("ChkPR", {{"mto_lim_inf_pr", "TxtLimInfPR"},
                                    {"mto_lim_sup_pr", "TxtLimSupPR"},
                                    {"mto_mediana_pr", "TxtMedPR"},
                                    {"mto_margen_bruto_pr", "TxtMargBrutoPR"}});
                st.ranges("ChkCI", {{"mto_lim_inf_ci", "TxtLimInfCI"},
                                    {"mto_lim_sup_ci", "TxtLimSupCI"},
                                    {"mto_mediana_ci", "TxtMedCI"},
                                    {"mto_margen_bruto_ci", "TxtMargBrutoCI"}});
            }
        } else {
            st.plain("mto_cap_mon_ori", "TxtMtoCapMonOri");
            st.plain("mto_ints_mon_ori", "TxtMtoIntsMonOri");
            st.plain("tas_efe_anu", "TxtTasEfeAnu");
            st.plain("sal_cap_mon_reg", "TxtSalCapMonReg");
            st.method("ChkPCNP", "mto_ints_sin_aju_pcnc", "mto_ints_aju_pcnc", "TxtSinAjusPCNP", "TxtAjusPCNP");
            st.method("ChkPR", "mto_ints_sin_aju_pr", "mto_ints_aju_pr", "TxtSinAjusPr", "TxtAjusPr");
            st.method("ChkCI", "mto_ints_sin_aju_ci", "mto_ints_aju_ci", "TxtSinAjusCi", "TxtAjusCi");
        }
    } else if (s.flag == QLatin1String("00") || s.flag == QLatin1String("02")) {
        // Without method and other methods: every amount column of the save's map back into its
        // box, in the map's order; the method combos by their code.
        TransactionState probe;
        probe.flag = s.flag;
        probe.financiera = fin;
        for (const MappedColumn& c : columnMap(probe)) {
            if (c.conversion == Conversion::Constant || c.column == QLatin1String("cod_tip_moneda")) continue;
            const QByteArray column = c.column.toLatin1();
            const QByteArray control = c.control.toLatin1();
            if (c.conversion == Conversion::Code)
                st.select(column.constData(), control.constData(), c.column == QLatin1String("met_val_ints"));
            else
                st.plain(column.constData(), control.constData());
        }
    }
    return s;
}

QStringList partyDocsOfType(const AppContext& ctx, const QString& docIdD, int tipDocP) {
    QStringList docs;
    Query q = ctx.db().exec(QStringLiteral("SELECT DOC_ID_P FROM PAR_VIN WHERE TIP_DOC_D=6 AND DOC_ID_D=? AND TIP_DOC_P=?"),
                            {textValue(docIdD), tipDocP});
    while (q.next()) docs << q.value(0).toString();
    return docs;
}

QString partyName(const AppContext& ctx, const QString& docIdD, const Party& party) {
    const QVariant v = ctx.db().scalar(
        QStringLiteral("SELECT RAZON_SOCIAL FROM PAR_VIN WHERE TIP_DOC_D=6 AND DOC_ID_D=? AND TIP_DOC_P=? AND DOC_ID_P=?"),
        {textValue(docIdD), party.tipDocP, textValue(party.docIdP)});
    return v.isNull() ? QString() : v.toString();
}

bool partyRegistered(const AppContext& ctx, const QString& docIdD, const Party& party) {
    return ctx.db()
        .scalar(QStringLiteral("SELECT 1 FROM PAR_VIN WHERE TIP_DOC_D=6 AND DOC_ID_D=? AND TIP_DOC_P=? AND DOC_ID_P=?"),
                {textValue(docIdD), party.tipDocP, textValue(party.docIdP)})
        .isValid();
}

QString loadProblemMessage(StoredTransaction::Problem p) {
    switch (p) {
    case StoredTransaction::Problem::NoRow:
        return QStringLiteral("No se encontró la transacción seleccionada; la lista de transacciones se actualizará.");
    case StoredTransaction::Problem::NoParty:
        return QStringLiteral("No se encontró el informado de la transacción seleccionada en el registro de informados.");
    case StoredTransaction::Problem::NoFinancialKind:
        return QStringLiteral("La transacción seleccionada no indica si es financiera; no se puede modificar.");
    case StoredTransaction::Problem::None:
        break;
    }
    return {};
}

}  // namespace klv
