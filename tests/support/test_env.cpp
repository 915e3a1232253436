#include "test_env.h"

#include "engine.h"
#include "host_env.h"
#include "ini_file.h"
#include "installer.h"
#include "status_panels.h"
#include "utilitarios.h"

#include <QDate>
#include <QTime>
#include <stdexcept>

namespace klv::test {

Environment::Environment(bool installModuleTables)
    : clock_(QDateTime(QDate(2026, 12, 8), QTime(10, 0))) {
    if (!dir_.isValid()) throw std::runtime_error("cannot create a temporary folder");
    QString error;
    if (!host::initEnvironment(dir_.path(), &error)) throw std::runtime_error(error.toStdString());
    hadWinDir_ = qEnvironmentVariableIsSet("KLV_WINDIR");
    previousWinDir_ = qgetenv("KLV_WINDIR");
    qputenv("KLV_WINDIR", host::winDirOf(dir_.path()).toLocal8Bit());

    const QString ini = iniFile();
    const QString section = QStringLiteral("Options");
    auto key = [&](const char* k) { return ini::readString(section, QString::fromLatin1(k), QString(), ini); };
    ctx_.gSysPath = key("SysPath").trimmed();
    ctx_.gDBFile = key("DBPath").trimmed() + key("DBName").trimmed();
    ctx_.gRptPath = ctx_.gSysPath + QStringLiteral("RPT");
    ctx_.gSysUser = key("SysUser");

    panels_ = std::make_unique<StatusPanels>();
    util_ = std::make_unique<Utilitarios>();
    ctx_.gUtil = util_.get();
    ctx_.messages = &messages_;
    ctx_.clock = &clock_;
    ctx_.help = &help_;
    ctx_.panels = panels_.get();
    ctx_.gDB = Database::open(ctx_.gDBFile);

    if (installModuleTables) {
        // The installer's core on this database: module tables, reference data, submission map
        // (the shipped env8027.txt). A clean installation shows no message.
        QString why;
        if (!installer::writeEnvFile(ctx_.gSysPath, &why)) throw std::runtime_error(why.toStdString());
        RecordingMessageService installMessages;
        installer::Installer inst(installMessages);
        const bool completed = inst.run(*ctx_.gDB, ctx_.gSysPath);
        if (!completed || !installMessages.empty()) {
            QString shown;
            for (const auto& c : installMessages.calls()) shown += c.title + QStringLiteral(": ") + c.text + QLatin1Char('\n');
            throw std::runtime_error("installer: " + shown.toStdString());
        }
    }
}

AppContext& Environment::windowCtx() {
    if (!window_) {
        window_ = std::make_unique<AppContext>();
        window_->globals() = ctx_.globals();
        window_->messages = ctx_.messages;
        window_->clock = ctx_.clock;
        window_->help = ctx_.help;
        window_->gUtil = ctx_.gUtil;
        window_->panels = ctx_.panels;
        window_->forms = ctx_.forms;
        window_->engine = Engine::open(ctx_.gDBFile);
    }
    return *window_;
}

Environment::~Environment() {
    window_.reset();
    ctx_.gDB.reset();
    if (hadWinDir_)
        qputenv("KLV_WINDIR", previousWinDir_);
    else
        qunsetenv("KLV_WINDIR");
}

QString Environment::iniFile() const {
    return host::winDirOf(dir_.path()) + QLatin1Char('/') + QString::fromLatin1(host::kIniName);
}

}  // namespace klv::test
