#pragma once
// frmPreview: the preview of a report-markup file, one page canvas at a time, with a toolbar that
// moves between pages, prints the file and closes the window. The file is read whole when the
// window loads; each page is drawn from the page model when it is shown, so a report of any length
// can be previewed. A page range, when the window is opened with one, keeps the preview and the
// toolbar's print to those pages.

#include "app_context.h"
#include "markup_document.h"

#include <QDialog>
#include <QImage>
#include <optional>
#include <vector>

class QScrollBar;
class QToolBar;
class QAction;

namespace klv {

class FrmPreview : public QDialog {
    Q_OBJECT
public:
    // Canvas of a page: 18000 by 15000 twips, placed 100 twips left of the frame.
    static constexpr int kCanvasWidth = 1200;
    static constexpr int kCanvasHeight = 1000;
    static constexpr int kCanvasLeft = -7;

    FrmPreview(AppContext& ctx, const QString& nomArchivo, std::optional<markup::PageRange> range,
               QWidget* parent = nullptr);
    ~FrmPreview() override;

    // The preview pass and the first page. False when the file is missing or a line of it is
    // malformed (the message was shown; the pages read before the bad line are shown).
    bool Form_Load();
    // 0 the first page, -2 the previous one, -1 the next one; any value resets the vertical bars.
    void pMostrar(int n);
    // 2 "Pag Anterior", 3 "Pag Sgt", 4 "Imprimir", 5 "Salir"; 1 does nothing.
    void tlbPrevia_ButtonClick(int button);

    int HojaActual() const { return hojaActual_; }
    int TotalHojas() const { return static_cast<int>(canvases_.size()); }
    QColor background() const { return background_; }
    // Canvas `index` drawn as the window draws it.
    QImage canvasImage(int index) const;
    // The print pass of the toolbar; true when printed.
    bool printFile();

    // Draws canvas `index` on a painter at screen scale (used by the canvas widget).
    void paintCanvas(QPainter& painter, int index) const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    // The wheel over the page scrolls it (sideways for a sideways wheel), as the bars do.
    void wheelEvent(QWheelEvent* event) override;

private:
    void placeCanvas();
    void updateBars();
    QString path() const;

    AppContext& ctx_;
    QString nomArchivo_;
    std::optional<markup::PageRange> range_;
    markup::MarkupDocument doc_;
    std::vector<std::vector<int>> canvases_{1};
    QColor background_;
    int hojaActual_ = 0;

    QToolBar* toolbar_ = nullptr;
    QWidget* picFondo_ = nullptr;
    QWidget* canvas_ = nullptr;
    QScrollBar* vsb_[2] = {nullptr, nullptr};
    QScrollBar* hscroll_ = nullptr;
};

}  // namespace klv
