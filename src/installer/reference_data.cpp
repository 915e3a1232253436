#include "reference_data.h"

#include "cp1252.h"
#include "database.h"
#include "format.h"

#include <QDir>

// Reference rows the installer loads into the host's PARAM and reportes and into the module's
// TIP_VIN and PARAISO_FISCAL. The texts are stored character for character as listed (accents,
// doubled blanks, the no-break space and the final blank of case 12 included).

using namespace Qt::StringLiterals;

namespace klv::installer {

const std::vector<ParamRow>& paramRows() {
    static const std::vector<ParamRow> rows = {
        {u"883"_s, u"000"_s, u"Otros"_s, u"000"_s},
        {u"044"_s, u"31"_s, u"DOC.IDENT. TRIBUTARIA U OTROS  DOC.ID.TRI. 0 50 000000 00 000000000000000000000000000000000000000                            0 0 0"_s, u"0"_s},
        {u"044"_s, u"32"_s, u"DOC.IDENT. PERSONAL U OTROS    DOC.ID.PER. 0 50 000000 00 000000000000000000000000000000000000000                            0 0 0"_s, u"0"_s},
        {u"395"_s, u"01"_s, u"Ventas de productos terminados . Ingresos Netos."_s, u"1"_s},
        {u"395"_s, u"02"_s, u"Ventas de productos en proceso . Ingresos Netos."_s, u"1"_s},
        {u"395"_s, u"03"_s, u"Ventas de materias primas y/o suministros diversos . Ingresos Netos."_s, u"1"_s},
        {u"395"_s, u"04"_s, u"Venta de mercaderías . Ingresos Netos."_s, u"1"_s},
        {u"395"_s, u"05"_s, u"Servicio de maquila . Ingresos Netos."_s, u"1"_s},
        {u"395"_s, u"06"_s, u"Servicios administrativos . Ingresos Netos."_s, u"1"_s},
        {u"395"_s, u"07"_s, u"Servicios de Consultoría . Ingresos Netos."_s, u"1"_s},
        {u"395"_s, u"08"_s, u"Seguros y reaseguros . Ingresos Netos."_s, u"1"_s},
        {u"395"_s, u"09"_s, u"Comisiones . Ingresos Netos."_s, u"1"_s},
        {u"395"_s, u"10"_s, u"Regalías . Ingresos Netos."_s, u"1"_s},
        {u"395"_s, u"11"_s, u"Asistencia Técnica . Ingresos Netos."_s, u"1"_s},
        {u"395"_s, u"12"_s, u"Intereses por Préstamos . Ingresos Netos."_s, u"1"_s},
        {u"395"_s, u"13"_s, u"Intereses Diversos . Ingresos Netos."_s, u"1"_s},
        {u"395"_s, u"14"_s, u"Arrendamiento y/o Subarrendamiento . Ingresos Netos."_s, u"1"_s},
        {u"395"_s, u"15"_s, u"Publicidad . Ingresos Netos."_s, u"1"_s},
        {u"395"_s, u"16"_s, u"Enajenación de acciones . Ingresos Netos."_s, u"1"_s},
        {u"395"_s, u"17"_s, u"Ventas de Activos Fijos . Ingresos Netos."_s, u"1"_s},
        {u"395"_s, u"18"_s, u"Otros Ingresos Netos."_s, u"1"_s},
        {u"395"_s, u"19"_s, u"Compra de materias primas y/o suministros diversos . Egresos."_s, u"0"_s},
        {u"395"_s, u"20"_s, u"Compra de mercaderías . Egresos."_s, u"0"_s},
        {u"395"_s, u"21"_s, u"Compra de activos fijos . Egresos."_s, u"0"_s},
        {u"395"_s, u"22"_s, u"Regalías . Egresos."_s, u"0"_s},
        {u"395"_s, u"23"_s, u"Asistencia técnica . Egresos."_s, u"0"_s},
        {u"395"_s, u"24"_s, u"Honorarios . Egresos."_s, u"0"_s},
        {u"395"_s, u"25"_s, u"Consultorías . Egresos."_s, u"0"_s},
        {u"395"_s, u"26"_s, u"Arrendamientos y sub-arrendamientos . Egresos."_s, u"0"_s},
        {u"395"_s, u"27"_s, u"Publicidad . Egresos."_s, u"0"_s},
        {u"395"_s, u"28"_s, u"Servicio de maquila . Egresos."_s, u"0"_s},
        {u"395"_s, u"29"_s, u"Servicios administrativos . Egresos."_s, u"0"_s},
        {u"395"_s, u"30"_s, u"Servicios financieros . Egresos."_s, u"0"_s},
        {u"395"_s, u"31"_s, u"Otros servicios . Egresos."_s, u"0"_s},
        {u"395"_s, u"32"_s, u"Comisiones . Egresos."_s, u"0"_s},
        {u"395"_s, u"33"_s, u"Intereses Otros . Egresos."_s, u"0"_s},
        {u"395"_s, u"34"_s, u"Intereses por préstamos recibidos . Egresos."_s, u"0"_s},
        {u"395"_s, u"35"_s, u"Primas por seguros y reaseguros . Egresos."_s, u"0"_s},
        {u"395"_s, u"36"_s, u"Compra de acciones . Egresos."_s, u"0"_s},
        {u"395"_s, u"37"_s, u"Otros costos y/o gastos . Egresos."_s, u"0"_s},
        {u"395"_s, u"38"_s, u"Diversos pagos o acreditaciones que no son costo y/o gastos . Egresos."_s, u"0"_s},
        {u"395"_s, u"39"_s, u"Servicios Financieros. Ingresos Netos."_s, u"1"_s},
        {u"395"_s, u"40"_s, u"Otros Servicios. Ingresos Netos."_s, u"1"_s},
        {u"395"_s, u"41"_s, u"Diversos cobros que no son Ingresos Netos."_s, u"1"_s},
        {u"395"_s, u"42"_s, u"Venta de otros Intangibles. Ingresos Netos."_s, u"1"_s},
        {u"395"_s, u"70"_s, u"Compra de productos terminados. Egresos."_s, u"0"_s},
        {u"395"_s, u"71"_s, u"Compra de productos en proceso. Egresos."_s, u"0"_s},
        {u"395"_s, u"72"_s, u"Compra de otros intangibles. Egresos."_s, u"0"_s},
        {u"992"_s, u"8027"_s, u"2"_s, u""_s},
        {u"996"_s, u"540"_s, u"IDENTIFICA2    R 1000   4"_s, u""_s},
        {u"996"_s, u"491"_s, u"TRANSACCION    R 1000   5"_s, u""_s},
        {u"996"_s, u"492"_s, u"PAR_VIN        R 1000   4"_s, u""_s},
        {u"996"_s, u"493"_s, u"PARAISO_FISCAL T 1000   2"_s, u""_s},
        {u"996"_s, u"494"_s, u"TIP_VIN        T 1000   2"_s, u""_s},
        {u"996"_s, u"495"_s, u"TIP_VIN_PAR    R 1000   4"_s, u""_s},
        {u"996"_s, u"541"_s, u"TRATIPTRA2     R 1000   5"_s, u""_s},
        {u"996"_s, u"580"_s, u"TRANSACCION2   R 1000   7"_s, u""_s},
        {u"880"_s, u"8027"_s, u"1 20070601 20991231 20070301"_s, u"000"_s},
        {u"876"_s, u"01"_s, u"RESIDENCIA O DOMICILIO DE LA ACTIVIDAD"_s, u"000"_s},
        {u"876"_s, u"02"_s, u"RESIDENCIA"_s, u"000"_s},
        {u"876"_s, u"03"_s, u"DOMICILIO DE LA ACTIVIDAD"_s, u"000"_s},
        {u"876"_s, u"04"_s, u"DOMICILIO OFICIAL DE LA COMPAÑÍA, ASOCIACIÓN U OTRA ENTIDAD LEGAL"_s, u"000"_s},
    };
    return rows;
}

const std::vector<ReportRow>& reportRows() {
    static const std::vector<ReportRow> rows = {
        {u"PTR001"_s, u"Reporte de Envío  -  8027"_s},
        {u"PTR002"_s, u"Reporte de Declaraciones - 8027"_s},
        {u"PTR003"_s, u"Reporte de Errores - 8027"_s},
    };
    return rows;
}

const std::vector<TipVinRow>& tipVinRows() {
    static const std::vector<TipVinRow> rows = {
        {u"01"_s, u"Num. 1"_s,
         u"Una persona natural o jurídica posea más de treinta por ciento (30%) del capital de otra persona jurídica, directamente o por intermedio de un tercero."_s},
        {u"02"_s, u"Num. 2"_s,
         u"Más del treinta por ciento (30%) del capital de dos (2) o más personas jurídicas pertenezca a una misma persona natural o jurídica, directamente o por intermedio de un tercero."_s},
        {u"03"_s, u"Num. 3"_s,
         u"En cualesquiera de los casos anteriores, cuando la indicada proporción del capital pertenezca a cónyuges entre sí o a personas naturales vinculadas hasta el segundo grado de consanguinidad o afinidad."_s},
        {u"04"_s, u"Num. 4"_s,
         u"El capital de dos (2) o más personas jurídicas pertenezca en más del treinta por ciento (30%) a socios comunes a éstas."_s},
        {u"05"_s, u"Num. 5"_s,
         u"Las personas jurídicas o entidades cuenten con una o más directores, gerentes, administradores u otros directivos comunes, que tengan poder de decisión en los acuerdos financieros, operativos y/o comerciales que se adopten."_s},
        {u"06"_s, u"Num. 6"_s,
         u"Dos o más personas naturales o jurídicas consoliden Estados Financieros."_s},
        {u"07"_s, u"Num. 7"_s,
         u"Exista un contrato de colaboración empresarial con contabilidad independiente, en cuyo caso el contrato se considerará vinculado con aquellas partes contratantes que participen, directamente o por intermedio de un tercero, en mas del treinta por ciento (30%) en el patrimonio del contrato o cuando alguna de las partes contratantes tengan poder de decisión en los acuerdos financieros, comerciales u operativos que se adopten para el desarrollo del contrato, caso en el cual la parte contratante que ejerza el poder de decisión se encontrará vinculado con el contrato."_s},
        {u"08"_s, u"Num. 8"_s,
         u"En el caso de un contrato de colaboración empresarial sin contabilidad independiente, la vinculación entre cada una de las partes integrantes del contrato y la contraparte deberá verificarse individualmente, aplicando algunos de los criterios de vinculación establecidos en este artículo.Se entiende por contraparte a la persona natural o jurídica con las que las partes integrantes celebren alguna operación con el fin de alcanzar el objeto del contrato."_s},
        {u"09"_s, u"Num. 9"_s,
         u"Exista un contrato de asociación en participación, en el que alguno de los asociados, directa o indirectamente, participe en mas del treinta por ciento (30%) en los resultados o en las utilidades de uno o varios negocios del asociante, en cuyo caso se considerará que existe vinculación entre el asociante y cada uno de sus asociados.También se considerará que existe vinculación cuando alguno de los asociados tenga poder de decisión en los aspectos financieros, comerciales u operativos en uno o varios negocios del asociante."_s},
        {u"10"_s, u"Num. 10"_s,
         u"Una empresa no domiciliada tenga uno o mas establecimientos permanentes en el país, en cuyo caso existirá vinculación entre la empresa no domiciliada y cada uno de sus establecimientos permanentes y entre todos ellos entre si."_s},
        {u"11"_s, u"Num. 11"_s,
         u"Una empresa domiciliada en territorio peruano tenga uno o mas establecimientos permanentes en el extranjero, en cuyo caso existirá vinculación entre la empresa domiciliada y cada uno de sus establecimientos permanentes."_s},
        {u"12"_s, u"Num. 12 1er y 2do Párrafo"_s,
         u"Una persona natural o jurídica ejerza influencia dominante en las decisiones de los órganos de administración de una o mas personas jurídicas o entidades. En tal situación, se considerará que las personas jurídicas o entidades influidas están vinculadas entre si y con la persona natural o jurídica que ejerce dicha influencia.Se entiende que una persona natural o jurídica ejerce influencia\u00A0dominante cuando, en la adopción del acuerdo, ejerce o controla la mayoría absoluta de votos para la toma de decisiones en los órganos de administración de la persona jurídica o entidad.En el caso de decisiones relacionadas con los asuntos mencionados en el artículo 126° de la Ley General de Sociedades, existirá influencia dominante de la persona natural o jurídica que, participando en la adopción del acuerdo, por si misma o con la intervención de votos de terceros, tiene en el acto de votación el mayor número de acciones suscritas con derecho a voto, siempre y cuando cuente con, al menos, el diez por ciento (10%) de las acciones suscritas con derecho a voto. "_s},
        {u"13"_s, u"Num. 12 3er Párrafo"_s,
         u"También se otorgará el tratamiento de partes vinculadas cuando una persona, empresa o entidad domiciliada en el país realice, en el ejercicio gravable anterior, el ochenta por ciento (80%) o mas de sus ventas de bienes, prestación de servicios u otro tipo de operaciones, con una persona, empresa o entidad domiciliada en el país o con personas, empresas o entidades vinculadas entre si, domiciliadas en el país, siempre que tales operaciones, a su vez, representen por lo menos el treinta por ciento (30%) de las compras o adquisiciones de la otra parte en el mismo período. Tratándose de empresas que tengan actividades por períodos mayores a tres ejercicios gravables, tales porcentajes se calcularán teniendo en cuenta el porcentaje promedio de ventas o compras, según sea el caso, realizadas en los tres ejercicios gravables inmediatos anteriores. Lo dispuesto en este párrafo no será de aplicación a las operaciones que realicen las empresas que conforman la Actividad Empresarial del Estado, en las cuales la participación del Estado sea mayor al cincuenta por ciento (50%) del capital"_s},
        {u"14"_s, u"Num. 12, 6to Párrafo"_s,
         u"Adicionalmente, para efecto de los dispuesto en el inciso 1) del segundo párrafo del Artículo 36° de la Ley, también se configura la vinculación cuando el enajenante es cónyuge, concubino o pariente del adquiriente hasta el cuarto grado de consanguinidad o segundo de afinidad."_s},
    };
    return rows;
}

const QStringList& paraisoFiscalCodes() {
    static const QStringList codes = {
        u"9019"_s, u"9037"_s, u"9041"_s, u"9043"_s, u"9047"_s, u"9027"_s, u"9077"_s, u"9083"_s, u"9088"_s, u"9090"_s,
        u"9221"_s, u"9235"_s, u"9293"_s, u"9297"_s, u"9327"_s, u"9351"_s, u"9378"_s, u"9137"_s, u"9183"_s, u"9472"_s,
        u"9823"_s, u"9863"_s, u"9866"_s, u"9401"_s, u"9418"_s, u"9434"_s, u"9440"_s, u"9445"_s, u"9453"_s, u"9461"_s,
        u"9498"_s, u"9501"_s, u"9508"_s, u"9531"_s, u"9580"_s, u"9687"_s, u"9695"_s, u"9705"_s, u"9715"_s, u"9731"_s,
        u"9810"_s, u"9551"_s, u"9080"_s,
    };
    return codes;
}

namespace {

constexpr int kInvalidCall = 5;
constexpr int kOverflow = 6;
constexpr int kTypeMismatch = 13;

double numberField(const QString& text, int index) {
    const auto n = fmt::toNumber(text);
    if (!n)
        throw DbError(kTypeMismatch, QStringLiteral("No coinciden los tipos: el campo %1 (\"%2\") no es un número")
                                         .arg(QString::number(index + 1), text));
    return *n;
}

}  // namespace

QVariantList EnvioRow::values() const {
    QVariantList v{textValue(tablaO), textValue(tablaD), textValue(tablaExt)};
    for (int b : bytes) v << b;
    for (double d : numbers) v << d;
    return v;
}

EnvioRow parseEnvioLine(const QString& line) {
    QStringList fields;
    qsizetype pos = 0;
    for (int i = 0; i < 13; ++i) {
        const qsizetype bar = line.indexOf(QLatin1Char('|'), pos);
        if (bar < 0)
            throw DbError(kInvalidCall,
                          QStringLiteral("Llamada a procedimiento o argumento no válido: la línea tiene %1 de los 13 "
                                         "campos terminados en \"|\"")
                              .arg(i));
        fields << line.mid(pos, bar - pos);
        pos = bar + 1;
    }
    EnvioRow r;
    r.tablaO = fields[1].trimmed();
    r.tablaD = fields[2].trimmed();
    r.tablaExt = fields[3].trimmed();
    for (int i = 0; i < 3; ++i) {
        // Whole numbers are rounded half to even, as the conversion to a byte does.
        const double v = fmt::roundHalfEven(numberField(fields[4 + i], 4 + i));
        if (v < 0 || v > 255)
            throw DbError(kOverflow,
                          QStringLiteral("Desbordamiento: el campo %1 (\"%2\") debe ser un número de 0 a 255")
                              .arg(QString::number(5 + i), fields[4 + i]));
        r.bytes[i] = static_cast<int>(v);
    }
    for (int i = 0; i < 6; ++i) r.numbers[i] = numberField(fields[7 + i], 7 + i);
    return r;
}

void readEnvioFile(const QByteArray& bytes, const QString& path, const std::function<void(const EnvioRow&)>& row) {
    QString text = cp1252::decode(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n'))) lines.removeLast();
    int number = 0;
    for (const QString& line : lines) {
        ++number;
        if (line.trimmed().isEmpty()) break;  // a blank line ends the map
        EnvioRow r;
        try {
            r = parseEnvioLine(line);
        } catch (const DbError& e) {
            throw DbError(e.number(), QStringLiteral("%1 (línea %2 de %3)")
                                          .arg(e.text(), QString::number(number), QDir::toNativeSeparators(path)));
        }
        row(r);
    }
}

}  // namespace klv::installer
