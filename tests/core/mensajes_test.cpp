#include "app_context.h"
#include "mensajes.h"
#include "recording_message_service.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace klv;

namespace {
class MensajesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ctx.messages = &messages;
        ctx.clock = &clock;
    }
    RecordingMessageService messages;
    FixedClock clock{QDate(2026, 12, 8)};
    AppContext ctx;
};
}  // namespace

TEST_F(MensajesTest, ShowsAWarningWithTheApplicationTitle) {
    udp_Mensaje(ctx, 7, QStringLiteral("Frm_KLV_Declara"));
    ASSERT_EQ(messages.calls().size(), 1u);
    EXPECT_EQ(messages.last().text, QStringLiteral("No cuenta con Informados."));
    EXPECT_EQ(messages.last().style, 48);
    EXPECT_EQ(messages.last().title, QStringLiteral("8027 KLV - Precios de Transferencia - 1.4"));
}

TEST_F(MensajesTest, UnknownKeysShowNothing) {
    udp_Mensaje(ctx, 21, QStringLiteral("FrmTransacciones"));
    udp_Mensaje(ctx, 1, QStringLiteral("frmtransacciones"));
    udp_Mensaje(ctx, 3, QStringLiteral("Frm_KLV_Declara"));
    udp_Mensaje(ctx, 15, QStringLiteral("FrmPartesVincDet"));
    udp_Mensaje(ctx, 1, QStringLiteral("FrmOtro"));
    udp_Mensaje(ctx, 0, QString());
    udp_Mensaje(ctx, -1, QStringLiteral("FrmContAbrir"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(MensajesTest, SameNumberDiffersByForm) {
    const QStringList forms{QStringLiteral("Frm_KLV_Declara"), QStringLiteral("FrmContAbrir"),
                            QStringLiteral("FrmPartesVinc"), QStringLiteral("FrmPartesVincDet"),
                            QStringLiteral("FrmTransacciones")};
    QSet<QString> texts;
    for (const QString& f : forms) texts.insert(textoMensaje(1, f, 2026));
    EXPECT_EQ(texts.size(), 5);
    EXPECT_FALSE(texts.contains(QString()));
    // Capital S for the declaration form, small s for the party register.
    EXPECT_EQ(textoMensaje(1, QStringLiteral("Frm_KLV_Declara"), 2026), QStringLiteral("Debe Seleccionar un contribuyente."));
    EXPECT_EQ(textoMensaje(1, QStringLiteral("FrmPartesVinc"), 2026), QStringLiteral("Debe seleccionar un contribuyente."));
}

TEST_F(MensajesTest, CurrentYearCompletesMessage11) {
    udp_Mensaje(ctx, 11, QStringLiteral("Frm_KLV_Declara"));
    ASSERT_EQ(messages.calls().size(), 1u);
    EXPECT_EQ(messages.last().text, QStringLiteral("El Ejercicio no puede ser mayor al Actual. 2026"));
    clock.set(QDateTime(QDate(2031, 1, 1), QTime(0, 0)));
    EXPECT_EQ(textoMensaje(11, QStringLiteral("Frm_KLV_Declara"), ctx.clock->year()),
              QStringLiteral("El Ejercicio no puede ser mayor al Actual. 2031"));
}

TEST_F(MensajesTest, LineBreaksAreCrLfAndTextsAreExact) {
    EXPECT_EQ(textoMensaje(2, QStringLiteral("FrmTransacciones"), 2026),
              QStringLiteral("Debe seleccionar el Número de Documento del \r\nInformado a elegir."));
    EXPECT_EQ(textoMensaje(39, QStringLiteral("FrmTransacciones"), 2026),
              QStringLiteral("Seleccionó un Tipo de Transacción Financiera,\r\ntodos los tipos de transacciones No "
                             "Financieras\r\nfueron deseleccionados."));
    EXPECT_EQ(textoMensaje(13, QStringLiteral("FrmPartesVincDet"), 2026),
              QStringLiteral("EL informado que desea ingresar no es válido, marque el check de Territorio de Baja\r\no "
                             "Nula imposición o responda 'Si' en ¿Es el Informado Parte Vinculada del Declarante?"));
    EXPECT_EQ(textoMensaje(10, QStringLiteral("Frm_KLV_Declara"), 2026),
              QStringLiteral("Debe registrar al menos una Transacción\r\npara poder guardar la Declaración."));
    EXPECT_EQ(textoMensaje(55, QStringLiteral("FrmTransacciones"), 2026),
              QStringLiteral("Mediana de precios debe ser mayor o igual al límite inferior y menor o igual al límite "
                             "superior"));
    EXPECT_EQ(textoMensaje(2, QStringLiteral("FrmContAbrir"), 2026),
              QStringLiteral("No hay registros disponibles para Eliminar."));
}

TEST_F(MensajesTest, EveryFormHasItsNumbers) {
    auto numbers = [](const char* form) {
        QList<int> out;
        for (int n = 0; n <= 60; ++n)
            if (!textoMensaje(n, QString::fromLatin1(form), 2026).isEmpty()) out << n;
        return out;
    };
    EXPECT_EQ(numbers("Frm_KLV_Declara"), (QList<int>{1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}));
    EXPECT_EQ(numbers("FrmContAbrir"), (QList<int>{1, 2}));
    EXPECT_EQ(numbers("FrmPartesVinc"), (QList<int>{1, 2, 3}));
    EXPECT_EQ(numbers("FrmPartesVincDet"),
              (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 16, 17, 18, 19, 20, 21}));
    QList<int> trans{1, 2};
    for (int n = 4; n <= 19; ++n) trans << n;
    for (int n = 22; n <= 30; ++n) trans << n;
    for (int n = 33; n <= 48; ++n) trans << n;
    trans << 53 << 54 << 55;
    EXPECT_EQ(numbers("FrmTransacciones"), trans);
}
