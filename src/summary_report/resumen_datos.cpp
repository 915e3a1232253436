#include "resumen_datos.h"

#include "cp1252.h"
#include "database.h"
#include "declaration_queries.h"
#include "format.h"
#include "whole_file.h"

#include <QFile>
#include <cerrno>

namespace klv::resumen {
namespace {

QString monto(const QVariant& suma) {
    if (suma.isNull()) return udf_RellenaDerecha(QStringLiteral("0.00"), 15);
    return udf_RellenaDerecha(fmt::format(suma.toDouble(), QStringLiteral("###,###,###,##0.00")), 15);
}

}  // namespace

QString udf_RellenaDerecha(const QString& texto, int ancho) {
    if (texto.size() >= ancho) return texto;
    return texto + QString(std::min<qsizetype>(ancho - texto.size(), 80), QLatin1Char(' '));
}

QString udf_NombreContribuyente(const Database& db, int tipo, const QString& documento) {
    const auto filas = db.rows(QStringLiteral("SELECT Nombre FROM CONT WHERE Tip_doc_d = ? AND Doc_id_d = ? LIMIT 1"),
                               {tipo, textValue(documento.trimmed())});
    return filas.empty() ? QString() : filas.front().value(0).toString().trimmed();
}

QString udf_TipoDocCorto(const Database& db, int tipo) {
    const auto filas = db.rows(
        QStringLiteral("SELECT Funcion FROM PARAM WHERE Numero = '044' AND Argumento = ? LIMIT 1"),
        {QString::number(tipo)});
    if (filas.empty()) return QStringLiteral("RUC");
    return filas.front().value(0).toString().mid(31, 12).trimmed();
}

bool udp_Traza(const QString& archivoTraza, const QString& texto, WriteFailure* why) {
    // Appended to, never through a link planted at its name.
    QFile f(archivoTraza);
    if (!openAppending(f, false, why)) return false;
    const QByteArray linea = cp1252::encode(texto) + "\r\n";
    errno = 0;
    if (f.write(linea) == linea.size() && f.flush()) return true;
    if (why) *why = fileError(errno);
    return false;
}

QString textoConsultaCab(const LineaResumen& l) {
    return QStringLiteral("SELECT * FROM CAB WHERE Tip_doc_d= %1 AND Doc_id_d='%2'  AND PERIODO='%3' AND "
                          "Formulario='%4'")
        .arg(QString::number(l.tipo()), l.documento(), periodoConsulta(l.periodo), l.formulario);
}

bool existeCabecera(const Database& db, const LineaResumen& l) {
    return db.scalar(QStringLiteral("SELECT 1 FROM CAB WHERE Tip_doc_d = ? AND Doc_id_d = ? AND PERIODO = ? AND "
                                    "Formulario = ? LIMIT 1"),
                     {l.tipo(), textValue(l.documento()), textValue(periodoConsulta(l.periodo)),
                      textValue(l.formulario)})
        .isValid();
}

CifrasResumen calcularCifras(const Database& db, const LineaResumen& l) {
    const QString periodo = periodoMostrado(l.periodo);
    const long long cuenta =
        db.scalar(QStringLiteral("SELECT count(*) FROM TRANSACCION2 WHERE Tip_doc_d = ? AND Doc_id_d = ? AND "
                                 "PERIODO = ? AND Formulario = ?"),
                  {l.tipo(), textValue(l.documento()), textValue(periodo), textValue(l.formulario)})
            .toLongLong();
    const auto sumas = udf_SumasMetodos(db, QStringLiteral("TRANSACCION2"), l.tipo(), periodo, l.documento());
    CifrasResumen c;
    c.cuenta = udf_RellenaDerecha(fmt::format(static_cast<double>(cuenta), QStringLiteral("###,###,##0")), 15);
    c.sinEstudio = monto(sumas[0]);
    c.sinAjustar = monto(sumas[1]);
    c.ajustado = monto(sumas[2]);
    c.otrosMetodos = monto(sumas[3]);
    c.ajustePositivo = monto(sumas[4]);
    c.ajusteNegativo = monto(sumas[5]);
    return c;
}

}  // namespace klv::resumen
