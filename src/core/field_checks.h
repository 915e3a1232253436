#pragma once
// Small checks and helpers that the forms of every subsystem call. None shows a message: each
// gives its verdict and the caller reports.

#include <QString>

namespace klv {

struct AppContext;

// A document number against the parameters of its document type (PARAM group '044'): the length
// rule (exact or maximum) and the character check of the type's data kind. The type is read as a
// number ("06" looks up 6, a type that is not a number looks up 0). False for an empty type or
// number and for a type without parameters (the character check is then not asked).
bool udf_ValidaDocumento(const AppContext& ctx, const QString& tipoDoc, const QString& numDoc);

// Compares a and b by an operator word: "menor", "mayor", "menorigual", "mayorigual" (exact
// spelling); any other word is True.
bool udf_ComparaMonto(const QString& operador, double a, double b);

// True unless the two keys are equal and y is greater than x.
bool udf_ComparaClaveMonto(const QString& clave1, const QString& clave2, double x, double y);

// Shape of a decimal number typed as text: at most maxEnteros characters before the point (or in
// all when there is none), one point at most, and at most two digits after it whatever
// `decimales` says. The text is neither trimmed nor checked character by character.
bool udf_ValidaNumeroDecimal(const QString& texto, int maxEnteros, int decimales = 2);

// True when the date (d/m/yyyy) lies strictly after today (ctx.clock). Throws
// std::invalid_argument when the text is not a date.
bool udf_FechaMayorHoy(const AppContext& ctx, const QString& fecha);

// Adds the step to a 16-bit counter, stores it back and returns it as text. Throws
// std::overflow_error (leaving the counter unchanged) when the result leaves the 16-bit range.
QString udf_IncrementaStr(int& contador, int paso);

}  // namespace klv
