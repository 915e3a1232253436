#pragma once
// The grid of the declaration's transactions: one row per working transaction (TMPTRANSACCION2) of
// the declaration shown, with its party's document type, number and name, its number, how it is
// valued, its currency and its total amount in the currency of origin. Rows are ordered by the
// party's name, then by the transaction number.
//
// A working row whose party, document type or currency has no row of its own is listed all the
// same, with the empty text for what is missing: it is counted, totalled and saved, so it must be
// seen (and can be deleted). Only a row whose valuation flag or financial indicator is not one of
// the known codes is left out.
//
// Grids can hold hundreds of thousands of rows: the rows are held compactly (parties and
// currencies once each) and the model hands them to the view in batches.

#include "app_context.h"
#include "block_vector.h"
#include "declaration_sql.h"
#include "keys.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace klv {

// Columns of the grid, left to right; the last one (the party's document type code) is hidden.
enum class GridColumn { TipDoc, DocIdP, RazonSocial, Cor, Metodo, Moneda, Total, TipDocP };
constexpr int kGridColumns = 8;

// "Tip.Doc. Informado", "Num.Doc. Informado", "Nombre / Razón Social", "N°", "Valoración por Método",
// "Moneda", "Monto Total de la Transacción en Moneda de Origen", "TIP_DOC_P".
QString gridCaption(GridColumn column);
// "00" "SIN EST. TEC.", "01" "TRADICIONAL", "02" "OTROS"; any other code as it is.
QString valuationText(const QString& flag);
// " " + n + " Registros Encontrados".
QString countLabel(long long n);
// Caption of the totals: "Totales en Dolar de EE.UU.-EE.UU." when question 1 is answered Si,
// "Totales en Nuevos Soles-Peru" when No, "Totales" when not answered.
QString totalsCaption(bool autoMonExtSi, bool autoMonExtNo);

// The rows of the grid of one declaration.
class TransactionGrid {
public:
    // Reads the working transactions of the declarant (document type, RUC) and period, any form
    // code, telling `rowsRead` how many it has read. Throws DbError.
    void load(const AppContext& ctx, int tipDocD, const QString& ruc, const QString& periodo,
              const decl::RowsRead& rowsRead = {});
    void clear();

    // The rows listed (none while a load reads them).
    int size() const { return static_cast<int>(order_.size()); }
    bool empty() const { return order_.empty(); }

    // What the cell shows: the amount formatted "###,###,###,##0.00" (the empty text when it is
    // not a number; an empty amount reads 0), the method translated, the rest as read.
    QString text(int row, GridColumn column) const;
    // The transaction of the row: the grid's current row is what "Modificar" and "Eliminar" act on.
    Party party(int row) const;
    long corTransaccion(int row) const;
    QString flagValMet(int row) const;

private:
    struct PartyInfo {
        int tipDocP = 0;
        QString docIdP;
        QString razonSocial;
        QString tipDoc;  // short name of the document type
    };
    struct Row {
        quint32 party = 0;
        quint32 moneda = 0;
        qint64 cor = 0;
        quint8 flag = 0;  // index into kFlags
        bool totalIsNumber = true;
        double total = 0;
    };
    const Row& at(int row) const { return rows_[order_[static_cast<size_t>(row)]]; }
    std::vector<PartyInfo> parties_;
    QStringList monedas_;
    BlockVector<Row> rows_;       // as read (in blocks: a large grid is not copied as it grows)
    std::vector<quint32> order_;  // the grid's rows: positions in rows_, in the order shown
};

// Deletes one transaction from the working copy: its per-type detail (TMPTRADET), its types
// (TMPTRATIPTRA) and the transaction itself (TMPTRANSACCION2), in one transaction (all or
// nothing). The RUC and the period are trimmed. A transaction that is not there is no failure.
// Throws DbError.
void eliminarTransaccionTemporal(const AppContext& ctx, const DeclarationKey& key, const Party& party,
                                 long corTransaccion);

}  // namespace klv
