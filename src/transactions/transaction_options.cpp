#include "transaction_options.h"

#include "transaction_state.h"

namespace klv {
namespace {

OptionAvailability onlyNoMethod() {
    OptionAvailability a;
    a.selectSinMetodo = true;
    return a;
}

OptionAvailability allOptions(bool typeList) {
    OptionAvailability a;
    a.methodsEnabled = true;
    a.frameEnabled = true;
    a.typeListEnabled = typeList;
    return a;
}

}  // namespace

OptionAvailability optionsOnChoosing(const QString& periodo, const QString& respuesta, bool domiciliado,
                                     bool paraisoFiscal) {
    const bool none = respuesta == QLatin1String("0");
    const bool from2008 = periodFrom2008(periodo);
    if (periodFrom2013(periodo) && none) {
        OptionAvailability a = onlyNoMethod();
        a.frameEnabled = true;
        a.tab1Available = true;
        a.analysedPartyDisabled = true;
        return a;
    }
    if (domiciliado) {
        if (!from2008 || (none && !paraisoFiscal)) return onlyNoMethod();
        OptionAvailability a = allOptions(false);
        a.selectSinMetodo = true;
        return a;
    }
    if (paraisoFiscal || !none) return allOptions(true);
    return onlyNoMethod();
}

OptionAvailability optionsAfterSave(const QString& periodo, const QString& respuesta, bool domiciliado,
                                    bool paraisoFiscal) {
    const bool none = respuesta == QLatin1String("0");
    if (domiciliado) {
        if (!periodFrom2008(periodo) || (none && !paraisoFiscal)) return onlyNoMethod();
        return allOptions(true);
    }
    if (paraisoFiscal) {
        if (periodFrom2013(periodo) && none) {
            OptionAvailability a = onlyNoMethod();
            a.analysedPartyDisabled = true;
            return a;
        }
        return allOptions(true);
    }
    return none ? onlyNoMethod() : allOptions(true);
}

OptionAvailability optionsAfterLoad(const QString& periodo, const QString& respuesta, bool domiciliado,
                                    bool paraisoFiscal) {
    const bool none = respuesta == QLatin1String("0");
    const bool from2008 = periodFrom2008(periodo);
    OptionAvailability a;
    if (domiciliado) {
        if (!from2008) {
            a.selectSinMetodo = true;
        } else {
            a.typeListEnabled = true;
            if (none && !paraisoFiscal) {
                a.selectSinMetodo = true;
                a.tab1Available = true;
            }
        }
    } else if (!paraisoFiscal && none) {
        a.selectSinMetodo = true;
        a.tab1Available = from2008;
    }
    return a;
}

}  // namespace klv
