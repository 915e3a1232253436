#pragma once
// Help: asks the desktop to open the help file at its contents, or at the help context of the
// form the user is in (F1), and says so when it cannot.

#include <QString>
#include <vector>

class QObject;

namespace klv {

class MessageService;

class HelpService {
public:
    virtual ~HelpService() = default;
    // Opens the file; returns false (after telling the user) when it cannot.
    virtual bool showContents(const QString& helpFile) = 0;
    // Opens the file at a form's help context; the same answers and messages as showContents.
    virtual bool showContext(const QString& helpFile, int context) = 0;
    // The help-context number a form sets for itself (see setHelpContext).
    virtual void setContext(int) {}
};

// A form's help context: kept on the form, so that F1 opens the help of the form the user is in,
// and told to the service.
void setHelpContext(HelpService* help, QObject* form, int context);
// The help context of the nearest widget from `w` up its parents that has one set (a box or dialog
// opened over a form takes the form's); 0 for none.
int helpContextOf(const QObject* w);

class DesktopHelpService : public HelpService {
public:
    DesktopHelpService(MessageService& messages, QString title)
        : messages_(messages), title_(std::move(title)) {}
    bool showContents(const QString& helpFile) override;
    // The desktop's viewers are given a file, not a topic: the file opens as for showContents.
    bool showContext(const QString& helpFile, int) override { return showContents(helpFile); }

private:
    MessageService& messages_;
    QString title_;
};

class RecordingHelpService : public HelpService {
public:
    bool showContents(const QString& helpFile) override {
        opened.push_back(helpFile);
        topics.push_back(0);
        return true;
    }
    bool showContext(const QString& helpFile, int context) override {
        opened.push_back(helpFile);
        topics.push_back(context);
        return true;
    }
    void setContext(int context) override { contexts.push_back(context); }
    std::vector<QString> opened;
    std::vector<int> topics;    // the context each opening asked for (0: the contents)
    std::vector<int> contexts;  // every help context set, in order
};

}  // namespace klv
