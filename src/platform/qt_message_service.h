#pragma once
// The message service of a program with windows: Qt's message boxes.

#include "message_service.h"

#include <QString>
#include <QStringList>
#include <memory>

class QCoreApplication;

namespace klv {

// A modal QMessageBox with the icon, buttons and default button of the style, wide enough for its
// whole title in the window frame.
class QtMessageService : public MessageService {
public:
    int show(const QString& text, int style, const QString& title) override;
};

// The message service of a program: Qt boxes with a display, standard error without one.
std::unique_ptr<MessageService> makeMessageService();

// The application of a program without windows of its own (8027REP), which shows nothing but the
// odd message box: it runs on Qt's core application, and the GUI application (platform, fonts and
// styles: tens of milliseconds at start-up and megabytes) takes its place only when the first box
// is to be shown on a display. Without a display messages go to standard error. Build it where
// the program would build its QApplication (after prepareProgramEnvironment); argc and argv must
// outlive it.
class WindowlessProgram {
public:
    WindowlessProgram(int& argc, char** argv, const QString& name);
    ~WindowlessProgram();
    WindowlessProgram(const WindowlessProgram&) = delete;
    WindowlessProgram& operator=(const WindowlessProgram&) = delete;

    MessageService& messages() { return *messages_; }
    QStringList arguments() const;  // the command line without the program's name
    // True once a box has started the GUI application.
    bool guiStarted() const;

private:
    class Boxes;
    void startGui();

    int& argc_;
    char** argv_;
    QString name_;
    std::unique_ptr<QCoreApplication> app_;
    std::unique_ptr<MessageService> messages_;
};

}  // namespace klv
