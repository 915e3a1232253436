// Fuzz target of one line of the related-party file RUC.ifm (Windows-1252, up to its first line
// break): its fields read and checked as the import does, on a laid database. Nothing is written.
#include "fuzz_environment.h"
#include "party_import.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    klv::test::Environment& env = klv::fuzz::environment();
    static const klv::import::ReferenceCache ref(env.db());
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    bytes.truncate(bytes.indexOf('\n') < 0 ? bytes.size() : bytes.indexOf('\n'));
    bytes.truncate(bytes.indexOf('\r') < 0 ? bytes.size() : bytes.indexOf('\r'));
    klv::import::PartyFields fields;
    if (klv::import::leerLineaInformado(env.ctx(), ref, klv::cp1252::decode(bytes), fields).isEmpty())
        (void)klv::import::validaLineaInformado(fields);
    return 0;
}
