#pragma once
// The message service of a program with windows: Qt's message boxes.

#include "message_service.h"

#include <memory>

namespace klv {

// A modal QMessageBox with the icon, buttons and default button of the style, wide enough for its
// whole title in the window frame.
class QtMessageService : public MessageService {
public:
    int show(const QString& text, int style, const QString& title) override;
};

// The message service of a program: Qt boxes with a display, standard error without one.
std::unique_ptr<MessageService> makeMessageService();

}  // namespace klv
