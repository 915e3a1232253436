#pragma once
// The stand-in host's main window, captioned exactly "KLV": the declaration module refuses to start
// without it. It starts QM8027 and, for a declarant and period typed in it, the summary program
// 8027REP with its 35-character command line.

#include <QMainWindow>
#include <QString>

class QLabel;
class QLineEdit;

namespace klv {
class MessageService;
}

namespace klv::host {

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

private:
    void showEnvironment();

    MessageService& messages_;
    QString programFolder_;
    QLabel* lblEntorno_ = nullptr;
    QLineEdit* txtRuc_ = nullptr;
    QLineEdit* txtPeriodo_ = nullptr;
    QLineEdit* txtCodEnvio_ = nullptr;
    QLineEdit* txtNroEnvio_ = nullptr;
};

}  // namespace klv::host
