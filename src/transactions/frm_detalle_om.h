#pragma once
// The per-type detail form FrmDetalle_OM ("Detalle"): the detail rows of one other-methods
// transaction in a grid (type code, description, amount; only the amount is typed, digits only,
// at most 14), each amount stored as it is edited, and their total. "&Salir" (and closing the
// window any other way) first hands the total to the transaction form, then stays open while a
// row has no amount ("Debe ingresar todos los montos.").

#include "app_context.h"
#include "keys.h"

#include <QDialog>
#include <functional>

class QKeyEvent;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QTableView;

namespace klv {

namespace transaction_form {
template <class T>
class Deferred;
}

// Enter or Return while a push button of `window` has the focus presses that button (the boxes
// keep Enter for their own rules; no button is pressed by Enter elsewhere). True when handled.
bool enterPressesFocusedButton(QWidget* window, QKeyEvent* event);

class FrmDetalle_OM : public QDialog {
    Q_OBJECT
public:
    // `onTotal` receives the total each time "&Salir" is tried (the transaction form writes it
    // into TxtMtoTraMonReg).
    FrmDetalle_OM(AppContext& ctx, const TransactionKey& key, std::function<void(const QString&)> onTotal,
                  QWidget* parent = nullptr);

    // Opens the detail of `key` modally and returns when it has closed.
    static void run(AppContext& ctx, QWidget* parent, const TransactionKey& key,
                    std::function<void(const QString&)> onTotal);

    // Reads the rows and the total (one call to the engine). Throws what the reading of the rows
    // throws.
    void Form_Load();
    void CmdSalir_Click();
    // Refreshes TxtTotalMonto from the stored amounts (also on the grid's focus-out and keys);
    // reached while another work runs, it shows no box of its own.
    void refreshTotal();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    void reject() override;

private:
    void amountEdited(int row, const QString& text);
    // Shows a total read in a call, or its failure.
    void showTotal(const transaction_form::Deferred<QString>& total);
    void fitDescriptions();

    AppContext& ctx_;
    TransactionKey key_;
    std::function<void(const QString&)> onTotal_;
    bool closing_ = false;
    bool filling_ = false;
    QStandardItemModel* model_ = nullptr;
    QTableView* grdDetalle_OM = nullptr;
    QLineEdit* TxtTotalMonto = nullptr;
    QPushButton* CmdSalir = nullptr;
};

}  // namespace klv
