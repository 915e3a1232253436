#include "attachment.h"

#include "app_context.h"
#include "database.h"
#include "error_log.h"
#include "file_digest.h"
#include "message_service.h"
#include "module_version.h"
#include "numero_control.h"

#include <QFileInfo>
#include <QVariantMap>

namespace klv::import {
namespace {

// The study's name: form code (4), RUC (11), period (4) and ".PDF" (4).
constexpr int kLargoNombre = 23;

AttachNotice unreadable(const QString& why) {
    return {why + QStringLiteral("\nNo se registró el Estudio Técnico."), MsgStyle::Critical, false, false};
}

}  // namespace

QString VerificarEnhe(const QString& path) {
    for (QChar c : path)
        if (c == QChar(0x00F1) || c == QChar(0x00D1))
            return QStringLiteral("El nombre del directorio que contiene los archivos a importar presenta un "
                                  "carácter no permitido (ñ).") +
                   QLatin1Char('\r') +
                   QStringLiteral("Por favor modifique el nombre del directorio o copie los archivos en otro "
                                  "directorio para poder generar su envío  MERVA.");
    return QString();
}

QString NomEnv(const Database& db, const QString& formulario, const QString& name) {
    const QString ext = name.right(3).toUpper();
    const QVariant v = db.scalar(QStringLiteral("SELECT tabla_d FROM ENVIO_T WHERE FORMULARIO=? AND tabla_o=? LIMIT 1"),
                                 {textValue(formulario), textValue(ext)});
    return v.isValid() ? v.toString().trimmed() : QString();
}

QString joinPath(const QString& folder, const QString& name) {
    if (folder.endsWith(QLatin1Char('/'))) return folder + name;
    return folder + QLatin1Char('/') + name;
}

void GraboControlF8027(const AppContext& ctx, const QString& path, const QString& digest, long numTuplas,
                       const QString& ruc, const QString& periodo) {
    const QString trimmed = path.trimmed();
    const QString nomarc = trimmed.right(kLargoNombre);
    // The folder keeps its case: upper-cased it would name no folder on this file system.
    const QString rutArc = trimmed.left(std::max<qsizetype>(0, trimmed.size() - kLargoNombre));
    const QFileInfo info(trimmed);
    if (!info.isFile()) throw FileError(QStringLiteral("No se pudo leer el archivo '%1'.").arg(trimmed));

    Database& db = ctx.db();
    Transaction t(db);
    QVariantMap row;
    row.insert(QStringLiteral("TIP_DOC_D"), 6);
    row.insert(QStringLiteral("DOC_ID_D"), textValue(ruc));
    row.insert(QStringLiteral("Periodo"), textValue(periodo));
    row.insert(QStringLiteral("Formulario"), textValue(ctx.gFormulario));
    row.insert(QStringLiteral("Semana"), 0);
    row.insert(QStringLiteral("nomarc"), textValue(nomarc));
    row.insert(QStringLiteral("tab_d"), textValue(NomEnv(db, ctx.gFormulario, nomarc)));
    row.insert(QStringLiteral("RutArc"), textValue(rutArc));
    row.insert(QStringLiteral("tamarc"), static_cast<qlonglong>(info.size()));
    row.insert(QStringLiteral("Marca"), textValue(digest));
    row.insert(QStringLiteral("Indice"), 1);
    row.insert(QStringLiteral("num_tuplas"), QString::number(numTuplas));
    row.insert(QStringLiteral("cnum"), kVersionModulo);
    const QString cNumero = numeroControl(QStringLiteral("EFCONTROLNS"), row, 6);

    const QString where = QStringLiteral(" WHERE DOC_ID_D=? AND PERIODO=? AND FORMULARIO=? AND SEMANA=0 AND TIP_DOC_D=6"
                                         " AND NOMARC=?");
    const QVariantList key{textValue(ruc), textValue(periodo), textValue(ctx.gFormulario), textValue(nomarc)};
    const bool exists =
        db.scalar(QStringLiteral("SELECT count(*) FROM EFCONTROLNS") + where, key).toLongLong() > 0;
    if (exists) {
        // The key columns keep their values; the rest is written anew.
        QVariantList params{row.value(QStringLiteral("RutArc")), row.value(QStringLiteral("tamarc")),
                            row.value(QStringLiteral("Marca")),  row.value(QStringLiteral("nomarc")),
                            row.value(QStringLiteral("Indice")), row.value(QStringLiteral("tab_d")),
                            row.value(QStringLiteral("num_tuplas")), row.value(QStringLiteral("cnum")), cNumero};
        params << key;
        db.exec(QStringLiteral("UPDATE EFCONTROLNS SET RutArc=?, tamarc=?, Marca=?, nomarc=?, Indice=?, tab_d=?, "
                               "num_tuplas=?, cnum=?, cNumero=?") +
                    where,
                params);
    } else {
        db.exec(QStringLiteral("INSERT INTO EFCONTROLNS (TIP_DOC_D, DOC_ID_D, Periodo, Formulario, Semana, nomarc, "
                               "tab_d, RutArc, tamarc, Marca, Indice, num_tuplas, cnum, cNumero) "
                               "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                {row.value(QStringLiteral("TIP_DOC_D")), row.value(QStringLiteral("DOC_ID_D")),
                 row.value(QStringLiteral("Periodo")), row.value(QStringLiteral("Formulario")),
                 row.value(QStringLiteral("Semana")), row.value(QStringLiteral("nomarc")),
                 row.value(QStringLiteral("tab_d")), row.value(QStringLiteral("RutArc")),
                 row.value(QStringLiteral("tamarc")), row.value(QStringLiteral("Marca")),
                 row.value(QStringLiteral("Indice")), row.value(QStringLiteral("num_tuplas")),
                 row.value(QStringLiteral("cnum")), cNumero});
    }
    t.commit();
}

QString textoAdjuntado(const QString& fileName) { return QStringLiteral("Se cargó correctamente el archivo ") + fileName; }

AttachNotice adjuntarEstudio(const AppContext& ctx, const QString& folder, const QString& fileName, bool selected,
                             const QString& ruc, const QString& periodo) {
    const QString enhe = VerificarEnhe(folder);
    if (!enhe.isEmpty()) return {enhe, MsgStyle::Critical, true, false};
    if (fileName.isEmpty()) return {QStringLiteral("No se encontró archivo pdf (ETPT)"), MsgStyle::Exclamation, false, false};
    if (!selected) return {QStringLiteral("No seleccionó archivo pdf (ETPT)"), MsgStyle::Exclamation, false, false};

    const QString path = joinPath(folder, fileName);
    QString why;
    const std::optional<QString> digest = udf_HashArchivo(path, &why);
    if (!digest) {
        // A study that vanished or cannot be read is not registered.
        return unreadable(why);
    }
    try {
        GraboControlF8027(ctx, path, *digest, 0, ruc, periodo);
    } catch (const DbError& e) {
        return {QStringLiteral("No se pudo registrar el archivo ") + fileName + QStringLiteral(": ") + e.text() +
                    QStringLiteral(" (") + QString::number(e.number()) + QLatin1Char(')'),
                MsgStyle::Critical, false, false};
    } catch (const FileError& e) {
        return unreadable(e.text());
    }
    return {textoAdjuntado(fileName), MsgStyle::Exclamation, false, true};
}

}  // namespace klv::import
