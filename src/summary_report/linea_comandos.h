#pragma once
// The command line the host starts 8027REP with: one text of 35 characters (36 with an
// eight-character submission number), cut at fixed positions:
//   1-2 document type (digits), 3-17 document number (left-aligned, blank-filled), 18-21 form,
//   22-27 period (year and two digits, "00" for the year), 28 submission code, 29- submission number.
// Characters 18 on name the files of the run, so the pieces are checked before anything is opened.

#include <QString>
#include <QStringList>

namespace klv::resumen {

struct LineaResumen {
    QString tipDocD;     // 1-2
    QString docIdD;      // 3-17, blanks kept
    QString formulario;  // 18-21
    QString periodo;     // 22-27
    QString codEnvio;    // 28
    QString nroEnvio;    // 29 on

    int tipo() const { return tipDocD.toInt(); }
    QString documento() const { return docIdD.trimmed(); }
    // formulario & periodo & codEnvio & nroEnvio: the name of the twin, its text and the copy.
    QString baseNombre() const { return formulario + periodo + codEnvio + nroEnvio; }
};

// The line as the host passed it. One argument is the line. Two are the line split by a shell at
// the blanks after the document number: the first is padded with blanks to 17 characters and the
// second follows. Any other count gives the arguments joined by one blank (refused by the check).
QString unirArgumentos(const QStringList& argumentos);

// Cuts the line at the fixed positions (a short line gives short or empty pieces).
LineaResumen cortarLinea(const QString& linea);

// Empty when the line can be used; otherwise what is wrong with it, for the user. Accepted: 35 or
// 36 characters, a two-digit type, a document of letters and digits (blanks only around it), a
// six-digit period, and letters and digits in the form, the code and the number.
QString validarLinea(const QString& linea);

// The "00" rule: an annual period (ending in "00") is queried and shown as its year; any other
// period is queried whole and shown as month "/" year.
QString periodoConsulta(const QString& periodo);
QString periodoMostrado(const QString& periodo);

}  // namespace klv::resumen
