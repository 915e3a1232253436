#pragma once
// frmImpxPag: the page-range dialog. The caller sets the caption ("Impresión de n páginas"), the
// page count and the report file; "&Preliminar" checks the two boxes and opens a preview of the
// range, after which the dialog stays open for another range; "&Cancelar" closes it.

#include "app_context.h"
#include "markup_document.h"

#include <QDialog>
#include <functional>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace klv {

class FrmImpxPag : public QDialog {
    Q_OBJECT
public:
    // Opens the preview of a range; udp_MostrarReporte with "Vprevia" unless a test sets another.
    using PreviewRange = std::function<void(const QString& fileName, const markup::PageRange& range)>;

    FrmImpxPag(AppContext& ctx, const QString& fileName, int totalPaginas, QWidget* parent = nullptr);

    static const QString& notice();

    void cmdAccion_Click(int index);
    void setPreview(PreviewRange preview) { preview_ = std::move(preview); }
    QString fileName() const { return fileName_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeTotal();

    AppContext& ctx_;
    QString fileName_;
    int total_;
    PreviewRange preview_;
    QPlainTextEdit* text1_ = nullptr;
    QLineEdit* txtTotPaginas_ = nullptr;
    QLineEdit* txtPagDesde_ = nullptr;
    QLineEdit* txtPagHasta_ = nullptr;
};

}  // namespace klv
