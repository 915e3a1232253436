#pragma once
// The stand-in host's main window, captioned exactly "KLV": the declaration module refuses to start
// without it. It starts QM8027 and, for a declarant and period typed in it, the summary program
// 8027REP with its 35-character command line.

#include <QMainWindow>
#include <QPoint>
#include <QRect>
#include <QString>
#include <optional>

class QLabel;
class QLineEdit;

namespace klv {
class MessageService;
}

namespace klv::host {

// The top-left corner that puts a window of `frame` size (frame included) inside `available`:
// `wanted` where it fits there, else moved left and up just as far as needed; a window larger
// than the area starts at the area's corner.
QPoint placeInside(const QRect& available, const QSize& frame, const QPoint& wanted);

class HostMainWindow : public QMainWindow {
    Q_OBJECT
public:
    // programFolder: where QM8027 and 8027REP are looked for (empty: beside this executable).
    explicit HostMainWindow(MessageService& messages, QString programFolder = QString(),
                            QWidget* parent = nullptr);

    void CmdModulo_Click();
    void CmdResumen_Click();
    // The command line the summary button would pass, or empty after telling the user what is
    // missing.
    QString commandLineFromForm();

    // Puts the window, frame included, at `wanted` or as near to it as keeps it inside the
    // available area of its screen; once more when a window manager has framed it.
    void placeOnScreen(const QPoint& wanted);

protected:
    bool event(QEvent* event) override;

private:
    void showEnvironment();

    MessageService& messages_;
    QString programFolder_;
    QLabel* lblEntorno_ = nullptr;
    QLineEdit* txtRuc_ = nullptr;
    QLineEdit* txtPeriodo_ = nullptr;
    QLineEdit* txtCodEnvio_ = nullptr;
    QLineEdit* txtNroEnvio_ = nullptr;
    std::optional<QPoint> wanted_;  // until the window is framed and placed again
};

}  // namespace klv::host
