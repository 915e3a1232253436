#pragma once
// What the stand-in host starts: the declaration module and the summary-report program, both
// found beside klv-host's own executable.

#include <QString>

namespace klv::host {

// The 35-character command line of the summary program: document type (2 digits), document
// number (15, left-aligned, blank-filled), form code (4), period (6: a four-digit year becomes
// the annual period year + "00"), submission code (1) and submission number (7, zero-filled on
// the left). Longer pieces are cut to their width.
QString resumenCommandLine(int tipDoc, const QString& docId, const QString& formulario,
                           const QString& periodo, const QString& codEnvio, const QString& nroEnvio);

// A sibling program of klv-host (empty folder: the folder of the running executable).
QString siblingProgram(const QString& name, const QString& folder = QString());

// Starts the program detached with the given arguments. Returns false with the reason in *error
// when the program is missing or cannot be started.
bool launch(const QString& program, const QStringList& arguments, QString* error);

}  // namespace klv::host
