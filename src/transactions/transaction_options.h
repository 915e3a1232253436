#pragma once
// Which valuation options an informado allows. Three procedures decide it, each by its own table,
// and the tables differ on purpose: choosing the informado, going on after a save with the same
// informado, and loading a stored transaction. For example a domiciled tax-haven party of 2013,
// question 2 answered No, gets only "Sin Método de Valoración" when chosen but every option after
// a save. Each is a function of the period text (compared with "2008" and "2013" as text), the
// answer to question 2 ("0": no technical study), and the party's domiciled and tax-haven marks.

#include <QString>

namespace klv {

// What the form applies. "selectSinMetodo" turns OptSinValMet on, which runs its click rule
// (flag "00", tab 1 available, types unticked).
struct OptionAvailability {
    bool selectSinMetodo = false;
    bool methodsEnabled = false;        // OptValMetTradi and OptValMetOtros
    bool frameEnabled = false;          // FraValMet (the whole option group)
    bool typeListEnabled = false;       // FraListTipTra enabled by the table itself
    bool tab1Available = false;         // tab 1 made available by the table itself
    bool analysedPartyDisabled = false; // OptCont_SETP and OptInf_SETP disabled
};

// On choosing the informado (udp_SelecPartVinc), first matching row:
//   1 from 2013 and answer "0"          Sin Método only, frame enabled, tab 1, analysed party off
//   2 domiciled, before 2008            Sin Método only, frame disabled
//   3 domiciled, 2008 on, "0", no haven Sin Método only, frame disabled
//   4 domiciled, 2008 on, otherwise     Sin Método selected, every option enabled
//   5 not domiciled, tax haven          every option, none selected, type list enabled
//   6 not domiciled, no haven, not "0"  the same
//   7 not domiciled, no haven, "0"      Sin Método only, frame disabled
OptionAvailability optionsOnChoosing(const QString& periodo, const QString& respuesta, bool domiciliado,
                                     bool paraisoFiscal);

// After a save answered "Sí" (the same informado goes on). "Only no method" selects Sin Método and
// disables the frame and both method options; "all options" enables them, selects none and leaves
// the type list enabled.
//   domiciled, before 2008                       only no method
//   domiciled, 2008 on, "0", no haven            only no method
//   domiciled, 2008 on, otherwise                all options
//   not domiciled, haven, from 2013 and "0"      only no method, analysed party of tab 1 off
//   not domiciled, haven, otherwise              all options
//   not domiciled, no haven, "0"                 only no method
//   not domiciled, no haven, not "0"             all options
OptionAvailability optionsAfterSave(const QString& periodo, const QString& respuesta, bool domiciliado,
                                    bool paraisoFiscal);

// After loading a stored transaction (its option was turned on by the load; the frame and both
// method options are locked afterwards in every case):
//   domiciled, before 2008                 Sin Método turned on
//   domiciled, 2008 on                     type list enabled; with "0" and no haven also Sin
//                                          Método turned on and tab 1 available
//   not domiciled, no haven, "0"           Sin Método turned on; from 2008 also tab 1 available
//   otherwise                              nothing
OptionAvailability optionsAfterLoad(const QString& periodo, const QString& respuesta, bool domiciliado,
                                    bool paraisoFiscal);

}  // namespace klv
