// Fuzz target of one line of the transaction file RUC.TXT (Windows-1252, up to its first line
// break; a first byte that is odd takes the layout before 2012): checked and written as the import
// does, on a laid database with the demo's parties. What a line writes is rolled back.
#include "fuzz_environment.h"
#include "transaction_import.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    klv::test::Environment& env = klv::fuzz::environment();
    static const klv::import::ReferenceCache ref(env.db());
    QByteArray bytes(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1));
    bytes.truncate(bytes.indexOf('\n') < 0 ? bytes.size() : bytes.indexOf('\n'));
    bytes.truncate(bytes.indexOf('\r') < 0 ? bytes.size() : bytes.indexOf('\r'));
    const auto kind = data[0] % 2 ? klv::import::ImportKind::TransaccionesAntes2012
                                  : klv::import::ImportKind::Transacciones2012;
    const klv::import::ImportRequest req{kind, klv::fuzz::kRuc, QString(), QStringLiteral("2015"), QStringLiteral("1"),
                                         QStringLiteral("1"), QString(), env.ctx().gRptPath};
    const klv::fuzz::Undo undo;
    try {
        klv::import::TransactionImporter importer(env.ctx(), req, ref);
        (void)importer.importarLinea(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    } catch (const klv::DbError&) {
        // The import stops the run with its message.
    }
    return 0;
}
