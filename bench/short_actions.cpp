// What a short action of a form costs, in microseconds, on a laid environment with a small
// declaration (20 parties of the declarant, 200 stored transactions in its working copy):
//   form_load_us          the transaction form's Form_Load in mode "Nuevo", as the declaration
//                         form opens it (the form built and its caller and declaration set first,
//                         untimed)
//   party_type_click_us   the transaction form's party-type combo click (CboTipDocP_Click: the
//                         declarant's parties of the type chosen, read and listed)
// Each is repeated (after a few untimed runs) and the median printed, one "name value" line each.
// The program builds against the code where the forms read the database directly and against the
// code where they hand each read to the engine's thread: scripts/bench-short builds both, runs them
// alternately and prints the difference.
//   build: cmake -DCMAKE_BUILD_TYPE=Release -DKLV_BUILD_BENCH=ON ... && cmake --build . --target short_actions
//   run:   bin/short_actions [REPETITIONS]
#include "app_context.h"
#include "database.h"
#include "frm_transacciones.h"
#include "host_env.h"
#include "message_service.h"
#include "status_panels.h"
#include "utilitarios.h"

#include "laid_environment.h"
#include "raw_sqlite.h"

#if __has_include("engine.h")
#include "engine.h"
#define KLV_SHORT_ACTIONS_ENGINE 1
#endif

#include <QApplication>
#include <QComboBox>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

using namespace klv;
using namespace klv::bench;
using Clock = std::chrono::steady_clock;

const char* const kRuc = "20601234565";
const char* const kPeriodo = "2016";

class Quiet : public MessageService {
public:
    int show(const QString& text, int style, const QString&) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return defaultAnswerOfStyle(style);
    }
};

// The parties and the working transactions of a small declaration, written raw.
void smallDeclaration(sqlite3* db) {
    rawExec(db, "BEGIN");
    RawStatement p(db, "INSERT INTO PAR_VIN (TIP_DOC_D, DOC_ID_D, FORMULARIO, TIP_DOC_P, DOC_ID_P, COD_PAR, FLAG_PAR_FIS,"
                       " COD_NAT_JUR, FLAG_PAR_VIN, FLAG_CON_DOM, RAZON_SOCIAL, CNUMERO)"
                       " VALUES (6, ?1, '8027', 6, ?2, '9589', '0', '2', '01', '01', ?3, '666666')");
    RawStatement t(db, "INSERT INTO TMPTRANSACCION2 (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P,"
                       " COR_TRANSACCION, FLAG_VAL_MET, IND_TRANSAC_FIN, COD_TIP_MONEDA, MTO_SIN_TRAN_MON_ORI,"
                       " MTO_SIN_TRAN_MON_REG, CNUMERO) VALUES (6, ?1, ?2, '8027', 6, ?3, ?4, '00', '0', '01', ?5, ?5, '666666')");
    const QByteArray ruc(kRuc), periodo(kPeriodo);
    for (int i = 0; i < 200; ++i) {
        const QByteArray party = QByteArray::number(20100000000LL + i / 10);
        if (i % 10 == 0) p.text(1, ruc).text(2, party).text(3, "INFORMADO " + QByteArray::number(i / 10) + " S.A.").run();
        t.text(1, ruc).text(2, periodo).text(3, party).integer(4, i % 10 + 1).text(5, QByteArray::number(1000 + i)).run();
    }
    rawExec(db, "INSERT INTO IDENTIFICA2 (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, AUTCONTEXT, ESTTECPT, RUC, CNUMERO)"
                " VALUES (6, '20601234565', '2016', '8027', '0', '0', '', '666666')");
    rawExec(db, "COMMIT");
    rawExec(db, "ANALYZE");
}

// The median of `times` runs of `action` (after `warm` untimed ones), in microseconds; `before`
// runs untimed ahead of each.
double medianUs(int warm, int times, const std::function<void()>& before, const std::function<void()>& action) {
    std::vector<double> us;
    for (int i = 0; i < warm + times; ++i) {
        before();
        const auto t0 = Clock::now();
        action();
        const double took = std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
        if (i >= warm) us.push_back(took);
    }
    std::sort(us.begin(), us.end());
    return us[us.size() / 2];
}

int run(int repetitions) {
    QTemporaryDir dir;
    Quiet messages;
    FixedClock clock{QDate(2026, 12, 8)};
    StatusPanels panels;
    Utilitarios util;
    AppContext ctx;
    ctx.gDB = layEnvironment(dir, messages);
    ctx.gSysPath = host::sysPathOf(dir.path());
    ctx.gRptPath = ctx.gSysPath + QStringLiteral("RPT");
    ctx.gDBFile = ctx.gDB->path();
    ctx.gSysUser = QString::fromLatin1(host::kDemoUser);
    ctx.gAutContExt = QStringLiteral("0");
    ctx.messages = &messages;
    ctx.clock = &clock;
    ctx.panels = &panels;
    ctx.gUtil = &util;
    smallDeclaration(ctx.db().sqliteHandle());
    // What the declaration form has published when it opens the transaction form.
    panels.setPanelRuc(QString::fromLatin1(kRuc));
    panels.setPanelPeriodo(QString::fromLatin1(kPeriodo));

#ifdef KLV_SHORT_ACTIONS_ENGINE
    // The form's context as QM8027's window has it: no connection, the engine in its place.
    AppContext window;
    window.globals() = ctx.globals();
    window.messages = ctx.messages;
    window.clock = ctx.clock;
    window.gUtil = ctx.gUtil;
    window.panels = ctx.panels;
    window.engine = Engine::open(ctx.gDBFile);
    ctx.gDB.reset();
    AppContext& formCtx = window;
#else
    // The form's context with its connection, on the window's thread.
    AppContext& formCtx = ctx;
#endif

    const OpenDeclaration decl{QString::fromLatin1(kRuc) + QStringLiteral("           EMPRESA DEMOSTRACION S.A.C."),
                               QString::fromLatin1(kPeriodo), QStringLiteral("0"), QStringLiteral("0")};
    std::unique_ptr<FrmTransacciones> form;
    const auto fresh = [&] {
        form.reset();
        form = std::make_unique<FrmTransacciones>(formCtx);
        form->udp_Modo_Accion(QStringLiteral("Nuevo"));
        form->udp_Def_Caller(QStringLiteral("Frm_KLV_Declara"), decl.answer2);
        form->setDeclaration(decl, nullptr);
    };
    const double load = medianUs(5, repetitions, fresh, [&] {
        if (!form->Form_Load()) throw std::runtime_error("the transaction form did not load");
    });

    fresh();
    form->Form_Load();
    auto* types = form->findChild<QComboBox*>(QStringLiteral("CboTipDocP"));
    auto* docs = form->findChild<QComboBox*>(QStringLiteral("CboDocIdP"));
    const int ruc = types->findText(QStringLiteral("06"), Qt::MatchStartsWith);
    if (ruc < 0) throw std::runtime_error("no document type 06");
    types->setCurrentIndex(ruc);
    const double click = medianUs(20, repetitions * 10, [] {}, [&] { form->CboTipDocP_Click(); });
    if (docs->count() != 20) throw std::runtime_error("the party-type click did not list the 20 parties");
    form.reset();

    std::printf("form_load_us %.1f\nparty_type_click_us %.1f\n", load, click);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    prepareProgramEnvironment();
    QApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::atoi(argv[1]) : 50;
    try {
        return run(std::max(1, repetitions));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "short_actions: %s\n", e.what());
        return 1;
    }
}
