#pragma once
// frmImprimir: the print dialog. Lists the saved declarations the user may see; for the chosen one
// it writes the declaration print into a new spool file, then either opens the page-range dialog
// ("&Preliminar", also a double click or Enter on a row) or prints the whole file ("&Imprimir").
// The chosen row's RUC, name and period and the form code go to the main window's status panels.

#include "app_context.h"
#include "declaration_store.h"

#include <QDialog>
#include <functional>
#include <optional>
#include <vector>

class QStandardItemModel;
class QTableView;

namespace klv {

class FrmImpxPag;

class FrmImprimir : public QDialog {
    Q_OBJECT
public:
    FrmImprimir(AppContext& ctx, QWidget* parent = nullptr);

    // Shows a fresh dialog modally, as the main window's Imprimir does.
    static void run(AppContext& ctx, QWidget* parent);

    void udp_Refresca_Grilla();
    void CmdImprimir_Click(int index);

    int rowCount() const { return static_cast<int>(rows_.size()); }
    int currentRow() const;
    void selectRow(int row);

    // How the page-range dialog is shown and how a file is printed whole (tests replace them).
    std::function<void(FrmImpxPag& dialog)> showRangeDialog;
    std::function<bool(const QString& fileName)> printWhole;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The list as read on the engine's thread: its rows, or the failure that kept it from being read.
    struct ListRead {
        std::vector<StoredDeclaration> rows;
        std::optional<DbError> failure;
    };
    static ListRead readList(AppContext& w);
    // Puts the list read in the grid, keeping the current row's place (the failure is shown first).
    void fillGrid(ListRead read);
    void writePanels();
    // Writes the declaration print of the current row; the spool file name, or "" when nothing was written.
    QString writeReport(bool preview, int* pages);

    AppContext& ctx_;
    std::vector<StoredDeclaration> rows_;
    QTableView* grid_ = nullptr;
    QStandardItemModel* model_ = nullptr;
};

}  // namespace klv
