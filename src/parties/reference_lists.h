#pragma once
// The two read-only reference lists of the Consultas menu: the tax havens ("PARAISO") and the
// vinculation types ("VINCULO"), with the caption, column captions, note and help context each
// one shows.

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace klv {

struct AppContext;

inline const QString kListaParaiso = QStringLiteral("PARAISO");
inline const QString kListaVinculo = QStringLiteral("VINCULO");

struct ReferenceList {
    bool conocida = false;   // false for a kind other than the two above (nothing to show)
    QString caption;         // window caption
    QStringList columnas;    // captions of the two columns shown
    std::vector<std::pair<QString, QString>> filas;
    bool nota = false;       // whether the note on the article's numerals is shown
    int helpContext = 1007;
};

// "PARAISO": the PARAISO_FISCAL codes with their PARAM '976' description, in code order.
// "VINCULO": the TIP_VIN article numerals and descriptions, in code order. Neither filters on the
// form code. Throws DbError.
ReferenceList listaReferencia(const AppContext& ctx, const QString& kind);

}  // namespace klv
