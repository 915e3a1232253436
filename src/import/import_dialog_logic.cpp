#include "import_dialog_logic.h"

#include "declaration_header.h"
#include "format.h"
#include "import_core.h"

#include <QDir>
#include <algorithm>

namespace klv::import {

ImportMode modoDeCaller(const QString& caller) {
    if (caller == kCallerPartes) return ImportMode::Partes;
    if (caller == kCallerTransacciones) return ImportMode::Transacciones;
    if (caller == kCallerAdjunto) return ImportMode::Adjunto;
    return ImportMode::Ninguno;
}

int ayudaDeModo(ImportMode mode) {
    switch (mode) {
    case ImportMode::Partes: return 1020;
    case ImportMode::Transacciones:
    case ImportMode::Adjunto: return 1022;
    default: return 0;
    }
}

QString patronArchivo(ImportMode mode, const QString& ruc, const QString& periodo, const QString& formulario) {
    // Without a declarant the name would lose its RUC and could name another file.
    if (ruc.trimmed().isEmpty()) return QString();
    switch (mode) {
    case ImportMode::Partes: return ruc + QStringLiteral(".ifm");
    case ImportMode::Transacciones: return ruc + QStringLiteral(".TXT");
    case ImportMode::Adjunto: return formulario + ruc + periodo + QStringLiteral(".PDF");
    default: return QString();
    }
}

QStringList archivosDelPatron(const QString& folder, const QString& pattern) {
    QStringList out;
    if (pattern.isEmpty() || folder.isEmpty()) return out;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& n : names)
        if (n.compare(pattern, Qt::CaseInsensitive) == 0) out << n;
    return out;
}

int indiceDeclarante(const QStringList& items, const QString& openerText) {
    const QString wanted = openerText.left(11);
    for (int i = 0; i < items.size(); ++i)
        if (items[i].left(11) == wanted) return i;
    return -1;
}

QString nombreDeclarante(const AppContext& ctx, const QString& ruc) { return readDeclarant(ctx, ruc).nombre; }

int periodoNumero(const QString& periodo) {
    const double v = fmt::val(periodo.trimmed());
    return static_cast<int>(std::clamp(v, -1e9, 1e9));
}

QString textoTransferidos(long n) { return QString::number(n) + QStringLiteral(" Transferidos"); }
QString textoActualizados(long n) { return QString::number(n) + QStringLiteral(" Actualizados"); }
QString textoRechazados(long n) { return QString::number(n) + QStringLiteral(" Rechazados"); }

}  // namespace klv::import
