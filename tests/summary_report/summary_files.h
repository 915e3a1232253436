#pragma once
// Reading and laying the small text files of the summary tests (Windows-1252, CR LF).

#include "cp1252.h"

#include <QFile>
#include <QStringList>

namespace klv::test {

// The lines of a file whose every line ends with CR LF; {"<missing>"} when it cannot be read,
// {"<not CR LF>"} when a line ends otherwise.
inline QStringList crLfLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {QStringLiteral("<missing>")};
    const QString text = cp1252::decode(f.readAll());
    if (text.isEmpty()) return {};
    if (!text.endsWith(QLatin1String("\r\n"))) return {QStringLiteral("<not CR LF>")};
    QStringList lines = text.chopped(2).split(QStringLiteral("\r\n"));
    for (const QString& l : lines)
        if (l.contains(QLatin1Char('\r')) || l.contains(QLatin1Char('\n'))) return {QStringLiteral("<not CR LF>")};
    return lines;
}

inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

}  // namespace klv::test
