#pragma once
// The reference rows the installer writes, as data: PARAM groups, the report titles, the
// vinculation types with their legal texts and the tax-haven country codes; and the reading of
// the submission map file env8027.txt.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <array>
#include <functional>
#include <vector>

namespace klv::installer {

// The form code written into every reference row.
inline const QString kFormulario = QStringLiteral("8027");
// Control number of the reference rows (never computed).
inline const QString kNumeroFijo = QStringLiteral("666666");

struct ParamRow {
    QString numero, argumento, funcion, correlParam;
};
struct ReportRow {
    QString codigo, titulo;
};
struct TipVinRow {
    QString codigo, numRenta, texto;
};

// PARAM rows in the order they are written: 883, 044 (31, 32), 395 (01-42, 70-72), 992, 996,
// 880, 876.
const std::vector<ParamRow>& paramRows();
// reportes rows: code and title (the third column is always 1).
const std::vector<ReportRow>& reportRows();
// TIP_VIN rows in code order (01-14).
const std::vector<TipVinRow>& tipVinRows();
// PARAISO_FISCAL codes in the order written (43 codes).
const QStringList& paraisoFiscalCodes();
// The tax-haven code removed for every form before the codes are written.
inline const QString kParaisoRetirado = QStringLiteral("9836");

// One row of ENVIO_T as read from env8027.txt. The first field of the line (its form code) is
// ignored: the row always belongs to form 8027.
struct EnvioRow {
    QString tablaO, tablaD, tablaExt;      // trimmed
    std::array<int, 3> bytes{};            // indice, obliga, c_tip_doc_d (0..255)
    std::array<double, 6> numbers{};       // c_doc_id_d, c_Formulario, c_periodo, c_estado, c_envio, c_semana
    // The twelve values after formulario, in column order, ready to bind.
    QVariantList values() const;
};

// Reads one line: 13 fields, each followed by "|"; text after the thirteenth "|" is ignored.
// Throws klv::DbError with the runtime's numbers: 5 when a separator is missing, 13 when a
// numeric field is empty or not a number, 6 when one of fields 4 to 6 is outside 0 to 255.
EnvioRow parseEnvioLine(const QString& line);

// Reads the bytes of the submission map file (Windows-1252; lines end with CR LF, LF or a lone
// CR) up to its first blank line, handing each row to `row` in file order. A bad line throws
// what parseEnvioLine throws, its text naming the line number and `path`; the rows before it have
// been handed on.
void readEnvioFile(const QByteArray& bytes, const QString& path, const std::function<void(const EnvioRow&)>& row);

}  // namespace klv::installer
