#pragma once
// The family's utility component (gUtil): the gate, the taxpayer-number and document checks, the
// date check, the padders of fixed-width columns, the character tests of key filters and import
// checks, and the file-existence test. Every operation answers with a plain result; callers show
// their own messages.
//
// Character tests take the Windows-1252 code of one character (klv::cp1252::charCode). Backspace
// (8) passes every test so that key filters never drop the editing key. The flag arguments the
// callers pass are accepted; only those documented below change the answer.

#include <QString>

namespace klv {

// An ASCII digit 0-9 (a character code, or a QChar's unicode()).
constexpr bool isAsciiDigit(int c) { return c >= '0' && c <= '9'; }

class Utilitarios {
public:
    // The gate: True unless the environment variable KLV_GATE is "0" (read on every call).
    bool udf_Habilitado() const;

    // A taxpayer number: exactly 11 digits (no blanks), prefix 10, 15, 17 or 20, and the
    // modulus-11 check digit: weights 5 4 3 2 7 6 5 4 3 2 over the first ten digits,
    // check = 11 - (sum mod 11), where 10 gives 0 and 11 gives 1.
    bool ValidaRuc(const QString& ruc) const;

    // Document numbers of a type whose data kind is 0 (letters and digits: passports, foreign
    // cards): not blank, and every character passes EsCaracterDocumento. The number is trimmed.
    bool ValidaDocSinTipo(const QString& numero, int = 0, int = 0) const;
    // Document numbers of any other data kind (digits only: identity card, RUC): not blank, and
    // every character is a digit. The number is trimmed.
    bool ValidaDocConTipo(const QString& numero, int = 0, int = 0, int = 0) const;

    // A date written d/m/yyyy or dd/mm/yyyy (blanks around it ignored) that exists in the
    // calendar and lies between the bounds, both included. Bounds are written the same way; a
    // bound that is not a date makes the answer False.
    bool ValidaFecha(const QString& fecha, const QString& desde = QStringLiteral("01/01/1800"),
                     const QString& hasta = QStringLiteral("01/01/2500")) const;

    // Padders. The text stays on the left and is filled on the right up to the width; a text
    // already as long as the width or longer is returned whole (never cut, so no character of a
    // key or a name is lost). RellenaTexto fills with blanks; RellenaCampo and FormateaCampo with
    // the first character of the fill argument (a blank when it is empty).
    QString RellenaTexto(const QString& texto, int ancho) const;
    QString RellenaCampo(const QString& texto, int ancho, const QString& relleno = QStringLiteral(" ")) const;
    QString FormateaCampo(const QString& texto, int ancho, const QString& relleno = QStringLiteral(" ")) const;

    // A digit 0-9; with conPunto also the decimal point (the rate boxes rely on it).
    bool EsDigito(int codigo, bool conPunto = false, bool = false, bool = false) const;
    // A character of a document number with letters: digits, A-Z, a-z and the hyphen.
    bool EsCaracterDocumento(int codigo, bool = false, bool = false) const;
    // A character of free descriptions: every printable character of the code page (blank,
    // punctuation, digits, letters, accented letters) except the field separator '|'.
    bool EsCaracterValido(int codigo, bool = true, bool = false) const;
    // A character of a person's or company's name: letters (with Ñ ñ, the accented vowels and Ü ü),
    // blank, apostrophe, hyphen and point; with conDigitos (what every caller passes) also the
    // digits and the signs of company names & / ( ).
    bool EsLetraNombre(int codigo, bool conDigitos = true) const;

    // True when a file (not a folder) exists at the path.
    bool ExisteArchivo(const QString& ruta) const;
};

}  // namespace klv
