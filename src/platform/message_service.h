#pragma once
// Every message box of the system goes through a MessageService: the text, a style code
// (the classic box style: buttons + icon + default button, e.g. 16, 48, 64, 36, 292) and a title
// give back the answer (the button pressed). Here: the interface and the service without a display;
// the service that shows Qt's boxes is the platform's forms library (klv_platform_forms,
// qt_message_service.h), so that nothing below the windows links the widgets.

#include <QString>
#include <vector>

namespace klv {

namespace MsgStyle {
// Buttons (low nibble).
constexpr int OkOnly = 0;
constexpr int OkCancel = 1;
constexpr int AbortRetryIgnore = 2;
constexpr int YesNoCancel = 3;
constexpr int YesNo = 4;
constexpr int RetryCancel = 5;
// Icons.
constexpr int Critical = 16;
constexpr int Question = 32;
constexpr int Exclamation = 48;
constexpr int Information = 64;
// Default button.
constexpr int DefaultButton1 = 0;
constexpr int DefaultButton2 = 256;
constexpr int DefaultButton3 = 512;
}  // namespace MsgStyle

namespace MsgAnswer {
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Abort = 3;
constexpr int Retry = 4;
constexpr int Ignore = 5;
constexpr int Yes = 6;
constexpr int No = 7;
}  // namespace MsgAnswer

// The buttons a style shows, in order, and the one pressed by default.
std::vector<int> buttonsOfStyle(int style);
int defaultAnswerOfStyle(int style);

class MessageService {
public:
    virtual ~MessageService() = default;
    // Shows the message and returns the answer (MsgAnswer::*).
    virtual int show(const QString& text, int style, const QString& title) = 0;
};

// No display: title and text go to standard error and the default button answers.
class HeadlessMessageService : public MessageService {
public:
    int show(const QString& text, int style, const QString& title) override;
    int count() const { return count_; }

private:
    int count_ = 0;
};

// True when the process has no display to show windows on (no DISPLAY / WAYLAND_DISPLAY, or the
// offscreen or minimal Qt platform is requested).
bool runningHeadless();

// What every program's main does first, before its QApplication exists: without a display, asks
// Qt for its offscreen platform so the program still runs; points XDG_RUNTIME_DIR at a private
// folder of the user's when it is unset, so that Qt does not warn about it (useRuntimeFolder()); and
// has installQtTranslation() run as soon as the application object is built (at once when it
// exists already), before any window.
void prepareProgramEnvironment();
// Loads Qt's own Spanish translation (qtbase_es, from Qt's translations folder) into the running
// application, so Qt's dialogs and standard texts (the print dialog, the file dialog, a line
// edit's menu) speak Spanish. False, and nothing else happens, without an application object or
// when the file is missing: the program goes on with Qt's English texts.
bool installQtTranslation();

}  // namespace klv
