#include "host_launch.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

namespace klv::host {
namespace {

QString fit(const QString& text, int width) { return text.left(width).leftJustified(width, QLatin1Char(' ')); }

}  // namespace

QString resumenCommandLine(int tipDoc, const QString& docId, const QString& formulario, const QString& periodo,
                           const QString& codEnvio, const QString& nroEnvio) {
    QString period = periodo.trimmed();
    if (period.size() == 4) period += QStringLiteral("00");
    QString line = QStringLiteral("%1").arg(tipDoc % 100, 2, 10, QLatin1Char('0'));
    line += fit(docId.trimmed(), 15);
    line += fit(formulario.trimmed(), 4);
    line += fit(period, 6);
    line += fit(codEnvio.trimmed(), 1);
    line += nroEnvio.trimmed().right(7).rightJustified(7, QLatin1Char('0'));
    return line;
}

QString siblingProgram(const QString& name, const QString& folder) {
    const QString dir = folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
    return dir + QLatin1Char('/') + name;
}

bool launch(const QString& program, const QStringList& arguments, QString* error) {
    const QFileInfo info(program);
    if (!info.isFile() || !info.isExecutable()) {
        if (error)
            *error = QStringLiteral("No se encontró el programa %1 en %2.").arg(info.fileName(), info.absolutePath());
        return false;
    }
    if (!QProcess::startDetached(program, arguments)) {
        if (error) *error = QStringLiteral("No se pudo iniciar el programa %1.").arg(program);
        return false;
    }
    return true;
}

}  // namespace klv::host
