#include "declaration_grid.h"

#include "declaration_sql.h"
#include "format.h"
#include "row_cursor.h"
#include "text_order.h"

#include <QHash>
#include <QSqlQuery>
#include <algorithm>
#include <numeric>
#include <optional>
#include <string>
#include <string_view>

namespace klv {
namespace {

// Valuation flags the grid lists, and what it shows for them.
const QString kFlags[] = {QStringLiteral("00"), QStringLiteral("01"), QStringLiteral("02")};
const QString kFlagTexts[] = {QStringLiteral("SIN EST. TEC."), QStringLiteral("TRADICIONAL"), QStringLiteral("OTROS")};

// The amount in the currency of origin that stands for the transaction: by valuation flag and
// financial indicator, the transaction amount of a non-financial transaction, the interest of a
// financial one.
const char* const kGridQuery =
    "SELECT TIP_DOC_P, DOC_ID_P, COR_TRANSACCION, FLAG_VAL_MET, COD_TIP_MONEDA,"
    " CASE WHEN FLAG_VAL_MET='00' AND IND_TRANSAC_FIN='0' THEN MTO_SIN_TRAN_MON_ORI"
    " WHEN FLAG_VAL_MET='00' AND IND_TRANSAC_FIN='1' THEN MTO_SIN_INTS_MON_ORI"
    " WHEN FLAG_VAL_MET='01' AND IND_TRANSAC_FIN='0' THEN MTO_TRAN_MON_ORI"
    " WHEN FLAG_VAL_MET='01' AND IND_TRANSAC_FIN='1' THEN MTO_INTS_MON_ORI"
    " WHEN FLAG_VAL_MET='02' AND IND_TRANSAC_FIN='0' THEN MTO_TRA_MON_ORI"
    " ELSE MTO_TOT_INTS_MON_ORI END"
    " FROM TMPTRANSACCION2 WHERE %1 AND FLAG_VAL_MET IN ('00','01','02') AND IND_TRANSAC_FIN IN ('0','1')";

// Key of a party in the lookups: text is compared without case, as the tables compare it.
QString partyKey(int tipDocP, const QString& docIdP) { return QString::number(tipDocP) + QLatin1Char('|') + docIdP.toUpper(); }

// PARAM '883' is keyed by the currency code written with three digits ("01" finds "001"); a code
// that is not a number is looked up as it is.
QString currencyArgument(const QString& code) {
    if (const auto n = fmt::toNumber(code)) return fmt::format(*n, QStringLiteral("000"));
    return code;
}

// The amount of a working row: the transaction form and the import write plain numbers, read here
// from the engine's bytes; anything else is read as a stored amount is.
std::optional<double> gridAmount(const RowCursor& c, int col) {
    const std::string_view b = c.bytes(col);
    if (const auto n = fmt::plainNumber(b)) return n;
    if (b.empty()) return 0.0;
    return fmt::amountOrZero(c.text(col));
}

}  // namespace

QString gridCaption(GridColumn column) {
    switch (column) {
    case GridColumn::TipDoc: return QStringLiteral("Tip.Doc. Informado");
    case GridColumn::DocIdP: return QStringLiteral("Num.Doc. Informado");
    case GridColumn::RazonSocial: return QStringLiteral("Nombre / Razón Social");
    case GridColumn::Cor: return QStringLiteral("N°");
    case GridColumn::Metodo: return QStringLiteral("Valoración por Método");
    case GridColumn::Moneda: return QStringLiteral("Moneda");
    case GridColumn::Total: return QStringLiteral("Monto Total de la Transacción en Moneda de Origen");
    case GridColumn::TipDocP: return QStringLiteral("TIP_DOC_P");
    }
    return QString();
}

QString valuationText(const QString& flag) {
    for (int i = 0; i < 3; ++i)
        if (flag == kFlags[i]) return kFlagTexts[i];
    return flag;
}

QString countLabel(long long n) { return QLatin1Char(' ') + QString::number(n) + QStringLiteral(" Registros Encontrados"); }

QString totalsCaption(bool autoMonExtSi, bool autoMonExtNo) {
    if (!autoMonExtSi && !autoMonExtNo) return QStringLiteral("Totales");
    return autoMonExtSi ? QStringLiteral("Totales en Dolar de EE.UU.-EE.UU.") : QStringLiteral("Totales en Nuevos Soles-Peru");
}

void TransactionGrid::clear() {
    parties_.clear();
    monedas_.clear();
    rows_.clear();
    order_.clear();
}

void TransactionGrid::load(const AppContext& ctx, int tipDocD, const QString& ruc, const QString& periodo,
                           const decl::RowsRead& rowsRead) {
    clear();
    const Database& db = ctx.db();

    // Names of the declarant's parties (any form code; the form's own row wins), short names of the
    // document types and names of the currencies.
    QHash<QString, QString> names;
    {
        Query q = db.exec(QStringLiteral("SELECT TIP_DOC_P, DOC_ID_P, RAZON_SOCIAL FROM PAR_VIN"
                                             " WHERE TIP_DOC_D=? AND DOC_ID_D=? ORDER BY FORMULARIO=? DESC"),
                              {tipDocD, textValue(ruc), textValue(ctx.gFormulario)});
        while (q.next()) {
            const QString k = partyKey(q.value(0).toInt(), decl::text(q.value(1)));
            if (!names.contains(k)) names.insert(k, decl::text(q.value(2)));
        }
    }
    QHash<QString, QString> docTypes, currencies;
    {
        Query q = db.exec(QStringLiteral("SELECT NUMERO, ARGUMENTO, FUNCION FROM PARAM WHERE NUMERO IN ('044','883')"));
        while (q.next()) {
            const QString arg = decl::text(q.value(1));
            const QString funcion = decl::text(q.value(2));
            if (decl::text(q.value(0)) == QLatin1String("044"))
                docTypes.insert(arg, funcion.mid(31, 12));
            else
                currencies.insert(arg, funcion);
        }
    }

    QHash<QString, quint32> partyIndex;
    // Currencies by the bytes of their code (a NULL code apart): a handful per declaration.
    std::vector<std::pair<std::string, quint32>> currencyIndex;
    std::optional<quint32> nullCurrency;
    // The rows of one party come one after the other: the last one found serves again.
    int lastTipDocP = -1;
    std::string lastDocIdP;
    bool anyParty = false;
    quint32 lastParty = 0;
    // The key index gives each party's rows together and by number: then the order by name is
    // the parties' runs of rows taken in the order of their names, with no sort of the rows.
    bool partiesInRuns = true;
    std::vector<quint32> runStart;
    const DeclarationKey key{tipDocD, ruc, periodo, ctx.gFormulario};
    RowCursor q(db, QString::fromLatin1(kGridQuery).arg(decl::keyConditionNoForm()), decl::keyParamsNoForm(key));
    qint64 read = 0;
    while (q.next()) {
        decl::countRow(read, rowsRead);
        Row row;
        const int tipDocP = static_cast<int>(q.integer(0));
        const std::string_view docIdBytes = q.bytes(1);
        if (!anyParty || tipDocP != lastTipDocP || docIdBytes != lastDocIdP) {
            const QString docIdP = q.text(1);
            const QString pk = partyKey(tipDocP, docIdP);
            auto p = partyIndex.constFind(pk);
            if (p == partyIndex.constEnd()) {
                parties_.push_back({tipDocP, docIdP, names.value(pk), docTypes.value(QString::number(tipDocP))});
                p = partyIndex.insert(pk, static_cast<quint32>(parties_.size() - 1));
                runStart.push_back(static_cast<quint32>(rows_.size()));
            } else if (p.value() != lastParty) {
                partiesInRuns = false;  // the party's rows came apart
            }
            anyParty = true;
            lastTipDocP = tipDocP;
            lastDocIdP.assign(q.bytes(1));
            lastParty = p.value();
        }
        row.cor = q.integer(2);
        if (!rows_.empty() && rows_.back().party == lastParty && rows_.back().cor > row.cor) partiesInRuns = false;
        row.party = lastParty;
        const std::string_view flag = q.bytes(3);
        row.flag = static_cast<quint8>(flag == "00" ? 0 : flag == "01" ? 1 : 2);
        // A currency without a row (or without a code) shows the empty text.
        if (q.isNull(4)) {
            if (!nullCurrency) {
                monedas_ << QString();
                nullCurrency = static_cast<quint32>(monedas_.size() - 1);
            }
            row.moneda = *nullCurrency;
        } else {
            const std::string_view code = q.bytes(4);
            auto c = std::find_if(currencyIndex.begin(), currencyIndex.end(), [&](const auto& e) { return e.first == code; });
            if (c == currencyIndex.end()) {
                monedas_ << currencies.value(currencyArgument(q.text(4)));
                currencyIndex.emplace_back(std::string(q.bytes(4)), static_cast<quint32>(monedas_.size() - 1));
                c = currencyIndex.end() - 1;
            }
            row.moneda = c->second;
        }
        const auto amount = gridAmount(q, 5);
        row.totalIsNumber = amount.has_value();
        row.total = amount.value_or(0);
        rows_.push_back(row);
    }

    // Order: the party's name (the order of names: without case, accents beside their letter), then
    // the transaction number; parties of the same name keep a fixed order among themselves.
    std::vector<quint32> byName(parties_.size());
    std::iota(byName.begin(), byName.end(), 0u);
    std::sort(byName.begin(), byName.end(), [this](quint32 a, quint32 b) {
        const int c = compareText(parties_[a].razonSocial, parties_[b].razonSocial);
        if (c != 0) return c < 0;
        if (parties_[a].tipDocP != parties_[b].tipDocP) return parties_[a].tipDocP < parties_[b].tipDocP;
        return parties_[a].docIdP < parties_[b].docIdP;
    });
    std::vector<quint32> nameRank(parties_.size()), tieRank(parties_.size());
    for (size_t i = 0; i < byName.size(); ++i) {
        const quint32 p = byName[i];
        tieRank[p] = static_cast<quint32>(i);
        nameRank[p] = i > 0 && compareText(parties_[p].razonSocial, parties_[byName[i - 1]].razonSocial) == 0
                          ? nameRank[byName[i - 1]]
                          : static_cast<quint32>(i);
    }
    order_.reserve(rows_.size());
    if (!partiesInRuns) {
        order_.resize(rows_.size());
        std::iota(order_.begin(), order_.end(), 0u);
        std::stable_sort(order_.begin(), order_.end(), [&](quint32 x, quint32 y) {
            const Row& a = rows_[x];
            const Row& b = rows_[y];
            if (nameRank[a.party] != nameRank[b.party]) return nameRank[a.party] < nameRank[b.party];
            if (a.cor != b.cor) return a.cor < b.cor;
            return tieRank[a.party] < tieRank[b.party];
        });
        return;
    }
    runStart.push_back(static_cast<quint32>(rows_.size()));
    for (size_t i = 0; i < byName.size();) {
        // Parties of one name: their rows merge by number (stable: a tie keeps the parties' order).
        size_t j = i + 1;
        while (j < byName.size() && nameRank[byName[j]] == nameRank[byName[i]]) ++j;
        const auto from = static_cast<std::ptrdiff_t>(order_.size());
        for (size_t k = i; k < j; ++k)
            for (quint32 r = runStart[byName[k]]; r < runStart[byName[k] + 1]; ++r) order_.push_back(r);
        if (j - i > 1)
            std::stable_sort(order_.begin() + from, order_.end(),
                             [this](quint32 x, quint32 y) { return rows_[x].cor < rows_[y].cor; });
        i = j;
    }
}

QString TransactionGrid::text(int row, GridColumn column) const {
    if (row < 0 || row >= size()) return QString();
    const Row& r = at(row);
    const PartyInfo& p = parties_[r.party];
    switch (column) {
    case GridColumn::TipDoc: return p.tipDoc;
    case GridColumn::DocIdP: return p.docIdP;
    case GridColumn::RazonSocial: return p.razonSocial;
    case GridColumn::Cor: return QString::number(r.cor);
    case GridColumn::Metodo: return kFlagTexts[r.flag];
    case GridColumn::Moneda: return monedas_.at(static_cast<int>(r.moneda));
    case GridColumn::Total:
        return r.totalIsNumber ? fmt::format(r.total, QStringLiteral("###,###,###,##0.00")) : QString();
    case GridColumn::TipDocP: return QString::number(p.tipDocP);
    }
    return QString();
}

Party TransactionGrid::party(int row) const {
    if (row < 0 || row >= size()) return {};
    const PartyInfo& p = parties_[at(row).party];
    return Party{p.tipDocP, p.docIdP};
}

long TransactionGrid::corTransaccion(int row) const {
    if (row < 0 || row >= size()) return 0;
    return static_cast<long>(at(row).cor);
}

QString TransactionGrid::flagValMet(int row) const {
    if (row < 0 || row >= size()) return QString();
    return kFlags[at(row).flag];
}

void eliminarTransaccionTemporal(const AppContext& ctx, const DeclarationKey& key, const Party& party,
                                 long corTransaccion) {
    Database& db = ctx.db();
    DeclarationKey k = key;
    k.docIdD = k.docIdD.trimmed();
    k.periodo = k.periodo.trimmed();
    QVariantList params = decl::keyParams(k);
    params << party.tipDocP << textValue(party.docIdP) << static_cast<qlonglong>(corTransaccion);
    Transaction tx(db);
    // The per-type detail first, then the types, then the transaction.
    for (const char* table : {"TMPTRADET", "TMPTRATIPTRA", "TMPTRANSACCION2"})
        db.exec(QStringLiteral("DELETE FROM %1 WHERE %2 AND TIP_DOC_P=? AND DOC_ID_P=? AND COR_TRANSACCION=?")
                    .arg(QString::fromLatin1(table), decl::keyCondition()),
                params);
    tx.commit();
}

}  // namespace klv
