#pragma once
// The checks of the page-range dialog, in their order. The boxes are read as the leading number of
// their text; the pages chosen are rounded to whole pages (a half goes to the even neighbour).

#include "markup_document.h"

#include <QString>
#include <variant>

namespace klv {

// Either the range to show or the message that refuses the input.
using PageRangeCheck = std::variant<markup::PageRange, QString>;

// desde, hasta: the texts of the start and end boxes; total: the pages of the report. An end page
// beyond what a page number can hold is taken as the last page.
PageRangeCheck checkPageRange(const QString& desde, const QString& hasta, int total);

}  // namespace klv
