#pragma once
// What the import dialog decides without widgets: its mode by the opener's name, the one file
// name it lists, the declarant it selects, the declarant's name and the period's number.

#include <QString>
#include <QStringList>

namespace klv {
struct AppContext;
}

namespace klv::import {

inline const QString kCallerPartes = QStringLiteral("FrmPartesVinc");
inline const QString kCallerTransacciones = QStringLiteral("Frm_KLV_Declara");
inline const QString kCallerAdjunto = QStringLiteral("Frm_KLV_Declara2");

enum class ImportMode { Ninguno, Partes, Transacciones, Adjunto };

ImportMode modoDeCaller(const QString& caller);

// Help topic of the mode: 1020 parties, 1022 transactions and attachment, 0 none.
int ayudaDeModo(ImportMode mode);

// The exact file name the mode lists: RUC.ifm, RUC.TXT, or form code, RUC, period and ".PDF".
// Empty (nothing listed) without a declarant.
QString patronArchivo(ImportMode mode, const QString& ruc, const QString& periodo, const QString& formulario);

// The names in the folder equal to the pattern compared without case (the names as stored);
// nothing for an empty pattern.
QStringList archivosDelPatron(const QString& folder, const QString& pattern);

// The first item whose first 11 characters are those of the opener's declarant text; -1 when none.
int indiceDeclarante(const QStringList& items, const QString& openerText);

// The declarant's name in CONT (only the user's own taxpayers unless the user sees them all);
// empty when not found. Throws DbError.
QString nombreDeclarante(const AppContext& ctx, const QString& ruc);

// The period as a number: the leading number of its trimmed text, 0 when there is none.
int periodoNumero(const QString& periodo);

}  // namespace klv::import
