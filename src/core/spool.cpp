#include "spool.h"

#include "app_context.h"
#include "database.h"
#include "format.h"
#include "whole_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace klv {

QString numeroSpool(Database& db, const QString& codRep, const Declarant& declarante, const QString& usuario,
                    const QDateTime& ahora, const QString& carpeta) {
    removeAbandonedReports(carpeta);
    Transaction t(db, true);
    const QVariant secTipo = db.scalar(
        QStringLiteral("SELECT max(CAST(trim(Secuencia) AS INTEGER)) FROM SPOOL WHERE CodRep = ? AND "
                       "trim(Secuencia) <> '' AND trim(Secuencia) NOT GLOB '*[^0-9]*'"),
        {textValue(codRep)});
    const QVariant secRep = db.scalar(
        QStringLiteral("SELECT max(CAST(substr(Archivo, 1, 8) AS INTEGER)) FROM SPOOL WHERE "
                       "Archivo GLOB '[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]*'"));
    const long long nSecTipo = secTipo.isNull() ? 0 : secTipo.toLongLong();
    const long long nSecRep = secRep.isNull() ? 0 : secRep.toLongLong();

    const QString secuencia = fmt::format(static_cast<double>(nSecTipo + 1), QStringLiteral("000000"));
    const QString archivo =
        fmt::format(static_cast<double>(nSecRep + 1), QStringLiteral("00000000")) + QStringLiteral(".PRN");
    db.exec(QStringLiteral("INSERT INTO SPOOL (CodRep, Secuencia, Archivo, Fecha, Usuario, TIP_DOC_D, DOC_ID_D) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?)"),
            {textValue(codRep), secuencia, archivo, ahora.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
             textValue(usuario), declarante.tipDocD, textValue(declarante.docIdD)});
    // The file, empty, before the row is committed: no committed row names a missing file.
    const QString ruta = QDir(carpeta).filePath(archivo);
    WholeFile vacio(ruta);
    WriteFailure why;
    if (!vacio.open(&why) || !vacio.commit(&why))
        throw SpoolFileError(why.number, QStringLiteral("No se pudo crear el reporte %1: %2").arg(ruta, why.text));
    try {
        t.commit();
    } catch (...) {
        QFile::remove(ruta);  // the name is not taken: nobody else writes it
        throw;
    }
    return archivo;
}

QString udf_NumeroSpool(const AppContext& ctx, const QString& codRep, const Declarant& declarante) {
    return numeroSpool(ctx.db(), codRep, declarante, ctx.gSysUser, ctx.clock->now(), ctx.gRptPath);
}

void liberarSpool(Database& db, const QString& archivo) {
    db.exec(QStringLiteral("DELETE FROM SPOOL WHERE Archivo = ?"), {textValue(archivo)});
}

void liberarSpoolConArchivo(Database& db, const QString& archivo, const QString& ruta) {
    try {
        liberarSpool(db, archivo);
    } catch (const DbError&) {
        if (!QFileInfo(ruta).isFile()) {
            WholeFile vacio(ruta);
            if (vacio.open()) vacio.commit();
        }
        return;
    }
    QFile::remove(ruta);
}

}  // namespace klv
