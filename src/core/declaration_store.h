#pragma once
// The stored declarations of the module as the chooser lists and deletes them.

#include "database.h"
#include "work_progress.h"

#include <QString>
#include <string>
#include <string_view>
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
// or form code, in key order. Tens of thousands of declarations are held compactly: the texts of
// all rows in one buffer, a row's values made when asked for (a grid asks only for the rows it
// shows).
class StoredDeclarationList {
public:
    enum Field { DocIdD, Periodo, RazonSocial, AutContExt, EstTecPt, Formulario };

    int size() const { return static_cast<int>(rows_.size()); }
    bool empty() const { return rows_.empty(); }
    int tipDocD(int row) const { return rows_[static_cast<size_t>(row)].tipDocD; }
    // One text of a row (NULL reads as the empty text).
    QString text(int row, Field field) const;
    // The same text as its UTF-8 bytes, without making a QString.
    std::string_view bytes(int row, Field field) const {
        const Row& r = rows_[static_cast<size_t>(row)];
        return std::string_view(bytes_.data() + r.start[field], r.start[field + 1] - r.start[field]);
    }
    StoredDeclaration at(int row) const;
    // The last row of that declarant and period; -1 when there is none.
    int find(const QString& docIdD, const QString& periodo) const;

    void read(const Database& db);

private:
    struct Row {
        qint32 tipDocD;
        quint32 start[7];  // field i is bytes_[start[i], start[i + 1])
    };
    std::string bytes_;  // UTF-8
    std::vector<Row> rows_;
};

StoredDeclarationList listStoredDeclarations(const Database& db);

// Deletes a declaration of the declarant (document type 6) and period with all its rows: types,
// transactions, header, status row and attached study (the statements of declaration_deletes.h).
// One transaction: all or nothing. The declarant's related parties and the working tables are not
// touched. `progress`, when given, gets the rows deleted of the declaration's rows in all, from
// (0, all) once they are counted to (all, all).
void deleteStoredDeclaration(Database& db, const QString& docIdD, const QString& periodo,
                             const QString& formulario, const WorkProgress& progress = {});

// Texts the chooser grid shows for the stored codes.
QString documentTypeText(int tipDocD);  // 6 RUC, 1 DNI, 7 PASAPORTE, else the number
QString yesNoText(const QString& code);  // "1" SI, "0" NO, else as stored

}  // namespace klv
