#pragma once
// From the period gAnioNoDom on, an informed party that is not domiciled must have its legal
// address and, when it is a natural person, a valid birth date not after today. The check of one
// party gives the question to ask the user (whether to open the party to complete it).

#include "keys.h"

#include <QString>

namespace klv {

struct AppContext;

struct InformadoNoDomCheck {
    // True when the rule does not apply (earlier period, domiciled party, nature "9" or none) or
    // the party's data are complete.
    bool completo = true;
    // When incomplete: the whole Yes/No question naming the missing data.
    QString mensaje;
    // Whether the party's row was read (period gAnioNoDom or later) and its key below filled: the
    // key to open the party detail with. A party without a row reads as a party with no data at
    // all, so nothing is asked and the key fields stay empty.
    bool leido = false;
    QString docIdD;
    QString docIdP;
    QString tipDocP;
};

// Checks the party of the declarant's RUC (document type 6) for a declaration of that period.
InformadoNoDomCheck udf_VerificaInformadoNoDom(const AppContext& ctx, int periodo, const Declarant& declarante,
                                               const Party& parte);

}  // namespace klv
