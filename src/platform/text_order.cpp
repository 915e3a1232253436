#include "text_order.h"

#include <array>

namespace klv {
namespace {

// A character's place in the order: its base letter in lower case, and the accented letter
// itself (0 when it carries no accent) to tell "A" from "Á" once the base letters tie.
struct Weight {
    char32_t base;
    char32_t accent;
};

Weight computeWeight(char32_t c) {
    if (c < 0x80) return {c >= 'A' && c <= 'Z' ? c + 32 : c, 0};
    if (c > 0xFFFF) return {c, 0};
    const QChar lower = QChar(static_cast<char16_t>(c)).toLower();
    QChar base = lower;
    // "ǖ" is "ü" and a macron, "ü" is "u" and a diaeresis: follow the canonical forms down.
    while (base.decompositionTag() == QChar::Canonical) {
        const QString d = base.decomposition();
        if (d.isEmpty() || d.at(0) == base) break;
        base = d.at(0);
    }
    if (base == lower) return {lower.unicode(), 0};
    return {base.toLower().unicode(), lower.unicode()};
}

// Latin-1 and the Latin extensions, worked out once.
constexpr char32_t kTableEnd = 0x250;
const std::array<Weight, kTableEnd>& table() {
    static const std::array<Weight, kTableEnd> t = [] {
        std::array<Weight, kTableEnd> w{};
        for (char32_t c = 0; c < kTableEnd; ++c) w[c] = computeWeight(c);
        return w;
    }();
    return t;
}

inline Weight weight(char32_t c) {
    if (c < 0x80) return {c >= 'A' && c <= 'Z' ? c + 32 : c, 0};
    if (c < kTableEnd) return table()[c];
    return computeWeight(c);
}

// Code points of a UTF-16 text.
struct Utf16Reader {
    const char16_t* p;
    const char16_t* end;
    bool next(char32_t& c) {
        if (p == end) return false;
        c = *p++;
        if (c >= 0xD800 && c < 0xDC00 && p != end && *p >= 0xDC00 && *p < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (*p++ - 0xDC00);
        return true;
    }
};

// Code points of UTF-8 bytes; a byte that starts no valid sequence stands for itself.
struct Utf8Reader {
    const unsigned char* p;
    const unsigned char* end;
    bool next(char32_t& c) {
        if (p == end) return false;
        const unsigned char b = *p++;
        if (b < 0x80) {
            c = b;
            return true;
        }
        int more = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
        if (more < 0 || end - p < more) {
            c = b;
            return true;
        }
        char32_t v = b & (0x3F >> more);
        for (int i = 0; i < more; ++i) {
            if ((p[i] & 0xC0) != 0x80) {
                c = b;
                return true;
            }
            v = (v << 6) | (p[i] & 0x3F);
        }
        p += more;
        c = v;
        return true;
    }
};

template <class Reader>
int compareStreams(Reader a, Reader b) {
    int accents = 0;
    for (;;) {
        char32_t ca = 0, cb = 0;
        const bool moreA = a.next(ca);
        const bool moreB = b.next(cb);
        if (!moreA || !moreB) {
            if (moreA == moreB) return accents;
            return moreA ? 1 : -1;
        }
        const Weight wa = weight(ca), wb = weight(cb);
        if (wa.base != wb.base) return wa.base < wb.base ? -1 : 1;
        if (accents == 0 && wa.accent != wb.accent) accents = wa.accent < wb.accent ? -1 : 1;
    }
}

Utf16Reader reader(const QString& s) {
    const auto* p = reinterpret_cast<const char16_t*>(s.utf16());
    return {p, p + s.size()};
}

}  // namespace

int compareText(const QString& a, const QString& b) { return compareStreams(reader(a), reader(b)); }

int compareTextUtf8(const char* a, int lengthA, const char* b, int lengthB) {
    const auto* pa = reinterpret_cast<const unsigned char*>(a);
    const auto* pb = reinterpret_cast<const unsigned char*>(b);
    return compareStreams(Utf8Reader{pa, pa + lengthA}, Utf8Reader{pb, pb + lengthB});
}

}  // namespace klv
