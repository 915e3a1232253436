#pragma once
// The texts of the import's error codes: four-digit codes that the party and transaction imports
// give a rejected line, turned into the message of the error file. 0900-0953 are the fields of a
// related party, 0600-0700 the transaction fields of the layout before 2012, 0701-0771 the fields
// and rules added in 2012, 0801-0812 the legal address and birth date of non-domiciled parties.

#include <QString>
#include <utility>
#include <vector>

namespace klv {

// Every code with its text, in the order the error log compares them.
const std::vector<std::pair<QString, QString>>& mensajesImportacion();

// The built-in text of the code; the empty text when the code has none.
QString mensajeImportacion(const QString& codigo);

// The text of a code found nowhere.
QString mensajeOtroError();

}  // namespace klv
