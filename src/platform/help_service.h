#pragma once
// Help: asks the desktop to open the help file at its contents, and says so when it cannot.

#include <QString>
#include <vector>

namespace klv {

class MessageService;

class HelpService {
public:
    virtual ~HelpService() = default;
    // Opens the file; returns false (after telling the user) when it cannot.
    virtual bool showContents(const QString& helpFile) = 0;
    // The help-context number a form sets for itself (kept for a viewer that can use it).
    virtual void setContext(int) {}
};

class DesktopHelpService : public HelpService {
public:
    DesktopHelpService(MessageService& messages, QString title)
        : messages_(messages), title_(std::move(title)) {}
    bool showContents(const QString& helpFile) override;

private:
    MessageService& messages_;
    QString title_;
};

class RecordingHelpService : public HelpService {
public:
    bool showContents(const QString& helpFile) override {
        opened.push_back(helpFile);
        return true;
    }
    void setContext(int context) override { contexts.push_back(context); }
    std::vector<QString> opened;
    std::vector<int> contexts;  // every help context set, in order
};

}  // namespace klv
