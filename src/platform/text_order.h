#pragma once
// The order of names in every list of the system, one order in C++ and in SQL, as the host's
// database orders its texts: letters without case, an accented letter beside its base letter
// ("ÁFRICA" with the A's, "ÑANDÚ" with the N's). Of two texts that differ only in accents the
// unaccented one comes first; texts that differ only in case are equal (callers that need a fixed
// order among equal names add their own tie-breaker, or sort stably).
//
// For SQL, the database door registers this order on every connection as the collation KLV_TEXT:
//   SELECT ... ORDER BY RAZON_SOCIAL COLLATE KLV_TEXT

#include <QString>

namespace klv {

// Name of the collation registered on every connection of klv::Database.
inline constexpr const char* kTextCollation = "KLV_TEXT";

// Negative, zero or positive as a sorts before, equal to or after b.
int compareText(const QString& a, const QString& b);
inline bool textLess(const QString& a, const QString& b) { return compareText(a, b) < 0; }

// The same comparison over UTF-8 bytes (what the SQL collation receives).
int compareTextUtf8(const char* a, int lengthA, const char* b, int lengthB);

}  // namespace klv
