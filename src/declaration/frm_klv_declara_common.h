#pragma once
// What the files of the declaration form share: its constants, the flag set for a scope, and what
// a handler's one call to the engine reads (the grid, a stored declaration, the opening, the
// activation). Private to the form (frm_klv_declara*.cpp).

#include "frm_klv_declara.h"
#include "declaration_grid.h"
#include "declaration_header.h"
#include "declaration_queries.h"
#include "mensajes.h"
#include "totals.h"
#include "working_copy.h"

#include <QString>
#include <QStringList>
#include <exception>
#include <optional>

namespace klv::declaration_form {

// A failure because another program holds the database: what else the same call reads would wait
// the busy timeout again for the same answer.
inline bool heldByAnother(const std::exception_ptr& failure) {
    if (!failure) return false;
    try {
        std::rethrow_exception(failure);
    } catch (const DbError& e) {
        return e.locked();
    } catch (...) {
        return false;
    }
}

inline const QString kCallerMain = QStringLiteral("MDI_KLV_PT");
inline const QString kCallerChooser = QStringLiteral("FrmContAbrir");
// The attach mode of the import dialog: the form's own name followed by "2".
inline const QString kCallerAttach = kFrmDeclara + QStringLiteral("2");
inline constexpr int kTabIdentificacion = 0;
inline constexpr int kTabTransacciones = 1;
inline constexpr int kHelpIdentificacion = 1018;
inline constexpr int kHelpTransacciones = 1021;
// The form's size: 9510 x 6885 twips at 15 twips a pixel.
inline constexpr int kWidth = 9510 / 15;
inline constexpr int kHeight = 6885 / 15;

// Sets a flag for the duration of a scope.
struct FlagScope {
    explicit FlagScope(bool& f) : flag(f), previous(f) { flag = true; }
    ~FlagScope() { flag = previous; }
    bool& flag;
    bool previous;
};

}  // namespace klv::declaration_form

namespace klv {

// What the engine's thread reads for the grid: its rows and the six totals (or why they could not
// be read or summed), with the connection's change stamp taken just before the rows, so that the
// grid is known to show what was written up to then.
struct Frm_KLV_Declara::GridRead {
    int tipDocD = 6;
    QString ruc, periodo;
    TransactionGrid grid;
    DeclarationTotals totals;
    std::exception_ptr failure;  // the rows could not be read (readGridKept)
    std::exception_ptr totalsFailure;
    Database::ChangeStamp stamp;
};

// A stored declaration as its opening reads it.
struct Frm_KLV_Declara::EditRead {
    StoredHeader header;   // found false: the declaration is not stored, and nothing more was read
    int declarant = -1;    // the declarant's item in the list
    bool outside = false;  // not in the user's list: `outsideItem` is added to it
    QString outsideItem;
    DeclarantNames names;  // what choosing the declarant shows
    std::exception_ptr namesFailure;
    DeclarationState st;   // the form's state once the working copy is rebuilt
    qint64 rebuilt = 0;    // the rows the rebuild went through, as its progress counts them
};

// Everything the opening reads, in one call.
struct Frm_KLV_Declara::LoadRead {
    QStringList declarants;
    std::optional<EditRead> edit;  // mode "Modificar"
    GridRead grid;
};

// What the activation reads, in one call.
struct Frm_KLV_Declara::ActivateRead {
    bool fresh = false;  // the grid shown is still the working copy: not read again
    GridRead grid;
    AttachedStudy study;
    std::exception_ptr studyFailure;
};

}  // namespace klv
