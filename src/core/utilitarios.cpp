#include "utilitarios.h"

#include <QDate>
#include <QFileInfo>
#include <optional>

namespace klv {
namespace {

constexpr int kBackspace = 8;

bool isAsciiLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Letters of Spanish names beyond A-Z in Windows-1252: Á É Í Ó Ú Ü Ñ and their small forms.
bool isSpanishLetter(int c) {
    switch (c) {
    case 193: case 201: case 205: case 211: case 218: case 220: case 209:
    case 225: case 233: case 237: case 243: case 250: case 252: case 241:
        return true;
    default:
        return false;
    }
}

// A date written d/m/yyyy (day and month of one or two digits), blanks around it allowed.
std::optional<QDate> readDate(const QString& text) {
    const QStringView t = QStringView(text).trimmed();
    qsizetype i = 0;
    // The number of `min` to `max` digits from i, followed by `end` (0: the end of the text).
    const auto part = [&](int min, int max, char end) -> int {
        int value = 0, digits = 0;
        while (i < t.size() && t[i] >= QLatin1Char('0') && t[i] <= QLatin1Char('9') && digits < max) {
            value = value * 10 + (t[i].unicode() - '0');
            ++digits;
            ++i;
        }
        if (digits < min) return -1;
        if (end == 0) return i == t.size() ? value : -1;
        if (i >= t.size() || t[i] != QLatin1Char(end)) return -1;
        ++i;
        return value;
    };
    const int day = part(1, 2, '/');
    const int month = day < 0 ? -1 : part(1, 2, '/');
    const int year = month < 0 ? -1 : part(4, 4, 0);
    if (year < 0) return std::nullopt;
    const QDate d(year, month, day);
    if (!d.isValid()) return std::nullopt;
    return d;
}

QString fillRight(const QString& text, int width, QChar fill) {
    if (text.size() >= width) return text;
    return text + QString(width - text.size(), fill);
}

QChar fillChar(const QString& relleno) { return relleno.isEmpty() ? QLatin1Char(' ') : relleno.at(0); }

}  // namespace

bool Utilitarios::udf_Habilitado() const { return qEnvironmentVariable("KLV_GATE") != QLatin1String("0"); }

bool Utilitarios::ValidaRuc(const QString& ruc) const {
    if (ruc.size() != 11) return false;
    for (const QChar c : ruc)
        if (!isAsciiDigit(c.unicode())) return false;
    const QString prefix = ruc.left(2);
    if (prefix != QLatin1String("10") && prefix != QLatin1String("15") && prefix != QLatin1String("17") &&
        prefix != QLatin1String("20"))
        return false;
    static constexpr int weights[10] = {5, 4, 3, 2, 7, 6, 5, 4, 3, 2};
    int sum = 0;
    for (int i = 0; i < 10; ++i) sum += (ruc.at(i).unicode() - '0') * weights[i];
    int check = 11 - sum % 11;
    if (check == 10) check = 0;
    if (check == 11) check = 1;
    return ruc.at(10).unicode() - '0' == check;
}

bool Utilitarios::ValidaDocSinTipo(const QString& numero, int, int) const {
    const QString n = numero.trimmed();
    if (n.isEmpty()) return false;
    for (const QChar c : n)
        if (c.unicode() == kBackspace || !EsCaracterDocumento(c.unicode())) return false;
    return true;
}

bool Utilitarios::ValidaDocConTipo(const QString& numero, int, int, int) const {
    const QString n = numero.trimmed();
    if (n.isEmpty()) return false;
    for (const QChar c : n)
        if (!isAsciiDigit(c.unicode())) return false;
    return true;
}

bool Utilitarios::ValidaFecha(const QString& fecha, const QString& desde, const QString& hasta) const {
    const auto d = readDate(fecha);
    const auto lo = readDate(desde);
    const auto hi = readDate(hasta);
    if (!d || !lo || !hi) return false;
    return *lo <= *d && *d <= *hi;
}

QString Utilitarios::RellenaTexto(const QString& texto, int ancho) const {
    return fillRight(texto, ancho, QLatin1Char(' '));
}

QString Utilitarios::RellenaCampo(const QString& texto, int ancho, const QString& relleno) const {
    return fillRight(texto, ancho, fillChar(relleno));
}

QString Utilitarios::FormateaCampo(const QString& texto, int ancho, const QString& relleno) const {
    return fillRight(texto, ancho, fillChar(relleno));
}

bool Utilitarios::EsDigito(int codigo, bool conPunto, bool, bool) const {
    return codigo == kBackspace || isAsciiDigit(codigo) || (conPunto && codigo == '.');
}

bool Utilitarios::EsCaracterDocumento(int codigo, bool, bool) const {
    return codigo == kBackspace || isAsciiDigit(codigo) || isAsciiLetter(codigo) || codigo == '-';
}

bool Utilitarios::EsCaracterValido(int codigo, bool, bool) const {
    if (codigo == kBackspace) return true;
    if (codigo == '|') return false;
    return (codigo >= 32 && codigo <= 126) || (codigo >= 160 && codigo <= 255);
}

bool Utilitarios::EsLetraNombre(int codigo, bool conDigitos) const {
    if (codigo == kBackspace || isAsciiLetter(codigo) || isSpanishLetter(codigo)) return true;
    if (codigo == ' ' || codigo == '\'' || codigo == '-' || codigo == '.') return true;
    if (!conDigitos) return false;
    return isAsciiDigit(codigo) || codigo == '&' || codigo == '/' || codigo == '(' || codigo == ')';
}

bool Utilitarios::ExisteArchivo(const QString& ruta) const {
    if (ruta.isEmpty()) return false;
    return QFileInfo(ruta).isFile();
}

}  // namespace klv
