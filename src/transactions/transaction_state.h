#pragma once
// What the transaction form holds while one transaction is entered: its mode and flags, the open
// declaration it works on, the informado, the valuation option, the ticked types, and the texts,
// checks and options of its controls by control name. The form gathers its controls into this
// state; the checks, the save and the option rules of this library read it and tell the form what
// to apply, so they run and are tested without a window.

#include "app_context.h"
#include "keys.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace klv {

// Name of the transaction form in the message catalogue and as a caller.
inline const QString kFrmTransacciones = QStringLiteral("FrmTransacciones");
inline const QString kCaptionTransacciones = QString::fromUtf8("Detalle de Transacción");

// Valuation options: the flag stored in flag_val_met.
inline const QString kSinMetodo = QStringLiteral("00");   // tab 1 "&Sin Estudio Técnico de Precios"
inline const QString kTradicional = QStringLiteral("01"); // tab 2 "&Métodos Tradicionales"
inline const QString kOtros = QStringLiteral("02");       // tab 3 "&Otros Métodos"

// The two financial transaction types.
inline bool isFinancialType(const QString& code) {
    return code == QLatin1String("12") || code == QLatin1String("34");
}

// Period tests. "From 2008" and "from 2013" compare the period text with the year as text; "from
// 2012" reads the trimmed text as a number (0 when it does not start with one). Bounds inclusive.
bool periodFrom2008(const QString& periodo);
bool periodFrom2013(const QString& periodo);
bool periodFrom2012(const QString& periodo);
double periodNumber(const QString& periodo);

// Registration currency code: "02" when the declaration keeps its accounts in foreign currency
// (gAutContExt "1"), "01" otherwise.
QString registrationCurrency(const QString& autContExt);

// One entry of the transaction-type list, in list order.
struct TypeItem {
    QString code;         // two digits
    QString description;  // PARAM '395' text (first 100 characters)
    bool ticked = false;
};

struct TransactionState {
    QString mode;            // kModoNuevo or kModoModificar (declaration_state.h)
    QString caller;          // "Frm_KLV_Declara"
    QString respuesta;       // the declaration's answer to question 2 ("0": no technical study)
    QString flag;            // valuation option "00", "01", "02"; "" until one is chosen
    bool loading = false;
    bool modified = false;
    bool domiciliado = false;
    bool paraisoFiscal = false;

    // The open declaration.
    QString periodo;         // the declaration form's period text: every period test reads it
    QString panelRuc;        // status bar: the RUC of the row keys (trimmed when used)
    QString panelPeriodo;    // status bar: the period of the row keys (trimmed when used)
    QString autContExt;      // gAutContExt: "1" accounts in foreign currency
    QString formulario = QStringLiteral("8027");

    // Modificar: the transaction number of the grid's current row.
    long corTransaccion = 0;

    bool financiera = false;       // ChkFinancieras ticked
    std::vector<TypeItem> types;   // LvwTipTransacc in list order
    int tab = 0;                   // current tab of TabTransac (0 to 3)

    // Texts of the text boxes and combo boxes (their current text) by control name, and the
    // values of the check boxes and option buttons by control name. A name not present reads as
    // "" or unticked.
    QHash<QString, QString> texts;
    QHash<QString, bool> checks;

    QString text(const QString& control) const { return texts.value(control); }
    bool on(const QString& control) const { return checks.value(control, false); }
    // The code of a combo: the first two characters of its text.
    QString code(const QString& combo) const { return text(combo).left(2); }

    bool from2008() const { return periodFrom2008(periodo); }
    bool from2012() const { return periodFrom2012(periodo); }
    QString registrationCode() const { return registrationCurrency(autContExt); }

    // The informado: the document type is the number of the first two characters of CboTipDocP.
    Party party() const;
    // The declaration of the row keys: document type 6, PanelRuc and PanelPeriodo trimmed.
    DeclarationKey declaration() const;
    // The key of the transaction with a given number.
    TransactionKey key(long cor) const;
    // Codes of the ticked types, in list order.
    QStringList tickedTypes() const;
};

}  // namespace klv
