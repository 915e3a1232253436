#include "mensajes.h"

#include "app_context.h"
#include "message_service.h"


namespace klv {
namespace {

struct Entry {
    const char* form;
    int numero;
    const char* texto;  // UTF-8
};

// clang-format off
constexpr Entry kCatalogo[] = {
    {"Frm_KLV_Declara", 1, "Debe Seleccionar un contribuyente."},
    {"Frm_KLV_Declara", 2, "Ejercicio No es Válido. Debe ser 2006"},
    {"Frm_KLV_Declara", 4, "El Ejercicio debe ser igual o mayor al 2006."},
    {"Frm_KLV_Declara", 5, "Seleccione si lleva o no Contabilidad en Moneda Extranjera."},
    {"Frm_KLV_Declara", 6, "Indicar si está obligado a contar con estudio técnico de precios de transferencia para el presente periodo."},
    {"Frm_KLV_Declara", 7, "No cuenta con Informados."},
    {"Frm_KLV_Declara", 8, "No hay registros disponibles para Modificar."},
    {"Frm_KLV_Declara", 9, "No hay registros disponibles para Eliminar."},
    {"Frm_KLV_Declara", 10, "Debe registrar al menos una Transacción\r\npara poder guardar la Declaración."},
    {"Frm_KLV_Declara", 11, "El Ejercicio no puede ser mayor al Actual. "},
    {"Frm_KLV_Declara", 12, "No ha registrado ninguna Transacción."},
    {"Frm_KLV_Declara", 13, "A partir de 2008, la opción Sin Estudio Técnico solo es válida si contestó NO a la pregunta 2 de la pestaña Identificación y el informado NO se localiza en país o territorio de baja o nula imposición. Verificar y eliminar transacciones inconsistentes."},
    {"Frm_KLV_Declara", 14, "Debe adjuntar el Estudio Técnico de Precios de Transferencia."},
    {"FrmContAbrir", 1, "No hay registros disponibles para Modificar."},
    {"FrmContAbrir", 2, "No hay registros disponibles para Eliminar."},
    {"FrmPartesVinc", 1, "Debe seleccionar un contribuyente."},
    {"FrmPartesVinc", 2, "No hay registros disponibles para Modificar."},
    {"FrmPartesVinc", 3, "No hay registros disponibles para Eliminar."},
    {"FrmPartesVincDet", 1, "No seleccionó la Condición de Domicilio."},
    {"FrmPartesVincDet", 2, "Debe seleccionar Naturaleza Jurídica."},
    {"FrmPartesVincDet", 3, "Debe ingresar Descripción de Otros. (Naturaleza Jurídica)"},
    {"FrmPartesVincDet", 4, "No seleccionó País o Territorio."},
    {"FrmPartesVincDet", 5, "Indicar si el Informado es Parte Vinculada del Declarante."},
    {"FrmPartesVincDet", 6, "Debe seleccionar al menos un tipo de Vinculación."},
    {"FrmPartesVincDet", 7, "No seleccionó Tipo de Documento."},
    {"FrmPartesVincDet", 8, "No ingresó Número de Documento."},
    {"FrmPartesVincDet", 9, "No ingresó Apellido Paterno."},
    {"FrmPartesVincDet", 10, "No ingresó Nombres."},
    {"FrmPartesVincDet", 11, "No ingresó la Razón Social."},
    {"FrmPartesVincDet", 12, "El Número de RUC no es Válido."},
    {"FrmPartesVincDet", 13, "EL informado que desea ingresar no es válido, marque el check de Territorio de Baja\r\no Nula imposición o responda 'Si' en ¿Es el Informado Parte Vinculada del Declarante?"},
    {"FrmPartesVincDet", 14, "No ingresó Apellido Materno."},
    {"FrmPartesVincDet", 16, "Debe de ingresar un Apellido. (Paterno o Materno)"},
    {"FrmPartesVincDet", 17, "El DNI no es Válido."},
    {"FrmPartesVincDet", 18, "El Nombre no es Válido."},
    {"FrmPartesVincDet", 19, "El Apellido Paterno no es Válido."},
    {"FrmPartesVincDet", 20, "El Apellido Materno no es Válido."},
    {"FrmPartesVincDet", 21, "No puede seleccionar a Peru como país para un No Domiciliado."},
    {"FrmTransacciones", 1, "Debe seleccionar un Informado."},
    {"FrmTransacciones", 2, "Debe seleccionar el Número de Documento del \r\nInformado a elegir."},
    {"FrmTransacciones", 4, "Debe seleccionar Método de Valoración."},
    {"FrmTransacciones", 5, "Debe seleccionar Tipo de Moneda."},
    {"FrmTransacciones", 6, "Debe ingresar otro Tipo de Moneda."},
    {"FrmTransacciones", 7, "Consignar Monto de Transacción en Moneda de Origen."},
    {"FrmTransacciones", 8, "Consignar Monto de Transacción en Moneda de Registro."},
    {"FrmTransacciones", 9, "Consignar Monto de Capital en Moneda de Origen."},
    {"FrmTransacciones", 10, "Consignar Monto de Intereses en Moneda de Origen."},
    {"FrmTransacciones", 11, "Consignar Tasa Efectiva Anual."},
    {"FrmTransacciones", 12, "Consignar Monto de Intereses en Moneda de Registro."},
    {"FrmTransacciones", 13, "Consignar el Saldo del Capital en Moneda de Registro."},
    {"FrmTransacciones", 14, "Consignar Monto sin Ajustar\r\npara el Método PCNC"},
    {"FrmTransacciones", 15, "Consignar Monto sin Ajustar\r\npara el Método PR"},
    {"FrmTransacciones", 16, "Consignar Monto sin Ajustar\r\npara el Método CI"},
    {"FrmTransacciones", 17, "Consignar Monto Ajustado\r\npara el Método PCNC"},
    {"FrmTransacciones", 18, "Consignar Monto Ajustado\r\npara el Método PR"},
    {"FrmTransacciones", 19, "Consignar Monto Ajustado\r\npara el Método CI"},
    {"FrmTransacciones", 22, "Debe seleccionar el Método de Valoración."},
    {"FrmTransacciones", 23, "Consignar Monto de Ajuste Positivo a los resultados."},
    {"FrmTransacciones", 24, "Consignar Monto de Ajuste Negativos a los resultados."},
    {"FrmTransacciones", 25, "Consignar Monto de las Transacciones en Moneda de Origen."},
    {"FrmTransacciones", 26, "Consignar Monto de las Transacciones en Moneda de Registro."},
    {"FrmTransacciones", 27, "Consignar Monto Total del Capital en Moneda de Origen."},
    {"FrmTransacciones", 28, "Consignar Monto Total de los Intereses en Moneda de Origen."},
    {"FrmTransacciones", 29, "Consignar Monto Total de los Intereses en Moneda de Registro."},
    {"FrmTransacciones", 30, "Consignar el Saldo Total del Capital en Moneda de Registro."},
    {"FrmTransacciones", 33, "Debe seleccionar por lo menos un Método (PCNC,PR,CI)."},
    {"FrmTransacciones", 34, "Debe pasar a la pestaña de Otros Métodos,\r\npara complementar la información de la Transacción."},
    {"FrmTransacciones", 35, "El Monto del Saldo del Capital en Moneda de Registro no\r\npuede ser mayor al Monto del Capital en Moneda de Origen."},
    {"FrmTransacciones", 36, "El Monto de la Transacción en Moneda de Registro no puede\r\nser mayor al Monto de la Transacción en Moneda de Origen."},
    {"FrmTransacciones", 37, "Debe pasar a la pestaña de Métodos Tradicionales,\r\npara complementar la información de la Transacción."},
    {"FrmTransacciones", 38, "Debe pasar a la pestaña de Sin Estudio Técnico de Precios,\r\npara complementar la información de la Transacción."},
    {"FrmTransacciones", 39, "Seleccionó un Tipo de Transacción Financiera,\r\ntodos los tipos de transacciones No Financieras\r\nfueron deseleccionados."},
    {"FrmTransacciones", 40, "Debe consignar rango intercuartil - límite inferior\r\nen Moneda Origen"},
    {"FrmTransacciones", 41, "Debe consignar rango intercuartil - límite superior\r\nen Moneda Origen"},
    {"FrmTransacciones", 42, "Debe consignar la Mediana de Precios \r\nen Moneda Origen"},
    {"FrmTransacciones", 43, "Límite inferior del rango intercuartil \r\nno puede ser mayor al límite superior del rango intercuartil"},
    {"FrmTransacciones", 44, "Debe seleccionar la parte analizada: Contribuyente o Contraparte"},
    {"FrmTransacciones", 45, "Debe consignar rango intercuartil - límite inferior\r\nen Moneda Registro"},
    {"FrmTransacciones", 46, "Debe consignar rango intercuartil - límite superior\r\nen Moneda Registro"},
    {"FrmTransacciones", 47, "Debe consignar la Mediana de Precios \r\nen Moneda Registro"},
    {"FrmTransacciones", 48, "Debe consignar el margen bruto"},
    {"FrmTransacciones", 53, "Debe consignar el Indicador de Rentabilidad"},
    {"FrmTransacciones", 54, "Debe consignar el valor de indicador de rentabilidad PLI"},
    {"FrmTransacciones", 55, "Mediana de precios debe ser mayor o igual al límite inferior y menor o igual al límite superior"},
};
// clang-format on

constexpr int kMensajeEjercicio = 11;

}  // namespace

QString textoMensaje(int numero, const QString& form, int year) {
    for (const Entry& e : kCatalogo) {
        if (e.numero != numero || form != QLatin1String(e.form)) continue;
        QString text = QString::fromUtf8(e.texto);
        if (numero == kMensajeEjercicio && form == QLatin1String("Frm_KLV_Declara"))
            text += QStringLiteral("%1").arg(year, 4, 10, QLatin1Char('0'));
        return text;
    }
    return QString();
}

void udp_Mensaje(const AppContext& ctx, int numero, const QString& form) {
    const int year = ctx.clock ? ctx.clock->year() : SystemClock().year();
    const QString text = textoMensaje(numero, form, year);
    if (text.isEmpty()) return;
    ctx.msg(text, MsgStyle::Exclamation);
}

}  // namespace klv
