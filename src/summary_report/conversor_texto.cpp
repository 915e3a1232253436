#include "conversor_texto.h"

#include "cp1252.h"
#include "format.h"
#include "message_service.h"
#include "report_markup.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace klv::resumen {
namespace {

const QString kTituloImpresion = QStringLiteral("Impresión");

// The tags that turn a style on or off.
const struct {
    const char* tag;
    bool EstadoFuente::*campo;
    bool valor;
} kInterruptores[] = {
    {"<!bold!>", &EstadoFuente::negrita, true},        {"<!/bold!>", &EstadoFuente::negrita, false},
    {"<!underline!>", &EstadoFuente::subrayado, true}, {"<!/underline!>", &EstadoFuente::subrayado, false},
    {"<!italic!>", &EstadoFuente::cursiva, true},      {"<!/italic!>", &EstadoFuente::cursiva, false},
};

bool soloBlancos(const QString& s) {
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c == QLatin1Char(' '); });
}

// The value of a "<!name!>value<!/name!>" line: from after the tag up to its closing tag, or to
// the line's end when the closing tag is missing.
QString valorEtiqueta(const QString& linea, qsizetype desde, const QString& cierre) {
    const qsizetype fin = linea.indexOf(cierre, desde);
    return fin < 0 ? linea.mid(desde) : linea.mid(desde, fin - desde);
}

// Where the tag of a tag line starts: a tag line begins with "<!" once the blanks before it are
// passed over, and a blank is whatever the markup reader trims from a keyword (a blank, a tab, a
// carriage return left inside the line, ...): a line that reader takes for a tag line is one here
// too, so none reaches the text. A "<!" further on belongs to the line's text (a taxpayer's name
// may hold one), so that line is written as it is.
qsizetype inicioEtiqueta(const QString& linea) {
    qsizetype i = 0;
    while (i < linea.size() && linea.at(i).isSpace()) ++i;
    return linea.mid(i, 2) == QLatin1String("<!") ? i : -1;
}

}  // namespace

QString errorTecnico(int numero, const QString& texto) {
    return QStringLiteral("Error Técnico : ( %1) %2").arg(numero).arg(texto);
}

ConversorTexto::ConversorTexto(MessageService& mensajes, QString carpetaReportes)
    : mensajes_(mensajes), carpeta_(std::move(carpetaReportes)) {}

void ConversorTexto::udp_ImprimeLinea(const QString& linea) {
    if (!salida_) return;
    if (nuevaHoja_) {
        salida_->line(QString(QChar(15)));
        nuevaHoja_ = false;
    }
    salida_->line(soloBlancos(linea) ? QStringLiteral(" ") : linea);
}

bool ConversorTexto::aplicarEtiqueta(const QString& linea, qsizetype inicio) {
    // The tag grows from "<!" until it ends with "!>" (the "!" of "<!" may close it: "<!>").
    const qsizetype fin = linea.indexOf(QLatin1String("!>"), inicio + 1);
    if (fin < 0) return false;
    const QString tag = linea.mid(inicio, fin + 2 - inicio);
    const qsizetype valor = fin + 2;
    if (tag == QLatin1String("<!font!>")) {
        fuente_.nombre = valorEtiqueta(linea, valor, QStringLiteral("<!/font!>"));
    } else if (tag == QLatin1String("<!fontsize!>")) {
        const double n = fmt::roundHalfEven(fmt::val(valorEtiqueta(linea, valor, QStringLiteral("<!/fontsize!>"))));
        fuente_.tamano = static_cast<int>(std::clamp(n, -32768.0, 32767.0));
    } else if (tag == QLatin1String("<!np!>")) {
        nuevaHoja_ = true;
    } else {
        for (const auto& i : kInterruptores)
            if (tag == QLatin1String(i.tag)) fuente_.*i.campo = i.valor;
    }
    return true;
}

bool ConversorTexto::udf_ImprimirArchivo(const QString& archivo, const QString& destino) {
    Q_UNUSED(destino);
    const qsizetype punto = archivo.indexOf(QLatin1Char('.'));
    return convertir(carpeta_ + archivo,
                     carpeta_ + (punto < 0 ? archivo : archivo.left(punto)) + QStringLiteral(".txt"));
}

bool ConversorTexto::convertir(const QString& origen, const QString& destinoTxt) {
    fuente_ = EstadoFuente();
    if (!QFileInfo(origen.trimmed()).isFile()) {
        // The text of an earlier conversion must not pass for this one.
        QFile::remove(destinoTxt);
        mensajes_.show(QStringLiteral("Archivo Físico del Reporte no Existe"), MsgStyle::Critical,
                       QStringLiteral("Error al Imprimir"));
        return false;
    }
    QFile entrada(origen);
    if (!entrada.open(QIODevice::ReadOnly)) {
        mensajes_.show(errorTecnico(75, QStringLiteral("Error de acceso a la ruta o el archivo: %1").arg(origen)),
                       MsgStyle::Critical, kTituloImpresion);
        return false;
    }

    markup::MarkupWriter salida(destinoTxt);
    markup::MarkupWriter* anterior = salida_;
    salida_ = &salida;
    bool leido = true;
    while (!entrada.atEnd()) {
        QByteArray bytes = entrada.readLine();
        if (bytes.isEmpty() && entrada.error() != QFileDevice::NoError) {
            leido = false;
            break;
        }
        if (bytes.endsWith('\n')) bytes.chop(1);
        if (bytes.endsWith('\r')) bytes.chop(1);
        const QString linea = cp1252::decode(bytes);
        const qsizetype inicio = inicioEtiqueta(linea);
        if (inicio < 0 || !aplicarEtiqueta(linea, inicio)) udp_ImprimeLinea(linea);
    }
    salida_ = anterior;
    if (!leido) {
        mensajes_.show(errorTecnico(57, QStringLiteral("Error de E/S de dispositivo al leer %1").arg(origen)),
                       MsgStyle::Critical, kTituloImpresion);
        return false;
    }
    if (!salida.commit()) {
        mensajes_.show(errorTecnico(salida.errorNumber(),
                                    QStringLiteral("No se pudo escribir %1: %2").arg(destinoTxt, salida.errorString())),
                       MsgStyle::Critical, kTituloImpresion);
        return false;
    }
    return true;
}

}  // namespace klv::resumen
