#include "qt_message_service.h"
#include "when_shown.h"

#include <QApplication>
#include <QDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QMessageBox>
#include <functional>
#include <gtest/gtest.h>

using namespace klv;

namespace {

// Shows a box through the service and hands it, open, to `look` before pressing its default button.
void withOpenBox(QtMessageService& service, const QString& text, int style, const QString& title,
                 const std::function<void(QMessageBox&)>& look) {
    test::whenShown<QMessageBox>([&look](QMessageBox& box) {
        look(box);
        box.accept();
    });
    service.show(text, style, title);
}

}  // namespace

TEST(QtMessageService, HeadlessProcessGetsTheStandardErrorService) {
    // The test run uses the offscreen platform: no boxes can be shown.
    ASSERT_TRUE(runningHeadless());
    const auto service = makeMessageService();
    EXPECT_NE(dynamic_cast<HeadlessMessageService*>(service.get()), nullptr);
}

TEST(QtMessageService, BoxesOneAfterAnotherOpenOverTheirForm) {
    // Once a box has closed no window is active (as without a window manager): the next box
    // still belongs to the modal form that asks, not to the middle of the screen.
    QDialog form;
    form.setWindowModality(Qt::ApplicationModal);
    form.show();
    std::vector<QWidget*> parents;
    QtMessageService service;
    for (int i = 0; i < 2; ++i)
        withOpenBox(service, QStringLiteral("Texto"), MsgStyle::YesNo + MsgStyle::Question, QStringLiteral("T"),
                    [&parents](QMessageBox& box) { parents.push_back(box.parentWidget()); });
    EXPECT_EQ(parents, (std::vector<QWidget*>{&form, &form}));
}

TEST(QtMessageService, EveryBoxIsWideEnoughForItsWholeTitle) {
    // The title in the frame's bold title font, beside the frame's icon and three buttons (at
    // least 100 pixels), over texts shorter than the title.
    const struct {
        const char* text;
        int style;
        const char* title;
    } cases[] = {
        {"La Declaración no presenta inconsistencias.", MsgStyle::Information,
         "8027 KLV - Precios de Transferencia - 1.4"},
        {"¿Desea salir?", MsgStyle::YesNo + MsgStyle::Question, "8027 KLV - Precios de Transferencia - 1.4"},
        {"Listo.", MsgStyle::OkOnly, "Presentación Telemática"},
    };
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    const QFontMetrics metrics(font);
    QtMessageService service;
    for (const auto& c : cases) {
        const QString title = QString::fromUtf8(c.title);
        int width = 0;
        withOpenBox(service, QString::fromUtf8(c.text), c.style, title,
                    [&width](QMessageBox& box) { width = box.width(); });
        EXPECT_GE(width, metrics.horizontalAdvance(title) + 100) << c.text;
    }
}
