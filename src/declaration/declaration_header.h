#pragma once
// The identification tab of the declaration form: the texts of its questions and messages, the
// declarant's names as the tab shows them, and the technical study attached to a declaration (the
// host's row of EFCONTROLNS that the import dialog records).

#include "app_context.h"
#include "keys.h"

#include <QString>

namespace klv {

// Question 1, foreign-currency accounts (the runs of blanks break the label's lines).
inline const QString kPreguntaAutoMonExt =
    QStringLiteral("1 - ¿ Está autorizado a llevar contabilidad         en moneda extranjera ? ");
// Question 2 before 2012 (the wording the form is designed with).
inline const QString kPreguntaEstTecLarga = QStringLiteral(
    "2 - ¿ Está obligado a contar con  Estudio Técnico de Precios de                 Transferencia; por "
    "transacciones distintas a las realizadas desde             hacia o a través de Países o Territorios "
    "considerados de Baja o             Nula imposición?");
// Question 2 from 2012, as the opening of the form sets it and as a change of the period sets it.
inline const QString kPreguntaEstTecCortaApertura = QStringLiteral(
    "2- ¿Está obligado a presentar el Estudio Técnico de Precios de                  Transferencia?");
inline const QString kPreguntaEstTecCorta =
    QStringLiteral("2- ¿Está obligado a presentar el Estudio Técnico de Precios de Transferencia?");
// Question 3, the RUC of the study's author.
inline const QString kPreguntaRucAutor = QStringLiteral(
    "3 - Ingrese RUC de la consultora o profesional independiente que formuló el Estudio Técnico de "
    "Precios de                        Transferencia del declarante. (Si el estudio fue formulado por el "
    "declarante, ingresar el número RUC del declarante).");
// Question 4, the attached study, and the rectification question (from 2012).
inline const QString kPreguntaRutaEstudio = QStringLiteral("4 - Ruta del Estudio Técnico de Precios de Transferencia");
inline const QString kPreguntaRectificatoria = QStringLiteral("¿La presente declaración rectifica o sustituye a otra?");

inline const QString kMsgDeclaracionExiste = QStringLiteral(
    "La declaración que desea ingresar ya existe, elija la opción Modificar formularios o corrija el periodo");
inline const QString kMsgRecuerdeRectificar = QStringLiteral(
    "Recuerde que debe consignar la información en todos los campos, inclusive aquellos que no está rectificando.");
inline const QString kMsgGuardarCambios = QStringLiteral("¿Ha realizado modificaciones, desea guardar los cambios?");
inline const QString kMsgConfirmaEliminar = QStringLiteral("¿Confirma que va a eliminar la información?");
inline const QString kMsgEnDesarrollo = QStringLiteral("En Desarrollo.");

// The declarant's row of CONT as the tab shows it.
struct DeclarantNames {
    bool found = false;
    int tipoIngreso = 0;  // 1: a company (one name); anything else: a person (names and surnames)
    QString nombre;       // CONT.Nombre: the name that goes to the status bar
    QString nombre1, apellidoP, apellidoM;
    bool empresa() const { return tipoIngreso == 1; }
};

// The declarant (document type 6) of that RUC; with ownOnly, a user whose type does not read as 0
// only finds the taxpayers that are his own (CONT.Usuario). NULL names read as the empty text.
DeclarantNames readDeclarant(const AppContext& ctx, const QString& ruc, bool ownOnly = true);

// The technical study recorded for a declaration (EFCONTROLNS, submission week 0, TAB_D 'PDF').
struct AttachedStudy {
    bool found = false;
    QString rutArc;  // folder of the file, ending with its separator
    QString nomarc;  // name of the file
    QString tamarc;  // its size in bytes
};
AttachedStudy readAttachedStudy(const AppContext& ctx, const DeclarationKey& key);
// What the form shows of a recorded study (TxtRuta): its folder and its name, so that the name
// reads from the box's end; the empty text when the recorded folder is empty or blank: a row
// without a folder attaches no study (the box's emptiness is what the checks judge).
QString attachedStudyPath(const AttachedStudy& study);
// Forgets the study recorded for the declaration; nothing recorded is no failure. Throws DbError.
void deleteAttachedStudy(const AppContext& ctx, const DeclarationKey& key);

}  // namespace klv
