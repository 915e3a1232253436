#pragma once
// A message service that notes, at each box, whether a progress bar stands on screen (a progress
// window, or a bar of a window), then keeps the box open longer than a progress window waits to
// appear (as a user reading it does) and passes it on.

#include "message_service.h"

#include <QApplication>
#include <QProgressBar>
#include <QStringList>
#include <QThread>
#include <QWidget>
#include <algorithm>

namespace klv::test {

class BoxOverBar : public MessageService {
public:
    explicit BoxOverBar(MessageService& next) : next_(next) {}
    int show(const QString& text, int style, const QString& title) override {
        const QWidgetList windows = QApplication::topLevelWidgets();
        const bool bar = std::any_of(windows.begin(), windows.end(), [](const QWidget* w) {
            const auto bars = w->findChildren<QProgressBar*>();
            return w->isVisible() && std::any_of(bars.begin(), bars.end(), [](const QProgressBar* b) { return b->isVisible(); });
        });
        boxes << text + (bar ? QStringLiteral(" [sobre la barra]") : QString());
        QThread::msleep(600);
        return next_.show(text, style, title);
    }
    // The texts of the boxes, each marked when a progress window stood behind it.
    QStringList boxes;

private:
    MessageService& next_;
};

}  // namespace klv::test
