// What scripts/kill-reports drives and checks (not part of the test run):
//   report_driver lay ROOT N            lays a host environment in ROOT with the module installed and a
//                                       saved declaration of N transactions (the demo company, 2007)
//   report_driver print preliminar|imprimir
//                                       QM8027's print dialog on a window's context (the engine owns the
//                                       connection, as in the program): the declaration chosen and its
//                                       "Preliminar" (the page-range dialog not shown) or "Imprimir"
//                                       (into the PDF KLV_PRINT_PDF names); status 0 when it wrote the
//                                       report and, for "Imprimir", printed it
//   report_driver check                 what a kill may leave: prints "rows R numbered F temp T empty E"
//                                       (SPOOL rows, numbered report files, temporary ones, rows whose
//                                       file is empty) and one
//                                       line per fault, status 1 when there is one (a SPOOL row naming a
//                                       missing file, a report file that is neither empty nor whole, a
//                                       name given twice, a database that fails its integrity check)
// print and check find the environment through KLV_WINDIR (ROOT/windir), as the programs do.
#include "app_context.h"
#include "database.h"
#include "engine.h"
#include "frm_impxpag.h"
#include "frm_imprimir.h"
#include "host_env.h"
#include "installer.h"
#include "message_service.h"
#include "startup.h"
#include "status_panels.h"
#include "utilitarios.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <cstdio>

using namespace klv;

namespace {

const QString kRuc = QString::fromLatin1(host::kDemoRucEmpresa);
const QString kPeriodo = QStringLiteral("2007");

int fail(const QString& why) {
    std::fprintf(stderr, "report_driver: %s\n", qPrintable(why));
    return 2;
}

// The module's tables and a saved declaration of n transactions: a third each without method, by
// traditional methods and by other methods, a hundred per informed party, each with two types.
int lay(const QString& root, int n) {
    QDir().mkpath(root);
    QString error;
    if (!host::initEnvironment(root, &error)) return fail(error);
    const QString sysPath = host::sysPathOf(root);
    if (!installer::writeEnvFile(sysPath, &error)) return fail(error);
    HeadlessMessageService messages;
    try {
        auto db = Database::open(sysPath + QString::fromLatin1(host::kDbName));
        installer::Installer inst(messages);
        if (!inst.run(*db, sysPath)) return fail(QStringLiteral("the installer did not complete"));
        Transaction t(*db);
        const QString numbers = QStringLiteral("WITH RECURSIVE N(I) AS (SELECT 0 UNION ALL SELECT I+1 FROM N WHERE I<?-1) ");
        db->exec(numbers + QStringLiteral(
                     "INSERT INTO PAR_VIN (TIP_DOC_D, DOC_ID_D, FORMULARIO, TIP_DOC_P, DOC_ID_P, COD_PAR, FLAG_PAR_FIS,"
                     " COD_NAT_JUR, FLAG_PAR_VIN, FLAG_CON_DOM, RAZON_SOCIAL, CNUMERO)"
                     " SELECT 6, ?, '8027', 6, CAST(20100000000 + I / 100 AS TEXT), '9589', '0', '2', '01', '01',"
                     " 'INFORMADO ' || (? - I) || ' S.A.', '666666' FROM N WHERE I % 100 = 0"),
                 {n, kRuc, n});
        db->exec(numbers + QStringLiteral(
                     "INSERT INTO TRANSACCION2 (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P,"
                     " COR_TRANSACCION, FLAG_VAL_MET, IND_TRANSAC_FIN, COD_TIP_MONEDA, MTO_SIN_TRAN_MON_ORI,"
                     " MTO_SIN_TRAN_MON_REG, MTO_TRAN_MON_ORI, MTO_SIN_AJU_PR, MTO_AJU_PR, MTO_TRA_MON_ORI,"
                     " MTO_TRA_MON_REG, MTO_AJU_RES_POS_REG, MTO_AJU_RES_NEG_REG, MET_VAL, PAR_ANALIZADA, CNUMERO)"
                     " SELECT 6, ?, ?, '8027', 6, CAST(20100000000 + I / 100 AS TEXT), I % 100 + 1,"
                     " CASE I % 3 WHEN 0 THEN '00' WHEN 1 THEN '01' ELSE '02' END, '0', '01',"
                     " 1000 + I % 997, 1000 + I % 997, 1000 + I % 997, 1000 + I % 997, 1100 + I % 991,"
                     " 1000 + I % 997, 1100 + I % 991, '0', '0', 'MP', 'A', '666666' FROM N"),
                 {n, kRuc, kPeriodo});
        db->exec(QStringLiteral(
                     "INSERT INTO TRATIPTRA2 (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P,"
                     " COR_TRANSACCION, COD_TIP_TRANSACCION, MONTO_TRANSACCION, CNUMERO)"
                     " SELECT TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P, COR_TRANSACCION, C.K,"
                     " MTO_SIN_TRAN_MON_ORI, '666666' FROM TRANSACCION2, (SELECT '05' AS K UNION ALL SELECT '07') C"));
        db->exec(QStringLiteral("INSERT INTO IDENTIFICA2 (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, AUTCONTEXT, ESTTECPT,"
                                " RUC, CNUMERO) VALUES (6, ?, ?, '8027', '0', '0', '', '666666')"),
                 {kRuc, kPeriodo});
        db->exec(QStringLiteral("INSERT INTO CAB (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, NROCHEQUE, FEC_PRO, ESTADO,"
                                " RECTIFICA, CNUMERO) VALUES (6, ?, ?, '8027', '1.4', '01/01/2008', 0, '0', '666666')"),
                 {kRuc, kPeriodo});
        t.commit();
        db->exec(QStringLiteral("ANALYZE"));
    } catch (const DbError& e) {
        return fail(e.text());
    }
    return 0;
}

// The print dialog as the main window's Imprimir opens it.
int print(bool preview) {
    HeadlessMessageService messages;
    AppContext ctx;
    StatusPanels panels;
    SystemClock clock;
    Utilitarios util;
    ctx.messages = &messages;
    ctx.panels = &panels;
    ctx.clock = &clock;
    ctx.gUtil = &util;
    QString why;
    if (!udp_LeerIni(ctx, &why)) return fail(why);
    if (!udf_AbrirBaseDatos(ctx)) return fail(QStringLiteral("the database did not open"));
    int status = 1;
    {
        FrmImprimir dialog(ctx);
        dialog.showRangeDialog = [](FrmImpxPag&) {};
        dialog.show();
        const QString pdf = qEnvironmentVariable("KLV_PRINT_PDF");
        if (!preview && pdf.isEmpty()) return fail(QStringLiteral("KLV_PRINT_PDF names no file"));
        if (!preview) QFile::remove(pdf);
        // The declaration laid is the only one listed.
        if (dialog.rowCount() != 1) return fail(QStringLiteral("%1 declarations listed").arg(dialog.rowCount()));
        dialog.selectRow(0);
        dialog.CmdImprimir_Click(preview ? 0 : 1);
        if (messages.count() == 0 && (preview || QFileInfo(pdf).size() > 0)) status = 0;
    }
    ctx.engine.reset();
    return status;
}

// A report file named by a SPOOL row is empty (created with its row) or whole: 8027REP's summary
// ends with its submission line, the declaration print with the last of its totals.
bool whole(const QString& codRep, const QByteArray& bytes) {
    if (!bytes.endsWith("\r\n")) return false;
    const QList<QByteArray> lines = bytes.left(bytes.size() - 2).split('\n');
    const QByteArray last = lines.constLast();
    if (codRep == QLatin1String("PTR001")) return lines.size() == 29 && last.contains("NC ");
    if (codRep == QLatin1String("PTR002")) return last.contains("MONTO DE AJUSTE NEGATIVO");
    return true;
}

int check() {
    HeadlessMessageService messages;
    AppContext ctx;
    QString why;
    if (!udp_LeerIni(ctx, &why)) return fail(why);
    const QString rpt = ctx.gRptPath + QLatin1Char('/');
    QStringList faults;
    int rows = 0, empty = 0;
    try {
        auto db = Database::open(ctx.gDBFile);
        const QString integrity = db->scalar(QStringLiteral("PRAGMA integrity_check")).toString();
        if (integrity != QLatin1String("ok")) faults << QStringLiteral("integrity: ") + integrity;
        QSet<QString> seen;
        Query q = db->exec(QStringLiteral("SELECT CodRep, Archivo FROM SPOOL ORDER BY Archivo"));
        while (q.next()) {
            ++rows;
            const QString codRep = q.value(0).toString().trimmed();
            const QString archivo = q.value(1).toString();
            if (seen.contains(archivo)) faults << QStringLiteral("name given twice: ") + archivo;
            seen.insert(archivo);
            QFile f(rpt + archivo);
            if (!QFileInfo(f.fileName()).isFile() || !f.open(QIODevice::ReadOnly)) {
                faults << QStringLiteral("row without its file: ") + archivo;
                continue;
            }
            const QByteArray bytes = f.readAll();
            if (bytes.isEmpty()) ++empty;
            else if (!whole(codRep, bytes))
                faults << QStringLiteral("file neither empty nor whole: %1 (%2, %3 bytes)").arg(archivo, codRep).arg(bytes.size());
        }
    } catch (const DbError& e) {
        faults << QStringLiteral("database: ") + e.text();
    }
    static const QRegularExpression numbered(QStringLiteral("^[0-9]{8}\\.PRN$"));
    static const QRegularExpression temp(QStringLiteral("^[0-9]{8}\\.PRN\\.[A-Za-z0-9]{6}$"));
    int files = 0, temps = 0;
    for (const QString& n : QDir(rpt).entryList(QDir::Files | QDir::Hidden)) {
        if (numbered.match(n).hasMatch()) ++files;
        if (temp.match(n).hasMatch()) ++temps;
    }
    std::printf("rows %d numbered %d temp %d empty %d\n", rows, files, temps, empty);
    for (const QString& f : faults) std::printf("FAULT %s\n", qPrintable(f));
    return faults.isEmpty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const QStringList args = [&] {
        QStringList a;
        for (int i = 1; i < argc; ++i) a << QString::fromLocal8Bit(argv[i]);
        return a;
    }();
    const QString mode = args.value(0);
    if (mode == QLatin1String("lay") && args.size() == 3) {
        QCoreApplication app(argc, argv);
        return lay(args[1], args[2].toInt());
    }
    if (mode == QLatin1String("check")) {
        QCoreApplication app(argc, argv);
        return check();
    }
    if (mode == QLatin1String("print") && args.size() == 2 &&
        (args[1] == QLatin1String("preliminar") || args[1] == QLatin1String("imprimir"))) {
        prepareProgramEnvironment();
        QApplication app(argc, argv);
        return print(args[1] == QLatin1String("preliminar"));
    }
    return fail(QStringLiteral("usage: report_driver lay ROOT N | print preliminar|imprimir | check"));
}
