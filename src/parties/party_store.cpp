#include "party_store.h"

#include "app_context.h"
#include "database.h"
#include "field_checks.h"
#include "format.h"
#include "numero_control.h"
#include "party_register.h"
#include "prepared_statement.h"
#include "row_cursor.h"
#include "schema.h"
#include "utilitarios.h"
#include "vinculation_types.h"

#include <QSqlRecord>
#include <algorithm>
#include <stdexcept>

namespace klv {
namespace {

const QString kParVin = QStringLiteral("PAR_VIN");

QString text(const QVariant& v) { return v.isNull() ? QString() : v.toString(); }

QString whereParte(bool conFormulario) {
    return QStringLiteral("TIP_DOC_D = ? AND DOC_ID_D = ? AND TIP_DOC_P = ? AND DOC_ID_P = ?") +
           (conFormulario ? QStringLiteral(" AND FORMULARIO = ?") : QString());
}

const schema::Table& parVin() {
    static const schema::Table& t = schema::table(kParVin);
    return t;
}

// The columns written from the merged row: all of the description but cnumero, the last.
int valueColumns() { return static_cast<int>(parVin().columns.size()) - 1; }

int pos(const char* column) {
    const int p = PartyColumns::position(QString::fromLatin1(column));
    if (p < 0) throw std::logic_error(std::string("PAR_VIN has no column ") + column);
    return p;
}

// "?1, ?2, ..., ?n"
QString numbered(int n) {
    QStringList marks;
    for (int i = 1; i <= n; ++i) marks << QStringLiteral("?%1").arg(i);
    return marks.join(QStringLiteral(", "));
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

int PartyColumns::position(const QString& column) {
    const auto& cols = parVin().columns;
    for (size_t i = 0; i < cols.size(); ++i)
        if (cols[i].name.compare(column, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    return -1;
}

void PartyColumns::set(const QString& column, const QVariant& value) {
    const int p = position(column);
    if (p < 0) throw DbError(DbErr::UnknownColumn, QStringLiteral("PAR_VIN no tiene la columna ") + column);
    set(p, value);
}

void PartyColumns::set(int position, const QVariant& value) {
    if (items_.empty()) items_.reserve(parVin().columns.size());
    for (auto& item : items_) {
        if (item.first == position) {
            item.second = value;
            return;
        }
    }
    items_.emplace_back(position, value);
}

// The statements of a writer, each prepared on its first use. The row is written with every
// column of the description and its control number computed by the engine over the same values.
struct PartyWriter::Statements {
    explicit Statements(const Database& db) {
        const auto& cols = parVin().columns;
        const int n = valueColumns();
        QStringList names, sets;
        for (int i = 0; i < n; ++i) {
            names << cols[static_cast<size_t>(i)].name;
            sets << QStringLiteral("%1 = ?%2").arg(cols[static_cast<size_t>(i)].name).arg(i + 1);
        }
        const QString number = numeroControlSqlParametros(kParVin, 4);
        select = QStringLiteral("SELECT rowid, ") + names.join(QStringLiteral(", ")) + QStringLiteral(" FROM PAR_VIN WHERE ");
        const QString insertSql = QStringLiteral("INSERT INTO PAR_VIN (%1, cnumero) VALUES (%2, %3)")
                                      .arg(names.join(QStringLiteral(", ")), numbered(n), number);
        insert = std::make_unique<PreparedStatement>(db, insertSql);
        // A stored row with the key (a constraint of uniqueness, nothing else) makes it add nothing.
        insertNew = std::make_unique<PreparedStatement>(db, insertSql + QStringLiteral(" ON CONFLICT DO NOTHING"));
        update = std::make_unique<PreparedStatement>(
            db, QStringLiteral("UPDATE PAR_VIN SET %1, cnumero = %2 WHERE rowid = ?%3")
                    .arg(sets.join(QStringLiteral(", ")), number)
                    .arg(n + 1));
    }
    QString select;
    std::unique_ptr<RowCursor> find, findAny, orphans;
    std::unique_ptr<PreparedStatement> insert, insertNew, update, deleteTypes, deleteTypesAny, insertType;
};

PartyWriter::PartyWriter(Database& db, Guard guard) : db_(db), guard_(guard) {}

PartyWriter::~PartyWriter() = default;

PartyWriteResult PartyWriter::write(const PartyRowWrite& w) {
    static const int kTipDocD = pos("tip_doc_d"), kDocIdD = pos("doc_id_d"), kFormulario = pos("formulario"),
                     kTipDocP = pos("tip_doc_p"), kDocIdP = pos("doc_id_p"), kRazon = pos("razon_social"),
                     kNombre = pos("nom_par_vin"), kPaterno = pos("apepat_par_vin"), kMaterno = pos("apemat_par_vin");
    if (!st_) st_ = std::make_unique<Statements>(db_);
    std::optional<Transaction> tx;
    if (guard_ == Guard::PerCall || !db_.inTransaction()) tx.emplace(db_);
    const int n = valueColumns();

    // The given columns over `fila` (a stored row, or none), then the keys and the name.
    bool razonDada = false;
    const auto merge = [&](std::vector<QVariant>& fila) {
        for (const auto& [p, value] : w.columnas.items()) {
            if (p == kTipDocD || p == kDocIdD || p == kFormulario || p == kTipDocP || p == kDocIdP || p >= n) continue;
            fila[static_cast<size_t>(p)] = value;
            razonDada = razonDada || p == kRazon;
        }
        fila[static_cast<size_t>(kTipDocD)] = w.declarante.tipDocD;
        fila[static_cast<size_t>(kDocIdD)] = w.declarante.docIdD;
        fila[static_cast<size_t>(kFormulario)] = w.formulario;
        fila[static_cast<size_t>(kTipDocP)] = w.parte.tipDocP;
        fila[static_cast<size_t>(kDocIdP)] = w.parte.docIdP;
        if (w.razonSocialDeNombres && !razonDada) {
            auto name = [&fila](int p) { return text(fila[static_cast<size_t>(p)]).trimmed(); };
            fila[static_cast<size_t>(kRazon)] =
                (name(kPaterno) + QLatin1Char(' ') + name(kMaterno) + QStringLiteral(", ") + name(kNombre)).left(120);
        }
    };
    const auto run = [&](PreparedStatement& s, const std::vector<QVariant>& fila) {
        for (int i = 0; i < n; ++i) s.bindValue(i, fila[static_cast<size_t>(i)]);
        return s.run();
    };

    // Asked before the row is written: a party added has no type rows to delete when none of the
    // declarant's is left without its party.
    const bool sinHuerfanos = w.tipos && sinTiposHuerfanos(w);
    std::vector<QVariant> fila(static_cast<size_t>(n));
    merge(fila);
    // Without a stored row to read from (the name built from given names only, the row looked for
    // under the form code only) a new party is added at once, and a stored one found by its key.
    bool added = false;
    const int nombres[] = {kPaterno, kMaterno, kNombre};
    const bool nombresDados = std::all_of(std::begin(nombres), std::end(nombres),
                                          [&fila](int p) { return !text(fila[static_cast<size_t>(p)]).isEmpty(); });
    if (w.mode == PartyWriteMode::Insert) {
        run(*st_->insert, fila);
        added = true;
    } else if (w.mode == PartyWriteMode::Upsert && !w.anyFormulario && (razonDada || !w.razonSocialDeNombres || nombresDados)) {
        added = run(*st_->insertNew, fila) == 1;
    }
    if (!added) {
        // The stored row, by its row id, with its values in the description's order.
        const QVariantList params{w.declarante.tipDocD, textValue(w.declarante.docIdD), w.parte.tipDocP,
                                  textValue(w.parte.docIdP), textValue(w.formulario)};
        std::unique_ptr<RowCursor>& find = w.anyFormulario ? st_->findAny : st_->find;
        if (!find) {
            find = std::make_unique<RowCursor>(
                db_, st_->select + whereParte(!w.anyFormulario) +
                         (w.anyFormulario ? QStringLiteral(" ORDER BY (FORMULARIO = ?) DESC, FORMULARIO LIMIT 1")
                                          : QStringLiteral(" LIMIT 1")),
                params);
        } else {
            find->rerun(params);
        }
        if (find->next()) {
            const qint64 rowid = find->integer(0);
            for (int i = 0; i < n; ++i) fila[static_cast<size_t>(i)] = find->value(i + 1);
            find->next();  // ends the run
            razonDada = false;
            merge(fila);
            st_->update->bindInt(n, rowid);
            run(*st_->update, fila);
        } else if (w.mode == PartyWriteMode::Update) {
            throw DbError(DbErr::NoCurrentRecord, QStringLiteral("El informado ya no está registrado."));
        } else {
            run(*st_->insert, fila);
            added = true;
        }
    }
    if (w.tipos) escribirTipos(w, added && sinHuerfanos);
    if (tx) tx->commit();
    stamp_ = db_.writeStamp();
    return added ? PartyWriteResult::Added : PartyWriteResult::Updated;
}

bool PartyWriter::sinTiposHuerfanos(const PartyRowWrite& w) {
    if (guard_ != Guard::Caller || !db_.inTransaction() || w.anyFormulario) return false;
    const Database::WriteStamp ahora = db_.writeStamp();
    // Rows written on this connection by another hand since the last write, or a commit of another
    // program between two transactions: what was read may no longer hold.
    if (huerfanos_ && !(ahora == stamp_) && (ahora.rows != stamp_.rows || db_.othersCommits() != otros_))
        huerfanos_.reset();
    if (huerfanos_ && huerfanos_->tipDocD == w.declarante.tipDocD && huerfanos_->docIdD == w.declarante.docIdD &&
        huerfanos_->formulario == w.formulario)
        return huerfanos_->ninguno;
    const QVariantList params{w.declarante.tipDocD, textValue(w.declarante.docIdD), textValue(w.formulario)};
    if (!st_->orphans)
        st_->orphans = std::make_unique<RowCursor>(
            db_,
            QStringLiteral("SELECT 1 FROM TIP_VIN_PAR t WHERE t.TIP_DOC_D = ? AND t.DOC_ID_D = ? AND t.FORMULARIO = ? "
                           "AND NOT EXISTS (SELECT 1 FROM PAR_VIN p WHERE p.TIP_DOC_D = t.TIP_DOC_D AND "
                           "p.DOC_ID_D = t.DOC_ID_D AND p.FORMULARIO = t.FORMULARIO AND p.TIP_DOC_P = t.TIP_DOC_P AND "
                           "p.DOC_ID_P = t.DOC_ID_P) LIMIT 1"),
            params);
    else
        st_->orphans->rerun(params);
    const bool ninguno = !st_->orphans->next();
    st_->orphans->next();  // ends the run
    huerfanos_ = Huerfanos{w.declarante.tipDocD, w.declarante.docIdD, w.formulario, ninguno};
    otros_ = db_.othersCommits();
    return ninguno;
}

void PartyWriter::escribirTipos(const PartyRowWrite& w, bool sinTipos) {
    if (!sinTipos) {
        std::unique_ptr<PreparedStatement>& del = w.anyFormulario ? st_->deleteTypesAny : st_->deleteTypes;
        if (!del)
            del = std::make_unique<PreparedStatement>(db_, QStringLiteral("DELETE FROM TIP_VIN_PAR WHERE ") +
                                                               whereParte(!w.anyFormulario));
        del->bindInt(0, w.declarante.tipDocD);
        del->bindText(1, w.declarante.docIdD);
        del->bindInt(2, w.parte.tipDocP);
        del->bindText(3, w.parte.docIdP);
        if (!w.anyFormulario) del->bindText(4, w.formulario);
        del->run();
    }
    if (w.tipos->isEmpty()) return;
    if (!st_->insertType)
        st_->insertType = std::make_unique<PreparedStatement>(
            db_, QStringLiteral("INSERT INTO TIP_VIN_PAR (tip_doc_d, doc_id_d, formulario, tip_doc_p, doc_id_p, "
                                "cod_tip_vin, cnumero) VALUES (?1, ?2, ?3, ?4, ?5, ?6, %1)")
                     .arg(numeroControlSqlParametros(QStringLiteral("TIP_VIN_PAR"), 4)));
    PreparedStatement& ins = *st_->insertType;
    ins.bindInt(0, w.declarante.tipDocD);
    ins.bindText(1, w.declarante.docIdD);
    ins.bindText(2, w.formulario);
    ins.bindInt(3, w.parte.tipDocP);
    ins.bindText(4, w.parte.docIdP);
    const QStringList& tipos = *w.tipos;
    for (qsizetype k = 0; k < tipos.size(); ++k) {
        const QString codigo = tipos[k].trimmed();
        bool visto = codigo.isEmpty();
        for (qsizetype j = 0; j < k && !visto; ++j) visto = tipos[j].trimmed() == codigo;
        if (visto) continue;
        ins.bindText(5, codigo);
        ins.run();
    }
}

PartyWriteResult escribirFilaInformado(Database& db, const PartyRowWrite& w) { return PartyWriter(db).write(w); }

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

        PartyColumns& c = w.columnas;
        c.set(QStringLiteral("cod_par"), st.cboCodPais.left(4).trimmed());
        c.set(QStringLiteral("flag_par_fis"), st.sParFis);
        const QString natJur = st.sNatJur.trimmed();
        const QString codNatJur = natJur == QLatin1String("N")   ? QStringLiteral("1")
                                  : natJur == QLatin1String("J") ? QStringLiteral("2")
                                  : natJur == QLatin1String("O") ? QStringLiteral("9")
                                                                 : QString();
        c.set(QStringLiteral("cod_nat_jur"), codNatJur);
        if (!st.txtNatJurO.trimmed().isEmpty()) c.set(QStringLiteral("otr_nat_jur"), st.txtNatJurO.trimmed());
        c.set(QStringLiteral("flag_par_vin"), st.sParVin == QLatin1String("S") ? QStringLiteral("01") : QStringLiteral("02"));
        const QString flagConDom = st.sConDom == QLatin1String("1") ? QStringLiteral("01") : QStringLiteral("02");
        c.set(QStringLiteral("flag_con_dom"), flagConDom);
        const QString razon = !st.txtRazSoc.trimmed().isEmpty()
                                  ? st.txtRazSoc.toUpper()
                                  : st.txtApellidoP.toUpper() + QLatin1Char(' ') + st.txtApellidoM.toUpper() +
                                        QStringLiteral(", ") + st.txtNombre.toUpper();
        c.set(QStringLiteral("razon_social"), razon.left(120));
        if (!st.txtNombre.trimmed().isEmpty()) c.set(QStringLiteral("nom_par_vin"), st.txtNombre.trimmed());
        const auto apellido = [](const QString& s) {
            const QString t = s.trimmed().toUpper();
            return t.isEmpty() ? QStringLiteral(" ") : t;
        };
        c.set(QStringLiteral("apepat_par_vin"), apellido(st.txtApellidoP));
        c.set(QStringLiteral("apemat_par_vin"), apellido(st.txtApellidoM));

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
            c.set(QStringLiteral("fec_nac"), fecNac);
            c.set(QStringLiteral("tip_dir_legal"), tipo.isEmpty() ? QVariant() : QVariant(tipo));
            c.set(QStringLiteral("des_dir_legal"), dir.isEmpty() ? QVariant() : QVariant(dir));
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
