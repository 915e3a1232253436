#pragma once
// Drives the module's own windows as a user would, one step at a time. A step waits until what it
// needs is on screen (a window by its control name, a message box) and then acts. A click that
// opens a modal window is posted, so the walk goes on inside that window's own event loop. Every
// window passed is kept as a picture (NN-name.png) in the screenshot folder.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <stdexcept>
#include <string>
#include <functional>
#include <vector>

class QAbstractButton;
class QComboBox;
class QListWidget;
class QMessageBox;

namespace klv::e2e {

// The visible, exposed top-level window named `name` (its control name), or nullptr.
QWidget* window(const char* name);
// The message box in front, or nullptr.
QMessageBox* messageBox();
// A child control by name; the walk stops when it is missing.
template <class T>
T* control(QWidget* window, const char* name);
// Runs `fn` from the event loop, after the current step has returned.
void post(std::function<void()> fn);
// Presses a button as a click would, from the event loop (it may open a modal window).
void press(QAbstractButton* button);
// Chooses the combo's entry that starts with `prefix`, as a user's choice in its list does.
bool choose(QComboBox* combo, const QString& prefix);
// Double-clicks the list entry whose stored path is `path` (the import dialog's folder list).
bool openFolder(QListWidget* folders, const QString& path);
// Clicks the list entry whose text is `text`.
bool clickEntry(QListWidget* list, const QString& text);

class Walker : public QObject {
public:
    explicit Walker(QString shotFolder);

    // A step: when `ready` has held for two polls in a row, `act` runs once. A message box that
    // comes up while a step does not expect one stops the walk (its text is told).
    void then(const QString& what, std::function<bool()> ready, std::function<void()> act = {});
    // A message box whose title is `title` and whose text contains `text`: kept as a picture, its
    // text recorded, then answered with the button captioned `button`.
    void answer(const QString& shotName, const QString& title, const QString& text, const QString& button);
    // Starts polling; `done` runs after the last step.
    void start(std::function<void()> done);

    // A picture of the window (its own pixels) or of a foreign X window (0: the whole screen).
    QString shot(QWidget* w, const QString& name);
    QString shotForeign(unsigned long xid, const QString& name);
    void check(bool ok, const QString& what);
    int failures() const { return failures_; }
    const QStringList& boxTexts() const { return boxTexts_; }
    // Stops the walk now: tells why, which windows are up, keeps a picture of the screen.
    [[noreturn]] void abort(const QString& why);

private:
    struct Step {
        QString what;
        std::function<bool()> ready;
        std::function<void()> act;
        bool boxExpected = false;
    };
    void poll();

    QString folder_;
    std::vector<Step> steps_;
    size_t next_ = 0;
    int held_ = 0;
    qint64 waitingSince_ = 0;
    int shots_ = 0;
    int failures_ = 0;
    QStringList boxTexts_;
    QTimer timer_;
    std::function<void()> done_;
};

template <class T>
T* control(QWidget* window, const char* name) {
    T* found = window ? window->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    if (!found) throw std::runtime_error(std::string("control not found: ") + name);
    return found;
}

}  // namespace klv::e2e
