#pragma once
// What the files of the transaction forms share: placing controls in twips, the form's lists of
// codes and items, the guard that marks a change made by code (its signal runs no rule), and the
// reads a handler gathers into its one call to the engine. Private to the forms
// (frm_transacciones*.cpp, frm_detalle_om.cpp).

#include "frm_transacciones.h"
#include "long_work.h"
#include "non_domiciled_check.h"
#include "transaction_load.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace klv::transaction_form {

// Positions and sizes are given in twips, 15 to the pixel.
inline void at(QWidget* w, int x, int y, int width, int height) { w->setGeometry(x / 15, y / 15, width / 15, height / 15); }
inline void moveTop(QWidget* w, int top) { w->move(w->x(), top / 15); }

// Help topics of the four tabs.
inline constexpr int kHelpTabs[] = {1021, 1032, 1033, 1034};

// Currencies of the amount tabs of the traditional and the other methods (and of a stored
// transaction's tab when it is loaded).
inline const QStringList kMonedas = {QStringLiteral("000"), QStringLiteral("001"), QStringLiteral("002"),
                                     QStringLiteral("003"), QStringLiteral("005"), QStringLiteral("004")};
// Currencies of the amount tab without method.
inline const QStringList kMonedasSinMetodo = {QStringLiteral("001"), QStringLiteral("002"), QStringLiteral("003"),
                                              QStringLiteral("005"), QStringLiteral("004"), QStringLiteral("000")};
// The profit-level indicators of the other methods' MMNT group.
inline const QStringList kRangosPli = {QString::fromUtf8("01 Utilidad Operación / Ventas"),
                                       QString::fromUtf8("02 Utilidad Operación / Costos + Gastos"),
                                       QString::fromUtf8("03 Utilidad Operación / Activo Neto Prom. = ROA"),
                                       QString::fromUtf8("04 Utilidad Operación / Patrimonio Neto Prom. = ROE"),
                                       QStringLiteral("05 Ratio Berry"), QStringLiteral("00 Otros")};

// Counts a change made by code for the duration of a scope.
struct Counter {
    explicit Counter(int& c) : count(c) { ++count; }
    ~Counter() { --count; }
    int& count;
};

// One read of a handler's call to the engine, kept with its failure: the failure is thrown where
// the form uses the value, so that a handler that makes all its reads at once shows the same boxes,
// in the same order, and fills the same controls before them, as when each read ran where its
// value is used.
template <class T>
class Deferred {
public:
    Deferred() = default;
    // Runs `read` (on the engine's thread, inside the call) and keeps its value or its failure. A
    // database held by another program ends the whole call at once: every read after it would
    // wait the busy timeout again for the same answer.
    template <class F>
    static Deferred of(F&& read) {
        Deferred d;
        try {
            d.value_.emplace(read());
        } catch (const DbError& e) {
            if (e.locked()) throw;
            d.error_ = e.what();
        } catch (const std::exception& e) {
            d.error_ = e.what();
        }
        return d;
    }
    static Deferred failed(const std::exception& e) {
        Deferred d;
        d.error_ = e.what();
        return d;
    }
    bool ok() const { return value_.has_value(); }
    // The value; throws the read's failure (a read never made throws too).
    const T& get() const {
        if (!value_) throw std::runtime_error(error_);
        return *value_;
    }

private:
    std::optional<T> value_;
    std::string error_;
};

// A handler's one read: made through the runner, its failure (the call's own included, a work
// refused while another runs) kept for where the value is used.
template <class T, class F>
Deferred<T> readDeferred(klv::AppContext& ctx, QWidget* parent, F&& read) {
    try {
        return klv::LongWork::call(ctx, parent, [&read](klv::AppContext& w) { return Deferred<T>::of([&] { return read(w); }); });
    } catch (const std::exception& e) {
        return Deferred<T>::failed(e);
    }
}

}  // namespace klv::transaction_form

namespace klv {

using transaction_form::Deferred;

// What Form_Load reads in its one call, in the order it uses it.
struct FrmTransacciones::LoadReads {
    Deferred<QStringList> tiposDoc;             // the party's document types (CboTipDocP)
    Deferred<std::vector<TypeItem>> types;      // the transaction-type list
    // Mode "Modificar": the stored transaction, then what its load reads as it goes.
    Deferred<StoredTransaction> stored;
    Deferred<QStringList> docs;                 // the rule of CboTipDocP: the type's parties
    Deferred<QString> name;                     // the rule of CboDocIdP: the party's name
    Deferred<QStringList> storedTypes;          // the types ticked
    Deferred<QStringList> currencies;           // the option's currency combo
    Deferred<bool> domiciliado, paraisoFiscal;  // the party's flags
};

// What choosing a party reads in its one call.
struct FrmTransacciones::PartyReads {
    Deferred<InformadoNoDomCheck> check;        // the non-domiciled party's data
    Deferred<QString> givenName;                // the rule of CboDocIdP for the party as handed
    Deferred<bool> known;                       // the party is among the declarant's
    Deferred<QStringList> docs;                 // the rule of CboTipDocP once the type is shown
    Deferred<QString> name;                     // the rule of CboDocIdP once the party is shown
    Deferred<bool> domiciliado, paraisoFiscal;  // the party's flags
};

}  // namespace klv
