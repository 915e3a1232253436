#pragma once
// A laid environment for tests: a temporary folder with the host folder, QM000.INI and the shared
// database (host tables and demo data), KLV_WINDIR pointed at it, and an AppContext ready to hand
// to forms and logic: database open, configuration globals read from the INI, a recording message
// service, a clock fixed at 2026-12-08 10:00, a recording help service, the status panels and
// the utility component.

#include "app_context.h"
#include "recording_message_service.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace klv {
class StatusPanels;
class Utilitarios;
}

namespace klv::test {

class Environment {
public:
    // installModuleTables: also create the module's own tables and reference data through the
    // installer's core (see the hook in test_env.cpp). Throws std::runtime_error when the
    // environment cannot be laid.
    explicit Environment(bool installModuleTables = true);
    ~Environment();
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

    // The context of the logic's tests: the database open on the test's thread.
    AppContext& ctx() { return ctx_; }
    Database& db() { return *ctx_.gDB; }
    // The context a form gets, as QM8027's window has it: no connection, the engine (opened at the
    // first call) in its place; the same services, and the globals of ctx() as they stand then.
    AppContext& windowCtx();
    RecordingMessageService& messages() { return messages_; }
    FixedClock& clock() { return clock_; }
    RecordingHelpService& help() { return help_; }
    StatusPanels& panels() { return *panels_; }
    Utilitarios& util() { return *util_; }

    QString root() const { return dir_.path(); }   // the temporary folder
    QString sysPath() const { return ctx_.gSysPath; }  // root/sys/
    QString dbFile() const { return ctx_.gDBFile; }
    QString iniFile() const;                       // root/windir/QM000.INI

private:
    QTemporaryDir dir_;
    QByteArray previousWinDir_;
    bool hadWinDir_ = false;
    RecordingMessageService messages_;
    FixedClock clock_;
    RecordingHelpService help_;
    std::unique_ptr<StatusPanels> panels_;
    std::unique_ptr<Utilitarios> util_;
    AppContext ctx_;
    std::unique_ptr<AppContext> window_;
};

}  // namespace klv::test
