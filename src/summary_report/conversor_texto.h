#pragma once
// The text-report converter: a plain-text report of the report folder, which may carry tag lines
// (a line beginning, blanks, tabs or a stray carriage return aside, with a name between "<!" and
// "!>" that sets the font or asks for a new page), becomes a text file in the same folder. A tag
// line is never written, and the font state it sets changes nothing in the text written; a "<!"
// after other text is the line's own text (a name may hold one) and is written as it is. A
// pending new page becomes a line holding only the character 15 before the next line written.
// Nothing is printed.

#include <QString>

namespace klv {
class MessageService;
namespace markup {
class MarkupWriter;
}
}  // namespace klv

namespace klv::resumen {

// The font state the tags set; reset at each conversion.
struct EstadoFuente {
    QString nombre = QStringLiteral("Courier New");
    int tamano = 8;  // points
    bool negrita = false;
    bool subrayado = false;
    bool cursiva = false;
};

class ConversorTexto {
public:
    // carpetaReportes: the report folder, ending with '/'.
    ConversorTexto(MessageService& mensajes, QString carpetaReportes);

    // Converts carpetaReportes + archivo into carpetaReportes + (archivo up to its first ".") +
    // ".txt", written whole or not at all. A missing input shows "Archivo Físico del Reporte no
    // Existe" (critical, "Error al Imprimir"), removes an earlier text of that name and answers
    // False; a file that cannot be read or written shows "Error Técnico : (n) ..." (critical,
    // "Impresión") and answers False. destino is the output mode ("ARCHIVO"): files only.
    bool udf_ImprimirArchivo(const QString& archivo, const QString& destino = QStringLiteral("ARCHIVO"));
    // The same conversion between two named files.
    bool convertir(const QString& origen, const QString& destinoTxt);

    // Writes one line to the open output: first the character 15 when a new page is pending, then
    // the line, or one blank when the line holds only blanks.
    void udp_ImprimeLinea(const QString& linea);

    // Points udp_ImprimeLinea at an output file (the summary's twin), or at none.
    void udp_Salida(markup::MarkupWriter* salida) { salida_ = salida; }

    // Applies the first tag of a line holding "<!" at `inicio`; false when no "!>" ends it (the
    // line is then no tag line).
    bool aplicarEtiqueta(const QString& linea, qsizetype inicio);

    const EstadoFuente& fuente() const { return fuente_; }
    bool nuevaHojaPendiente() const { return nuevaHoja_; }

private:
    MessageService& mensajes_;
    QString carpeta_;
    EstadoFuente fuente_;
    bool nuevaHoja_ = false;  // survives conversions, cleared when applied
    markup::MarkupWriter* salida_ = nullptr;
};

// The text of a technical-error box: "Error Técnico : ( n) text".
QString errorTecnico(int numero, const QString& texto);

}  // namespace klv::resumen
