#pragma once
// Declaration chooser: lists every stored declaration and opens the chosen one in the declaration
// form (gAccion 1) or deletes it with all its rows (gAccion 3).

#include "app_context.h"
#include "declaration_store.h"

#include <QDialog>
#include <vector>

class QLabel;
class QPushButton;
class QTableView;

namespace klv {

class StoredDeclarationsModel;

class FrmContAbrir : public QDialog {
    Q_OBJECT
public:
    // Result of exec() when the user chose a declaration to modify.
    static constexpr int ModifyRequested = 2;

    FrmContAbrir(AppContext& ctx, QWidget* parent = nullptr);

    // Opens the chooser modally as the main window does; a declaration chosen for modification
    // opens in the declaration form, and the chooser comes back when that form closes in mode
    // "Modificar".
    static void run(AppContext& ctx, QWidget* parent);

    void udp_Refresca_Grilla();
    void CmdOpciones_Click(int index);
    // The key of the current row (empty docIdD when there is none).
    DeclarationKey selectedKey() const;
    // Makes the row of this declaration the current one (after the list is shown again).
    void selectKey(const DeclarationKey& key);
    int rowCount() const;

protected:
    // As wide as its columns need, within the screen.
    void showEvent(QShowEvent* event) override;

private:
    AppContext& ctx_;
    DeclarationKey preselect_;
    QTableView* grid_ = nullptr;
    StoredDeclarationsModel* model_ = nullptr;
    QLabel* label1_ = nullptr;
    QPushButton* action_ = nullptr;
    QPushButton* close_ = nullptr;
};

}  // namespace klv
