#include "cp1252.h"

#include <QStringView>

namespace klv::cp1252 {
namespace {

// 0x80..0x9F. The five codes the code page leaves undefined (81, 8D, 8F, 90, 9D) stand for the
// control characters of the same number, as Windows maps them, so every byte reads and writes
// back unchanged (a UTF-8 name read as Windows-1252 survives a rewrite of its file).
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

int lookup(char16_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return u;
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == u) return 0x80 + i;
    return -1;
}

}  // namespace

QChar fromCode(int code) {
    code &= 0xFF;
    if (code >= 0x80 && code < 0xA0) return QChar(kHigh[code - 0x80]);
    return QChar(static_cast<char16_t>(code));
}

QString decode(const QByteArray& bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* to = out.data();
    for (char b : bytes) {
        const auto code = static_cast<unsigned char>(b);
        *to++ = code < 0x80 ? QChar(static_cast<char16_t>(code)) : fromCode(code);
    }
    return out;
}

char* encodeInto(QStringView text, char* to) {
    const char16_t* from = text.utf16();
    const char16_t* const end = from + text.size();
    for (; from < end; ++from) {
        const char16_t u = *from;
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            *to++ = static_cast<char>(u);
        } else {
            const int code = lookup(u);
            *to++ = static_cast<char>(code < 0 ? '?' : code);
        }
    }
    return to;
}

QByteArray encode(const QString& text) {
    QByteArray out(text.size(), Qt::Uninitialized);
    encodeInto(text, out.data());
    return out;
}

int charCode(QChar c) {
    const int code = lookup(c.unicode());
    return code < 0 ? '?' : code;
}

bool representable(QChar c) { return lookup(c.unicode()) >= 0; }

}  // namespace klv::cp1252
