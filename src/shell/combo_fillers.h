#pragma once
// The fillers of the combo boxes built from PARAM and CONT (the item texts and their layouts come
// from param_lookups.h), and the width of a combo's drop-down list.

#include <QString>
#include <QStringList>

class QComboBox;
class QWidget;

namespace klv {

// The fillers of the combos: the items are read on the engine's thread (udf_ItemsTiposDoc,
// udf_ItemsParam, ... of param_lookups.h, gathered with the handler's other reads into one call)
// and put in the combo here, on the window's thread.

// Clears cbo and fills it with the document types read by udf_ItemsTiposDoc; a user reads their
// code and description (the length and the flags after them are for the program).
void udp_CargaTiposDoc(QComboBox* cbo, const QStringList& items);

// Appends the items (udf_ItemsParam) without clearing cbo.
void udp_CargaParam(QComboBox* cbo, const QStringList& items);

// Clears cbo and fills it with the items (udf_ItemsContribuyentes, udf_ItemsParamLike,
// udf_ItemsMonedas).
void udp_CargaCombo(QComboBox* cbo, const QStringList& items);

// Average character width in pixels of the form's font (the 52 letters A-Z a-z measured / 52).
int udf_AnchoCaracter(const QWidget* frm);

// Sets the width of cbo's drop-down list to (n - 2) average characters of frm's font; the list is
// never narrower than the combo box itself.
void udp_AnchoListaCombo(const QWidget* frm, QComboBox* cbo, int n);

}  // namespace klv
