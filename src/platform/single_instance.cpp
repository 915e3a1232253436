#include "single_instance.h"

#include <QDir>
#include <QFileInfo>
#include <QtGlobal>
#include <sys/stat.h>
#include <unistd.h>

namespace klv {
namespace {

QString tempRuntimeFolder() { return QDir::tempPath() + QStringLiteral("/klv-runtime-") + QString::number(::getuid()); }
QString homeRuntimeFolder() { return QDir::homePath() + QStringLiteral("/.cache/klv-runtime"); }

QtMessageHandler handlerBefore = nullptr;

// Drops Qt's warnings about the runtime folder it falls back on ("QStandardPaths: XDG_RUNTIME_DIR
// not set, defaulting to ...", and those about that folder's owner or mode); passes on the rest.
void withoutRuntimeFolderWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && text.startsWith(QLatin1String("QStandardPaths: ")) &&
        (text.contains(QLatin1String("XDG_RUNTIME_DIR")) || text.contains(QLatin1String("runtime directory"))))
        return;
    if (handlerBefore) handlerBefore(type, context, text);
}

// A folder of the user's own that no one else can write. `made`: a folder of ours at a fixed
// place, made with mode 0700 when missing and never taken through a link; its mode is brought to
// 0700. Otherwise (a folder named by the environment) it may be reached through a link.
bool privateFolder(const QString& dir, bool made) {
    if (dir.isEmpty()) return false;
    const QByteArray native = QFile::encodeName(dir);
    if (made) ::mkdir(native.constData(), 0700);
    struct stat st {};
    if ((made ? ::lstat(native.constData(), &st) : ::stat(native.constData(), &st)) != 0 || !S_ISDIR(st.st_mode) ||
        st.st_uid != ::getuid())
        return false;
    if (!made) return (st.st_mode & 0022) == 0;
    return (st.st_mode & 0777) == 0700 || ::chmod(native.constData(), 0700) == 0;
}

}  // namespace

QString runtimeFolder() {
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (privateFolder(xdg, false)) return xdg;
    const QString tmp = tempRuntimeFolder();
    if (privateFolder(tmp, true)) return tmp;
    // The name in the temporary folder is taken (by another user, or by a link): the user's home.
    const QString home = homeRuntimeFolder();
    if (QDir().mkpath(QFileInfo(home).path()) && privateFolder(home, true)) return home;
    return QString();
}

void useRuntimeFolder() {
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
    const QString folder = runtimeFolder();
    if (!folder.isEmpty()) {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder));
        return;
    }
    // None: the program tells the user itself (it runs without the one-copy guard), so Qt, which
    // asks for the folder as its application object starts, is kept from warning about it too.
    static const bool quiet = [] {
        handlerBefore = qInstallMessageHandler(withoutRuntimeFolderWarnings);
        return true;
    }();
    Q_UNUSED(quiet);
}

SingleInstance::SingleInstance(const QString& name, const QString& folder) {
    QString dir = folder;
    if (dir.isEmpty()) dir = runtimeFolder();
    if (dir.isEmpty()) return;
    QDir().mkpath(dir);
    path_ = dir + QStringLiteral("/klv-") + name + QStringLiteral(".lock");
    lock_ = std::make_unique<QLockFile>(path_);
    lock_->setStaleLockTime(0);  // a lock whose process is gone is stale at once
}

bool SingleInstance::acquire() { return !lock_ || lock_->tryLock(0); }

QString textoSinCarpetaPrivada() {
    return QStringLiteral("No se pudo tener una carpeta privada donde registrar la copia en ejecución (%1 y %2 no "
                          "sirven: no son carpetas propias, cerradas a otros usuarios).\nEl programa continúa sin "
                          "comprobar si ya se encuentra en ejecución.")
        .arg(tempRuntimeFolder(), homeRuntimeFolder());
}

}  // namespace klv
