#include "schema.h"

#include <stdexcept>

namespace klv::schema {

namespace {

Column byte(const char* n) { return {QLatin1String(n), JetType::Byte, 0, false}; }
Column lng(const char* n) { return {QLatin1String(n), JetType::Long, 0, false}; }
Column dbl(const char* n) { return {QLatin1String(n), JetType::Double, 0, false}; }
Column text(const char* n, int size, bool zeroLength = false) {
    return {QLatin1String(n), JetType::Text, size, zeroLength};
}
Column memo(const char* n, bool zeroLength = false) { return {QLatin1String(n), JetType::Memo, 0, zeroLength}; }
Column date(const char* n) { return {QLatin1String(n), JetType::Date, 0, false}; }
Column cnumero() { return text("cnumero", 6); }

QStringList names(std::initializer_list<const char*> list) {
    QStringList out;
    for (const char* n : list) out << QLatin1String(n);
    return out;
}

// Columns 1 to 47 of the transaction tables: the layout the previous TRANSACCION shares with the
// current TRANSACCION2. zeroLength marks the amount texts that accept the empty text (the previous
// layout's list; the current tables accept it on every text column anyway).
std::vector<Column> transactionHead(bool zeroLength) {
    const bool z = zeroLength;
    return {
        byte("tip_doc_d"), text("doc_id_d", 11), text("periodo", 4), text("formulario", 4),
        byte("tip_doc_p"), text("doc_id_p", 50), lng("cor_transaccion"),
        text("flag_val_met", 2), text("cod_tip_moneda", 2), text("nom_otro_tip_mon", 15, z),
        text("mto_sin_tran_mon_ori", 14, z), text("mto_sin_tran_mon_reg", 14, z),
        text("mto_sin_cap_mon_ori", 14, z), text("mto_sin_ints_mon_ori", 14, z),
        text("tas_sin_efe_anu", 14, z), text("mto_sin_ints_mon_reg", 14, z),
        text("sal_sin_cap_mon_reg", 14, z), text("mto_tran_mon_ori", 14, z),
        text("mto_sin_aju_pcnc", 14, z), text("mto_aju_pcnc", 14, z), text("mto_sin_aju_pr", 14, z),
        text("mto_aju_pr", 14, z), text("mto_sin_aju_ci", 14, z), text("mto_aju_ci", 14, z),
        text("mto_cap_mon_ori", 14, z), text("mto_ints_mon_ori", 14, z), text("tas_efe_anu", 14, z),
        text("sal_cap_mon_reg", 14, z), text("mto_ints_sin_aju_pcnc", 14, z),
        text("mto_ints_aju_pcnc", 14, z), text("mto_ints_sin_aju_pr", 14, z),
        text("mto_ints_aju_pr", 14, z), text("mto_ints_sin_aju_ci", 14, z),
        text("mto_ints_aju_ci", 14, z), text("mto_tra_mon_ori", 14, z), text("mto_tra_mon_reg", 14, z),
        text("mto_aju_res_pos_reg", 14, z), text("mto_aju_res_neg_reg", 14, z), text("met_val", 2, z),
        text("mto_tot_cap_mon_ori", 14, z), text("mto_tot_ints_mon_ori", 14, z),
        text("mto_tot_ints_mon_reg", 14, z), text("sal_tot_cap_mon_reg", 14, z),
        text("mto_tot_aju_res_pos_reg", 14, z), text("mto_tot_aju_res_neg_reg", 14, z),
        text("met_val_ints", 2, z), text("ind_transac_fin", 1),
    };
}

Table previousTransactions(const char* name) {
    std::vector<Column> cols = transactionHead(true);
    cols.push_back(cnumero());
    return {QLatin1String(name), cols,
            names({"tip_doc_d", "doc_id_d", "periodo", "formulario", "tip_doc_p", "doc_id_p", "cor_transaccion"})};
}

Table currentTransactions(const char* name) {
    std::vector<Column> cols = transactionHead(false);
    const std::vector<Column> tail = {
        text("par_analizada", 2), text("mto_lim_inf_pcnc", 16), text("mto_lim_sup_pcnc", 16),
        text("mto_mediana_pcnc", 16), text("mto_lim_inf_pr", 16), text("mto_lim_sup_pr", 16),
        text("mto_mediana_pr", 16), text("mto_margen_bruto_pr", 16), text("mto_lim_inf_ci", 16),
        text("mto_lim_sup_ci", 16), text("mto_mediana_ci", 16), text("mto_margen_bruto_ci", 16),
        text("ind_rentabilidad_mmnt", 2), text("mto_lim_inf_mmnt", 16), text("mto_lim_sup_mmnt", 16),
        text("mto_mediana_mmnt", 16), text("valor_pli_mmnt", 16), cnumero(),
    };
    cols.insert(cols.end(), tail.begin(), tail.end());
    return {QLatin1String(name), cols,
            names({"tip_doc_d", "doc_id_d", "periodo", "formulario", "tip_doc_p", "doc_id_p", "cor_transaccion"})};
}

std::vector<Column> transactionTypeKey() {
    return {byte("tip_doc_d"), text("doc_id_d", 11), text("periodo", 4), text("formulario", 4),
            byte("tip_doc_p"), text("doc_id_p", 50), lng("cor_transaccion"), text("cod_tip_transaccion", 2)};
}

QStringList transactionTypeKeyNames() {
    return names({"tip_doc_d", "doc_id_d", "periodo", "formulario", "tip_doc_p", "doc_id_p", "cor_transaccion",
                  "cod_tip_transaccion"});
}

Table transactionTypes(const char* name) {
    std::vector<Column> cols = transactionTypeKey();
    cols.push_back(text("monto_transaccion", 14, true));
    cols.push_back(cnumero());
    return {QLatin1String(name), cols, transactionTypeKeyNames()};
}

std::vector<Table> buildModuleTables() {
    std::vector<Table> t;
    t.push_back({QStringLiteral("IDENTIFICA2"),
                 {byte("tip_doc_d"), text("doc_id_d", 11), text("periodo", 4), text("formulario", 4),
                  text("autcontext", 1), text("esttecpt", 1), text("ruc", 15, true), cnumero()},
                 names({"tip_doc_d", "doc_id_d", "periodo", "formulario"})});
    t.push_back({QStringLiteral("PAR_VIN"),
                 {byte("tip_doc_d"), text("doc_id_d", 11), text("formulario", 4), byte("tip_doc_p"),
                  text("doc_id_p", 50), text("cod_par", 4), text("flag_par_fis", 1), text("cod_nat_jur", 2),
                  text("otr_nat_jur", 20, true), text("flag_par_vin", 2), text("flag_con_dom", 2),
                  text("razon_social", 120, true), text("nom_par_vin", 50, true),
                  text("apepat_par_vin", 50, true), text("apemat_par_vin", 50, true),
                  text("tip_dir_legal", 2, true), text("des_dir_legal", 40, true), date("fec_nac"), cnumero()},
                 names({"tip_doc_d", "doc_id_d", "formulario", "tip_doc_p", "doc_id_p"})});
    t.push_back({QStringLiteral("TIP_VIN"),
                 {text("cod_tip_vin", 2), text("formulario", 4), memo("nom_tip_vin", true),
                  text("num_renta", 30, true), cnumero()},
                 names({"cod_tip_vin", "formulario"})});
    t.push_back({QStringLiteral("TIP_VIN_PAR"),
                 {byte("tip_doc_d"), text("doc_id_d", 11), text("formulario", 4), byte("tip_doc_p"),
                  text("doc_id_p", 50), text("cod_tip_vin", 2), cnumero()},
                 names({"tip_doc_d", "doc_id_d", "formulario", "tip_doc_p", "doc_id_p", "cod_tip_vin"})});
    t.push_back({QStringLiteral("PARAISO_FISCAL"),
                 {text("cod_par", 4), text("formulario", 4), cnumero()},
                 names({"cod_par", "formulario"})});
    t.push_back(previousTransactions("TRANSACCION"));
    t.push_back(previousTransactions("TMPTRANSACCION"));
    t.push_back(transactionTypes("TRATIPTRA2"));
    t.push_back(transactionTypes("TMPTRATIPTRA"));
    {
        std::vector<Column> cols = transactionTypeKey();
        cols.push_back(text("des_transaccion", 70, true));
        cols.push_back(text("monto", 14, true));
        cols.push_back(cnumero());
        t.push_back({QStringLiteral("TMPTRADET"), cols, transactionTypeKeyNames()});
    }
    t.push_back(currentTransactions("TRANSACCION2"));
    t.push_back(currentTransactions("TMPTRANSACCION2"));
    return t;
}

std::vector<Table> buildHostTables() {
    std::vector<Table> t;
    t.push_back({QStringLiteral("PARAM"),
                 {text("Numero", 0, true), text("Argumento", 0, true), text("Funcion", 0, true),
                  text("Correl_param", 0, true)},
                 names({"Numero", "Argumento"})});
    // reportes is written by position only; its column names belong to the host.
    t.push_back({QStringLiteral("reportes"),
                 {text("CodRep", 0), text("DesRep", 0, true), byte("Estado")},
                 names({"CodRep"})});
    t.push_back({QStringLiteral("ENVIO_T"),
                 {text("formulario", 0), text("tabla_o", 0), text("tabla_d", 0, true), text("tabla_ext", 0, true),
                  byte("indice"), byte("obliga"), byte("c_tip_doc_d"), dbl("c_doc_id_d"), dbl("c_Formulario"),
                  dbl("c_periodo"), dbl("c_estado"), dbl("c_envio"), dbl("c_semana")},
                 names({"formulario", "tabla_o"})});
    // The declaration status row; its first five columns are the numeric part of its control
    // number. Fec_pro holds the save date as the text dd/mm/yyyy.
    t.push_back({QStringLiteral("CAB"),
                 {byte("TIP_DOC_D"), text("DOC_ID_D", 11), text("PERIODO", 4), text("FORMULARIO", 4),
                  text("nrocheque", 0, true), text("Fec_pro", 0, true), byte("Estado"), text("rectifica", 0, true),
                  text("cNumero", 6)},
                 names({"TIP_DOC_D", "DOC_ID_D", "PERIODO", "FORMULARIO"})});
    // Attached files of a submission (the technical study's PDF).
    t.push_back({QStringLiteral("EFCONTROLNS"),
                 {byte("TIP_DOC_D"), text("DOC_ID_D", 11), text("Periodo", 4), text("Formulario", 4),
                  lng("Semana"), text("nomarc", 0), text("tab_d", 0, true), text("RutArc", 0, true),
                  lng("tamarc"), text("Marca", 0, true), lng("Indice"), text("num_tuplas", 0, true),
                  text("cnum", 0, true), text("cNumero", 6)},
                 names({"TIP_DOC_D", "DOC_ID_D", "Periodo", "Formulario", "Semana", "nomarc"})});
    return t;
}

const Table* findIn(const std::vector<Table>& tables, const QString& name) {
    for (const auto& t : tables)
        if (t.name.compare(name, Qt::CaseInsensitive) == 0) return &t;
    return nullptr;
}

QString quoted(const QString& identifier) { return QLatin1Char('"') + identifier + QLatin1Char('"'); }

}  // namespace

QStringList Table::columnNames() const {
    QStringList out;
    for (const auto& c : columns) out << c.name;
    return out;
}

const Column* Table::column(const QString& n) const {
    for (const auto& c : columns)
        if (c.name.compare(n, Qt::CaseInsensitive) == 0) return &c;
    return nullptr;
}

bool Table::isKey(const QString& c) const { return key.contains(c, Qt::CaseInsensitive); }

const std::vector<Table>& moduleTables() {
    static const std::vector<Table> tables = buildModuleTables();
    return tables;
}

const Table* findTable(const QString& name) { return findIn(moduleTables(), name); }

const Table& table(const QString& name) {
    if (const Table* t = findTable(name)) return *t;
    throw std::out_of_range("unknown module table: " + name.toStdString());
}

QStringList columnNames(const QString& tableName) { return table(tableName).columnNames(); }

const std::vector<Table>& hostTables() {
    static const std::vector<Table> tables = buildHostTables();
    return tables;
}

const Table* findHostTable(const QString& name) { return findIn(hostTables(), name); }

QString sqliteType(const Column& c) {
    const QString q = quoted(c.name);
    switch (c.type) {
    case JetType::Byte: return QStringLiteral("INT CHECK(%1 BETWEEN 0 AND 255)").arg(q);
    case JetType::Long: return QStringLiteral("INT");
    case JetType::Double: return QStringLiteral("REAL");
    case JetType::Text:
        if (c.size <= 0) return QStringLiteral("TEXT COLLATE NOCASE");
        return QStringLiteral("TEXT COLLATE NOCASE CHECK(length(%1) <= %2)").arg(q, QString::number(c.size));
    case JetType::Memo: return QStringLiteral("TEXT COLLATE NOCASE");
    case JetType::Date: return QStringLiteral("TEXT");
    }
    return QStringLiteral("TEXT");
}

QString createStatement(const Table& t) {
    QStringList parts;
    for (const auto& c : t.columns) {
        QString def = quoted(c.name) + QLatin1Char(' ') + sqliteType(c);
        if (t.isKey(c.name)) def += QStringLiteral(" NOT NULL");
        parts << def;
    }
    if (!t.key.isEmpty()) {
        QStringList key;
        for (const QString& k : t.key) key << quoted(k);
        parts << QStringLiteral("CONSTRAINT %1 PRIMARY KEY (%2)").arg(t.pkName(), key.join(QStringLiteral(", ")));
    }
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(t.name, parts.join(QStringLiteral(", ")));
}

}  // namespace klv::schema
