#pragma once
// The stored declarations of the module as the chooser lists and deletes them.

#include "database.h"

#include <QString>
#include <vector>

namespace klv {

struct StoredDeclaration {
    int tipDocD = 6;
    QString docIdD;
    QString periodo;
    QString razonSocial;  // CONT name of the declarant
    QString autContExt;   // "1" / "0"
    QString estTecPt;     // "1" / "0"
    QString formulario;
};

// Every stored declaration (IDENTIFICA2 joined with the declarant's CONT row), whatever the user
// or form code, in key order.
std::vector<StoredDeclaration> listStoredDeclarations(const Database& db);

// Deletes a declaration of the declarant (document type 6) and period with all its rows: types,
// transactions, header, status row and attached study. One transaction: all or nothing. The
// declarant's related parties and the working tables are not touched.
void deleteStoredDeclaration(Database& db, const QString& docIdD, const QString& periodo,
                             const QString& formulario);

// Texts the chooser grid shows for the stored codes.
QString documentTypeText(int tipDocD);  // 6 RUC, 1 DNI, 7 PASAPORTE, else the number
QString yesNoText(const QString& code);  // "1" SI, "0" NO, else as stored

}  // namespace klv
