#include "party_store.h"

#include "app_context.h"
#include "database.h"
#include "field_checks.h"
#include "format.h"
#include "numero_control.h"
#include "party_register.h"
#include "schema.h"
#include "utilitarios.h"
#include "vinculation_types.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace klv {
namespace {

const QString kParVin = QStringLiteral("PAR_VIN");
const QString kTipVinPar = QStringLiteral("TIP_VIN_PAR");

QString text(const QVariant& v) { return v.isNull() ? QString() : v.toString(); }

// A stored value as it binds back: NULL stays NULL.
QVariant bindable(const QVariant& v) { return v.isNull() ? QVariant() : v; }

QString whereParte(bool conFormulario) {
    return QStringLiteral("TIP_DOC_D = ? AND DOC_ID_D = ? AND TIP_DOC_P = ? AND DOC_ID_P = ?") +
           (conFormulario ? QStringLiteral(" AND FORMULARIO = ?") : QString());
}

QVariantList paramsParte(const PartyRowWrite& w, bool conFormulario) {
    QVariantList p{w.declarante.tipDocD, textValue(w.declarante.docIdD), w.parte.tipDocP, textValue(w.parte.docIdP)};
    if (conFormulario) p << textValue(w.formulario);
    return p;
}

void escribirTipos(Database& db, const PartyRowWrite& w) {
    db.exec(QStringLiteral("DELETE FROM TIP_VIN_PAR WHERE ") + whereParte(!w.anyFormulario), paramsParte(w, !w.anyFormulario));
    if (w.tipos->isEmpty()) return;
    QSqlQuery insert = db.prepare(QStringLiteral("INSERT INTO TIP_VIN_PAR (tip_doc_d, doc_id_d, formulario, tip_doc_p, "
                                                 "doc_id_p, cod_tip_vin, cnumero) VALUES (?, ?, ?, ?, ?, ?, ?)"));
    QStringList vistos;
    for (const QString& c : *w.tipos) {
        const QString codigo = c.trimmed();
        if (codigo.isEmpty() || vistos.contains(codigo)) continue;
        vistos << codigo;
        const QVariantMap fila{{QStringLiteral("tip_doc_d"), w.declarante.tipDocD},
                               {QStringLiteral("doc_id_d"), w.declarante.docIdD},
                               {QStringLiteral("formulario"), w.formulario},
                               {QStringLiteral("tip_doc_p"), w.parte.tipDocP},
                               {QStringLiteral("doc_id_p"), w.parte.docIdP},
                               {QStringLiteral("cod_tip_vin"), codigo}};
        db.run(insert, {w.declarante.tipDocD, textValue(w.declarante.docIdD), textValue(w.formulario), w.parte.tipDocP,
                        textValue(w.parte.docIdP), textValue(codigo), numeroControl(kTipVinPar, fila, 4)});
    }
}

}  // namespace

// ---- Existence test ----------------------------------------------------------------------------

bool udf_VerPartVinc(const AppContext& ctx, const Declarant& declarante, const Party& parte) {
    return ctx.db()
        .scalar(QStringLiteral("SELECT 1 FROM PAR_VIN WHERE ") + whereParte(true) + QStringLiteral(" LIMIT 1"),
                {declarante.tipDocD, textValue(declarante.docIdD), parte.tipDocP, textValue(parte.docIdP),
                 textValue(ctx.gFormulario)})
        .isValid();
}

bool udf_VerPartVinc(const AppContext& ctx, const QString& tipDocD, const QString& docIdD, const QString& tipDocP,
                     const QString& docIdP) {
    return udf_VerPartVinc(ctx, Declarant{static_cast<int>(fmt::val(tipDocD)), docIdD},
                           Party{static_cast<int>(fmt::val(tipDocP)), docIdP});
}

// ---- Row writer --------------------------------------------------------------------------------

PartyWriteResult escribirFilaInformado(Database& db, const PartyRowWrite& w) {
    const schema::Table& tabla = schema::table(kParVin);
    Transaction t(db);

    // The stored row, by its row id, with its values by the description's column names.
    qint64 rowid = -1;
    QVariantMap fila;
    if (w.mode != PartyWriteMode::Insert) {
        QString sql = QStringLiteral("SELECT rowid, * FROM PAR_VIN WHERE ") + whereParte(!w.anyFormulario);
        QVariantList params = paramsParte(w, !w.anyFormulario);
        if (w.anyFormulario) {
            sql += QStringLiteral(" ORDER BY (FORMULARIO = ?) DESC, FORMULARIO");
            params << textValue(w.formulario);
        }
        const auto filas = db.rows(sql + QStringLiteral(" LIMIT 1"), params);
        if (!filas.empty()) {
            const QSqlRecord& r = filas.front();
            rowid = r.value(0).toLongLong();
            for (const schema::Column& c : tabla.columns) fila.insert(c.name, bindable(r.value(c.name)));
        } else if (w.mode == PartyWriteMode::Update) {
            throw DbError(DbErr::NoCurrentRecord, QStringLiteral("El informado ya no está registrado."));
        }
    }
    for (auto it = w.columnas.begin(); it != w.columnas.end(); ++it) {
        const schema::Column* c = tabla.column(it.key());
        if (!c) throw DbError(DbErr::UnknownColumn, QStringLiteral("PAR_VIN no tiene la columna ") + it.key());
        if (tabla.isKey(c->name) || c->name == QLatin1String("cnumero")) continue;
        fila.insert(c->name, it.value());
    }
    fila.insert(QStringLiteral("tip_doc_d"), w.declarante.tipDocD);
    fila.insert(QStringLiteral("doc_id_d"), w.declarante.docIdD);
    fila.insert(QStringLiteral("formulario"), w.formulario);
    fila.insert(QStringLiteral("tip_doc_p"), w.parte.tipDocP);
    fila.insert(QStringLiteral("doc_id_p"), w.parte.docIdP);
    fila.remove(QStringLiteral("cnumero"));
    fila.insert(QStringLiteral("cnumero"), numeroControl(kParVin, fila, 4));

    QStringList columnas;
    QVariantList valores;
    for (const schema::Column& c : tabla.columns) {
        if (!fila.contains(c.name)) continue;
        columnas << c.name;
        const QVariant v = fila.value(c.name);
        valores << (v.typeId() == QMetaType::QString ? textValue(v.toString()) : v);
    }
    if (rowid >= 0) {
        QStringList sets;
        for (const QString& c : columnas) sets << c + QStringLiteral(" = ?");
        valores << rowid;
        db.exec(QStringLiteral("UPDATE PAR_VIN SET %1 WHERE rowid = ?").arg(sets.join(QStringLiteral(", "))), valores);
    } else {
        db.exec(QStringLiteral("INSERT INTO PAR_VIN (%1) VALUES (%2)")
                    .arg(columnas.join(QStringLiteral(", ")),
                         QStringList(columnas.size(), QStringLiteral("?")).join(QStringLiteral(", "))),
                valores);
    }
    if (w.tipos) escribirTipos(db, w);
    t.commit();
    return rowid >= 0 ? PartyWriteResult::Updated : PartyWriteResult::Added;
}

// ---- The detail form's save ---------------------------------------------------------------------

PartySaveOutcome grabarInformado(AppContext& ctx, const PartyState& st) {
    const PartyCheck check = udf_Validar(ctx, st);
    if (!check.ok) return {false, check.focus};

    const bool nuevo = st.mode == party::kNuevo;
    PartyRowWrite w;
    w.declarante = Declarant{6, st.docIdD.trimmed()};
    w.parte = Party{st.tipoNumero(), st.txtNumDoc.trimmed()};
    w.formulario = ctx.gFormulario;
    w.mode = nuevo ? PartyWriteMode::Insert : PartyWriteMode::Update;
    try {
        if (nuevo && udf_VerPartVinc(ctx, w.declarante, w.parte)) {
            ctx.msg(kInformadoExiste, MsgStyle::Exclamation);
            return {};
        }

        QVariantMap& c = w.columnas;
        c[QStringLiteral("cod_par")] = st.cboCodPais.left(4).trimmed();
        c[QStringLiteral("flag_par_fis")] = st.sParFis;
        const QString natJur = st.sNatJur.trimmed();
        const QString codNatJur = natJur == QLatin1String("N")   ? QStringLiteral("1")
                                  : natJur == QLatin1String("J") ? QStringLiteral("2")
                                  : natJur == QLatin1String("O") ? QStringLiteral("9")
                                                                 : QString();
        c[QStringLiteral("cod_nat_jur")] = codNatJur;
        if (!st.txtNatJurO.trimmed().isEmpty()) c[QStringLiteral("otr_nat_jur")] = st.txtNatJurO.trimmed();
        c[QStringLiteral("flag_par_vin")] = st.sParVin == QLatin1String("S") ? QStringLiteral("01") : QStringLiteral("02");
        const QString flagConDom = st.sConDom == QLatin1String("1") ? QStringLiteral("01") : QStringLiteral("02");
        c[QStringLiteral("flag_con_dom")] = flagConDom;
        const QString razon = !st.txtRazSoc.trimmed().isEmpty()
                                  ? st.txtRazSoc.toUpper()
                                  : st.txtApellidoP.toUpper() + QLatin1Char(' ') + st.txtApellidoM.toUpper() +
                                        QStringLiteral(", ") + st.txtNombre.toUpper();
        c[QStringLiteral("razon_social")] = razon.left(120);
        if (!st.txtNombre.trimmed().isEmpty()) c[QStringLiteral("nom_par_vin")] = st.txtNombre.trimmed();
        const auto apellido = [](const QString& s) {
            const QString t = s.trimmed().toUpper();
            return t.isEmpty() ? QStringLiteral(" ") : t;
        };
        c[QStringLiteral("apepat_par_vin")] = apellido(st.txtApellidoP);
        c[QStringLiteral("apemat_par_vin")] = apellido(st.txtApellidoM);

        // Birth date and legal address of a non-domiciled natural or legal person, checked before
        // anything is written.
        if (flagConDom == QLatin1String("02") && (codNatJur == QLatin1String("1") || codNatJur == QLatin1String("2"))) {
            QVariant fecNac;
            const QString fecha = st.mebFecNac.trimmed();
            if (codNatJur == QLatin1String("1") && fecha != party::kFechaVacia && !fecha.isEmpty()) {
                if (!ctx.gUtil->ValidaFecha(fecha, QStringLiteral("01/01/1800"), QStringLiteral("01/01/2500"))) {
                    ctx.msg(QStringLiteral("La fecha de nacimiento no es válida."), MsgStyle::Exclamation);
                    return {};
                }
                if (udf_FechaMayorHoy(ctx, fecha)) {
                    ctx.msg(QStringLiteral("La fecha de nacimiento no debe ser mayor a la fecha actual."),
                            MsgStyle::Exclamation);
                    return {};
                }
                fecNac = fmt::isoDate(*fmt::parseDate(fecha));
            }
            const QString tipo = st.cboTipResid.left(2).trimmed();
            const QString dir = st.txtDirRedLegal.trimmed();
            if (!tipo.isEmpty() && dir.isEmpty()) {
                ctx.msg(QStringLiteral("Ha seleccionado un Tipo de Dirección Legal pero no la Dirección Legal."),
                        MsgStyle::Exclamation);
                return {};
            }
            if (tipo.isEmpty() && !dir.isEmpty()) {
                ctx.msg(QStringLiteral("Ha ingresado una Dirección Legal pero no un Tipo de Dirección Legal."),
                        MsgStyle::Exclamation);
                return {};
            }
            c[QStringLiteral("fec_nac")] = fecNac;
            c[QStringLiteral("tip_dir_legal")] = tipo.isEmpty() ? QVariant() : QVariant(tipo);
            c[QStringLiteral("des_dir_legal")] = dir.isEmpty() ? QVariant() : QVariant(dir);
        }
        w.tipos = st.sParVin == QLatin1String("S") ? st.tipos : QStringList();

        escribirFilaInformado(*ctx.gDB, w);
    } catch (const DbError& e) {
        mostrarErrorBD(ctx, e);
        return {};
    }
    if (nuevo) ++ctx.gNumParVin;
    return {true, party::Focus::None};
}

// ---- Load --------------------------------------------------------------------------------------

std::optional<StoredParty> udp_CargarEdit(const AppContext& ctx, const QString& docIdD, const QString& docIdP,
                                          const QString& tipDocP) {
    const int tipo = static_cast<int>(fmt::val(tipDocP));
    const auto filas = ctx.db().rows(
        QStringLiteral("SELECT * FROM PAR_VIN WHERE TIP_DOC_D = 6 AND DOC_ID_D = ? AND TIP_DOC_P = ? AND DOC_ID_P = ? "
                       "ORDER BY (FORMULARIO = ?) DESC, FORMULARIO LIMIT 1"),
        {textValue(docIdD), tipo, textValue(docIdP), textValue(ctx.gFormulario)});
    if (filas.empty()) return std::nullopt;
    const QSqlRecord& r = filas.front();
    auto v = [&r](const char* col) { return text(r.value(QLatin1String(col))); };
    StoredParty p;
    p.parte = Party{r.value(QStringLiteral("tip_doc_p")).toInt(), v("doc_id_p")};
    p.formulario = v("formulario");
    p.flagConDom = v("flag_con_dom");
    p.codNatJur = v("cod_nat_jur");
    p.otrNatJur = v("otr_nat_jur");
    p.flagParFis = v("flag_par_fis");
    p.flagParVin = v("flag_par_vin");
    p.codPar = v("cod_par");
    p.razonSocial = v("razon_social");
    p.nomParVin = v("nom_par_vin");
    p.apePatParVin = v("apepat_par_vin");
    p.apeMatParVin = v("apemat_par_vin");
    p.tipDirLegal = v("tip_dir_legal");
    p.desDirLegal = v("des_dir_legal");
    const QString fecha = v("fec_nac").trimmed();
    if (const auto d = fmt::parseDate(fecha))
        p.fecNac = fmt::formatDate(*d, QStringLiteral("dd/mm/yyyy"));
    else
        p.fecNac = fecha;
    p.tipos = IniciarArray(ctx, docIdD, tipDocP, docIdP);
    return p;
}

}  // namespace klv
