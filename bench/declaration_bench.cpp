// The declaration's bulk work on a declaration of many transactions: rebuilding the working copy
// from the stored tables, the checks that walk every working row, and the save.
//   build: cmake -DKLV_BUILD_BENCH=ON ... && cmake --build . --target declaration_bench
//   run:   bin/declaration_bench [--benchmark_filter=...]
#include "amount_checks.h"
#include "app_context.h"
#include "database.h"
#include "declaration_save.h"
#include "schema.h"
#include "totals.h"
#include "working_copy.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

namespace {

using namespace klv;

const QString kRuc = QStringLiteral("20601234565");
const QString kPeriodo = QStringLiteral("2015");

class NullMessages : public MessageService {
public:
    int show(const QString&, int style, const QString&) override { return defaultAnswerOfStyle(style) == MsgAnswer::No ? MsgAnswer::Yes : defaultAnswerOfStyle(style); }
};

// A database with the module's and the host's tables and one declaration of n transactions (by
// thirds without method, traditional and other methods, each with two transaction types) stored
// in `table` and its type rows in `typeTable`.
struct Fixture {
    QTemporaryDir dir;
    AppContext ctx;
    NullMessages messages;
    FixedClock clock{QDate(2026, 12, 8)};

    Fixture() {
        const QString file = dir.filePath(QStringLiteral("bench.db"));
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.close();
        ctx.gDB = Database::open(file);
        ctx.messages = &messages;
        ctx.clock = &clock;
        for (const auto& t : schema::moduleTables()) ctx.db().exec(schema::createStatement(t));
        for (const auto& t : schema::hostTables())
            if (!ctx.db().tableExists(t.name)) ctx.db().exec(schema::createStatement(t));
    }

    void fill(const QString& table, const QString& typeTable, int n) {
        Database& db = ctx.db();
        Transaction tx(db);
        QSqlQuery t = db.prepare(QStringLiteral(
            "INSERT INTO %1 (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P, COR_TRANSACCION, FLAG_VAL_MET,"
            " IND_TRANSAC_FIN, COD_TIP_MONEDA, MTO_SIN_TRAN_MON_ORI, MTO_SIN_TRAN_MON_REG, MTO_TRAN_MON_ORI, MTO_SIN_AJU_PR,"
            " MTO_AJU_PR, MTO_TRA_MON_ORI, MTO_TRA_MON_REG, MTO_AJU_RES_POS_REG, MTO_AJU_RES_NEG_REG, CNUMERO)"
            " VALUES (6, ?, ?, '8027', 6, ?, ?, ?, '0', '01', ?, ?, ?, ?, ?, ?, ?, '0', '0', '666666')")
                                     .arg(table));
        QSqlQuery y = db.prepare(QStringLiteral("INSERT INTO %1 (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, TIP_DOC_P, DOC_ID_P,"
                                                " COR_TRANSACCION, COD_TIP_TRANSACCION, MONTO_TRANSACCION, CNUMERO)"
                                                " VALUES (6, ?, ?, '8027', 6, ?, ?, ?, ?, '666666')")
                                     .arg(typeTable));
        for (int i = 0; i < n; ++i) {
            const QString party = QStringLiteral("P%1").arg(i / 100, 6, 10, QLatin1Char('0'));
            const int cor = i % 100 + 1;
            const QString amount = QString::number(1000 + i % 997);
            const QString flag = i % 3 == 0 ? QStringLiteral("00") : i % 3 == 1 ? QStringLiteral("01") : QStringLiteral("02");
            db.run(t, {kRuc, kPeriodo, party, cor, flag, amount, amount, amount, amount, amount, amount, amount});
            for (const char* code : {"05", "07"}) db.run(y, {kRuc, kPeriodo, party, cor, QString::fromLatin1(code), amount});
        }
        tx.commit();
    }

    DeclarationKey key() const { return DeclarationKey{6, kRuc, kPeriodo, QStringLiteral("8027")}; }
    DeclarationState state() const {
        DeclarationState st;
        st.cboNumDoc = kRuc;
        st.razonSocial = QStringLiteral("EMPRESA");
        st.periodo = kPeriodo;
        st.answer1 = QStringLiteral("0");
        st.answer2 = QStringLiteral("0");
        return st;
    }
};

void BM_RebuildWorkingCopy(benchmark::State& state) {
    Fixture fx;
    fx.fill(QStringLiteral("TRANSACCION2"), QStringLiteral("TRATIPTRA2"), static_cast<int>(state.range(0)));
    for (auto _ : state) udp_CargarTemps(fx.ctx, fx.key());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_AmountChecks(benchmark::State& state) {
    Fixture fx;
    fx.fill(QStringLiteral("TMPTRANSACCION2"), QStringLiteral("TMPTRATIPTRA"), static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(upd_TotalizarMtoTransacc(fx.ctx, 6, kPeriodo, kRuc, QString()));
        benchmark::DoNotOptimize(udf_Verificar_Montos(fx.ctx, fx.key()));
        benchmark::DoNotOptimize(udf_Verificar_Metodos_Montos(fx.ctx, fx.key()));
        benchmark::DoNotOptimize(udf_Verificar_Detalle_Montos(fx.ctx, fx.key()));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_SaveDeclaration(benchmark::State& state) {
    Fixture fx;
    fx.fill(QStringLiteral("TMPTRANSACCION2"), QStringLiteral("TMPTRATIPTRA"), static_cast<int>(state.range(0)));
    const DeclarationState st = fx.state();
    for (auto _ : state) escribirDeclaracion(fx.ctx, st, 0);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_RebuildWorkingCopy)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_AmountChecks)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveDeclaration)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
