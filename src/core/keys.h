#pragma once
// Typed keys of the module's rows, so that a party's document can never be passed where the
// declarant's is expected.

#include <QString>

namespace klv {

// The declarant: document type (always 6, RUC) and number.
struct Declarant {
    int tipDocD = 6;
    QString docIdD;
};

// One related party (informado): document type and number.
struct Party {
    int tipDocP = 0;
    QString docIdP;
};

// Key of one declaration: declarant, period (four-digit year), form code.
struct DeclarationKey {
    int tipDocD = 6;
    QString docIdD;
    QString periodo;
    QString formulario = QStringLiteral("8027");

    Declarant declarant() const { return {tipDocD, docIdD}; }
};

// Key of one transaction: declaration, party and the party's transaction number.
struct TransactionKey {
    DeclarationKey declaration;
    Party party;
    long corTransaccion = 0;
};

}  // namespace klv
