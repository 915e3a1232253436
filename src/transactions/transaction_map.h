#pragma once
// The map from the transaction form's controls to the columns of its TMPTRANSACCION2 row, for the
// six cases of valuation option ("00", "01", "02") and kind (financial or not). A column the map
// does not list for the case is not written: a new row leaves it NULL, an edited row keeps what it
// held (the amounts of another option, an other-currency name, ...). Loading a stored row into the
// form is the reverse of this map (transaction_load.h).
//
// Within a case the columns come in the order the save writes them: the analysed party, the
// currency, then the amounts.

#include "transaction_state.h"

#include <QString>
#include <optional>
#include <vector>

namespace klv {

// How a column's value is made from its control.
enum class Conversion {
    Whole,        // A: the whole number, halves away from zero; "" for an empty box
    TwoDecimals,  // R, V: two decimals; "" for an empty box
    Code,         // L2: the first two characters of a combo's text
    Trimmed,      // T: the text trimmed
    Constant,     // the fixed value given
};

struct MappedColumn {
    QString column;     // column of TMPTRANSACCION2 (lower case, as the table description)
    QString control;    // source control; empty for a constant
    Conversion conversion = Conversion::Constant;
    QString constant;   // value of a Constant (also "" for a method amount whose check is unticked)
};

// The columns the save writes for the state's option and kind, flag_val_met and ind_transac_fin
// included (the key columns and cnumero are the writer's). Empty for an option other than "00",
// "01" and "02" but for those two.
//  - par_analizada ("01" Contribuyente, "02" Informado, "" neither) only from 2012, when the form
//    shows the analysed-party frames;
//  - nom_otro_tip_mon only while the tab's "Otra Moneda" is ticked;
//  - a traditional method's amounts are "" while its check is unticked; from 2012 the range values
//    of PR and CI and the PCNC range (from the boxes beside the interquartile check) too;
//  - "02" not financial writes the MMNT columns whatever the method, from their controls.
std::vector<MappedColumn> columnMap(const TransactionState& st);

// The stored value of one mapped column; nullopt when a number is expected and the control's text
// is not a non-negative number.
std::optional<QString> storedValue(const TransactionState& st, const MappedColumn& c);

}  // namespace klv
