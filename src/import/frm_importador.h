#pragma once
// The import dialog "Importador de Registros": related parties from RUC.ifm (opened by the party
// register), transactions from RUC.TXT (the declaration form's Importar) or the technical study's
// PDF (the declaration form's "Adjuntar ETPT"). The opener's name chooses the mode; the declarant
// and the period come from the opener. The user picks the folder, selects the one file listed and
// presses "&Aceptar"; a file import runs through the import core with a progress bar and a
// Cancelar button, the dialog locked meanwhile.

#include "app_context.h"
#include "import_core.h"
#include "import_dialog_logic.h"

#include <QDialog>
#include <QElapsedTimer>
#include <atomic>
#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace klv {

// What the opener refreshes when the dialog closes: the party register's grid (RUC), the
// declaration's grid and totals (RUC and period), or nothing (after an attachment).
struct OpenerRefresh {
    enum class Kind { Ninguno, Partes, Declaracion };
    Kind kind = Kind::Ninguno;
    int tipDocD = 6;
    QString ruc;
    QString periodo;
};

class FrmImportador : public QDialog {
    Q_OBJECT
public:
    // `runner` runs the file imports (the import core; a stand-in in tests).
    FrmImportador(AppContext& ctx, import::ImportRunner runner, QWidget* parent = nullptr);
    ~FrmImportador() override;

    // Opens a fresh dialog modally for the opener and returns, when it has closed, what the opener
    // refreshes. `opener` holds the opener's declarant text (and for the declaration form its
    // period and answers).
    static OpenerRefresh run(AppContext& ctx, QWidget* parent, const QString& caller, const OpenDeclaration* opener,
                             import::ImportRunner runner);

    void udp_Def_Caller(const QString& caller);
    // Builds the dialog for the mode, selecting the opener's declarant. Reports a failing
    // declarant query and goes on.
    void Form_Load(const OpenDeclaration* opener);

    // Handlers, also run by the controls' signals.
    void CboNumDoc_Click();
    void Drive1_Change();
    void DirDirectorio_Change(const QString& path);
    void cmdTransferir_Click();
    void cmdCancelar_Click();
    void CmdDetener_Click();

    // Opens the folder in the folder list (as a double click there would).
    void setDirectory(const QString& path);

    import::ImportMode mode() const { return mode_; }
    const QString& sDirectorio() const { return sDirectorio_; }
    QString pattern() const { return pattern_; }
    bool running() const { return running_; }
    const OpenerRefresh& salida() const { return salida_; }
    int gTipoImportacion() const { return gTipoImportacion_; }

protected:
    void closeEvent(QCloseEvent* event) override;

public slots:
    void reject() override;

private:
    // The declarant's name as read on the engine's thread, or the text of the failure that kept it
    // from being read.
    struct DeclarantName {
        QString nombre;
        QString failure;
    };
    static DeclarantName readName(AppContext& w, const QString& ruc);
    void showName(const DeclarantName& name);
    void refreshFileList();
    // Sizes the file list to the one name the mode can list, leaving the rest to the folders.
    void fitFileList();
    void fillFolderList();
    QString ruc() const;
    void setRunning(bool on);
    // The counts and the bar of the last progress the run reported from the engine's thread.
    void paintProgress();
    QElapsedTimer runClock_;  // since the run began
    void showOutcome(const import::ImportOutcome& out);
    void showCounts(const import::ImportCounts& c);
    // After a run with rejected lines: the question, the error report and its preview.
    void offerReport(const import::ImportOutcome& out);
    void leave();

    AppContext& ctx_;
    import::ImportRunner runner_;
    QString sCaller_;
    QString sDirectorio_;
    QString sRuc_;
    QString pattern_;
    import::ImportMode mode_ = import::ImportMode::Ninguno;
    int gTipoImportacion_ = 0;
    OpenDeclaration opener_;
    OpenerRefresh salida_;
    bool running_ = false;
    std::atomic<bool> stopRequested_{false};  // read by the run, on the engine's thread
    bool left_ = false;
    import::ImportProgress progress_;

    QGroupBox* Frame1 = nullptr;
    QRadioButton* OptTransac = nullptr;
    QRadioButton* OptParVin = nullptr;
    std::array<QLabel*, 2> Label7{};
    QComboBox* CboNumDoc = nullptr;
    QLineEdit* TxtRazon_Social = nullptr;
    QLineEdit* MkePeriodo = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* Drive1 = nullptr;
    QListWidget* DirDirectorio = nullptr;
    QListWidget* File1 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QLabel* lblTransferidos = nullptr;
    QLabel* LblActualizados = nullptr;
    QLabel* lblRechazados = nullptr;
    QProgressBar* PrgAvance = nullptr;
    QPushButton* CmdDetener = nullptr;
    QPushButton* cmdTransferir = nullptr;
    QPushButton* cmdCancelar = nullptr;
};

}  // namespace klv
