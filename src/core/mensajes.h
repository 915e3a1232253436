#pragma once
// The message catalogue: the warning texts of the validating forms, keyed by the calling form's
// name (compared exactly, case-sensitive) and a number. The same number means different texts for
// different forms. A line break inside a text is CR LF.

#include <QString>

namespace klv {

struct AppContext;

// The text of message `numero` of form `form`, or the empty text when there is none. Message 11 of
// "Frm_KLV_Declara" ends with the given year, four digits.
QString textoMensaje(int numero, const QString& form, int year);

// Shows the message as a warning (style 48) with the application title and waits for the user.
// An unknown form or number shows nothing. Message 11 takes the year from ctx.clock.
void udp_Mensaje(const AppContext& ctx, int numero, const QString& form);

}  // namespace klv
