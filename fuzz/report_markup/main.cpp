// Fuzz target of the report-markup reader: the bytes of a whole report file.
#include "markup_document.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto doc = klv::markup::readMarkup(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    (void)klv::markup::previewCanvases(doc, klv::markup::PageRange{2, 3});
    return 0;
}
