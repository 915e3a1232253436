#pragma once
// Lookups in the host's parameter table PARAM and its taxpayer list CONT, and the item texts of the
// combo boxes built from them (the shell's combo fillers put them in the boxes). Each item has a fixed character layout that forms read back by
// position, so the layouts are part of the contract (1-based positions):
//   document types  "cc  -  " + description(60) + length(2) + " " + data kind + " " + length rule
//                   1-2 code, 8-67 description, 68-69 length, 71 data-type digit, 73 length rule
//   currencies      "cc  -  " + name(60)                  1-2 code ('005' shows as 05), 8-67 name
//   parameter       Argumento + 3 blanks + Funcion 1-60
//   parameter like  Argumento(12) + 5 blanks + text       1-12 code, text from 18
//   taxpayers       document + 11 blanks + name + 10 blanks (RUC 1-11, name from 23)
// A blank first item, where asked for, is 75 blanks. A NULL in PARAM or CONT reads as the empty
// text. Every value reaches SQL as a bound parameter.

#include <QString>
#include <QStringList>
#include <QVariantList>

namespace klv {

struct AppContext;

// A statement with its bound parameters.
struct SqlStatement {
    QString sql;
    QVariantList params;
};

// The blank first item of the fillers.
QString itemEnBlanco();

// The PARAM '044' document types whose code is in `codigos` (e.g. {"1","4","6","7","31","32","0"}),
// ordered by code.
QStringList udf_ItemsTiposDoc(const AppContext& ctx, const QStringList& codigos, bool blank);

// One item per PARAM row of the group.
QStringList udf_ItemsParam(const AppContext& ctx, const QString& numero);

// The taxpayers of that document type the user may see.
QStringList udf_ItemsContribuyentes(const AppContext& ctx, const QString& tipDoc);
// One item of that list: the trimmed document (first 15 characters), 11 blanks, the name, 10 blanks.
QString udf_ItemContribuyente(const QString& document, const QString& name);

// The query on CONT behind udf_ItemsContribuyentes: taxpayers of the type, only documents of
// exactly eleven characters when the type's parameters say length 11 exact, only the user's own
// taxpayers unless udf_TipoUsuario is "0", ordered by type and document.
SqlStatement udf_SqlContribuyentes(const AppContext& ctx, const QString& tipDoc);

// The rows of the group whose code matches the pattern (`*` any text, `?` one character, `#` one
// digit, `[...]`/`[!...]` a character class; case-blind), showing `largo` characters of Funcion
// from position `inicio`, ordered by that text.
QStringList udf_ItemsParamLike(const AppContext& ctx, const QString& numero, const QString& patron, int largo,
                               int inicio, bool blank);

// The PARAM '883' currencies whose code is in `codigos` (e.g. {"000","001","002"}), ordered by code.
QStringList udf_ItemsMonedas(const AppContext& ctx, const QStringList& codigos, bool blank);

// Characters 1-100 of Funcion of the PARAM '395' row of the transaction type, "" when none.
QString udf_DescripcionParam395(const AppContext& ctx, const QString& codigo);

// CLAVES.Tipo of gSysUser; "1" when the user has no row. "0" sees every taxpayer.
QString udf_TipoUsuario(const AppContext& ctx);

}  // namespace klv
