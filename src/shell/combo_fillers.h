#pragma once
// The fillers of the combo boxes built from PARAM and CONT (the item texts and their layouts come
// from param_lookups.h), and the width of a combo's drop-down list.

#include <QString>
#include <QStringList>

class QComboBox;
class QWidget;

namespace klv {

struct AppContext;

// Clears cbo and fills it with the PARAM '044' document types whose code is in `codigos`
// (e.g. {"1","4","6","7","31","32","0"}), ordered by code.
void udp_CargaTiposDoc(const AppContext& ctx, QComboBox* cbo, const QStringList& codigos, bool blank);

// Appends one item per PARAM row of the group, without clearing cbo.
void udp_CargaParam(const AppContext& ctx, QComboBox* cbo, const QString& numero);

// Clears cbo and fills it with the taxpayers of that document type the user may see.
void udp_CargaContribuyentes(const AppContext& ctx, QComboBox* cbo, const QString& tipDoc);

// Clears cbo and fills it with the rows of the group whose code matches the pattern (see
// udf_ItemsParamLike), showing `largo` characters of Funcion from position `inicio`.
void udp_CargaParamLike(const AppContext& ctx, QComboBox* cbo, const QString& numero, const QString& patron,
                        int largo, int inicio, bool blank);

// Clears cbo and fills it with the PARAM '883' currencies whose code is in `codigos`
// (e.g. {"000","001","002"}), ordered by code.
void udp_CargaMonedas(const AppContext& ctx, QComboBox* cbo, const QStringList& codigos, bool blank);

// Average character width in pixels of the form's font (the 52 letters A-Z a-z measured / 52).
int udf_AnchoCaracter(const QWidget* frm);

// Sets the width of cbo's drop-down list to (n - 2) average characters of frm's font; the list is
// never narrower than the combo box itself.
void udp_AnchoListaCombo(const QWidget* frm, QComboBox* cbo, int n);

}  // namespace klv
