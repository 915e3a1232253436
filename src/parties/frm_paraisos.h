#pragma once
// The read-only window of the Consultas menu: the tax havens ("PARAISO") or the vinculation types
// ("VINCULO"), built afresh at each opening and centred in the main window.

#include "app_context.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QStandardItemModel;
class QTableView;

namespace klv {

class FrmParaisos : public QDialog {
    Q_OBJECT
public:
    explicit FrmParaisos(AppContext& ctx, QWidget* parent = nullptr);

    // Opens the list of that kind modally over the main window.
    static void run(AppContext& ctx, QWidget* parent, const QString& kind);

    // Stores the list kind; read by Form_Load.
    void udf_DefCaller(const QString& kind) { kind_ = kind; }
    // Caption, columns, note and rows of the kind (read by a call); the grid is disabled when the
    // list is empty. False for an unknown kind (nothing to show). Throws what the read threw.
    bool Form_Load();
    void CmdSalir_Click() { reject(); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    AppContext& ctx_;
    QString kind_;
    QTableView* grdParaisos = nullptr;
    QStandardItemModel* model_ = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* CmdSalir = nullptr;
};

}  // namespace klv
