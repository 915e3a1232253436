#include "ini_file.h"

#include "cp1252.h"
#include "whole_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace klv::ini {
namespace {

// One line of the file as it stands: its bytes and the line ending that followed them (CR LF,
// LF, CR, or nothing on a last line without one). A write changes only the line of its key (or
// adds one), so every other byte of the file stays as it was.
struct Line {
    QByteArray bytes;
    QByteArray ending;
    QString text() const { return cp1252::decode(bytes); }
};

const QByteArray kBom("\xEF\xBB\xBF");

struct File {
    QByteArray bom;  // a UTF-8 byte-order mark at the head: kept, but not part of the first line
    QList<Line> lines;
};

File readFile(const QString& path, bool* ok) {
    File file;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (ok) *ok = false;
        return file;
    }
    if (ok) *ok = true;
    const QByteArray all = f.readAll();
    qsizetype pos = 0;
    if (all.startsWith(kBom)) {
        file.bom = kBom;
        pos = kBom.size();
    }
    while (pos < all.size()) {
        qsizetype end = pos;
        while (end < all.size() && all[end] != '\n' && all[end] != '\r') ++end;
        Line line{all.mid(pos, end - pos), {}};
        if (end < all.size()) {
            const qsizetype endingLength = all[end] == '\r' && end + 1 < all.size() && all[end + 1] == '\n' ? 2 : 1;
            line.ending = all.mid(end, endingLength);
            end += endingLength;
        }
        file.lines.append(line);
        pos = end;
    }
    return file;
}

// "[Name]" -> "Name" (trimmed); empty when the line is not a section header.
bool sectionName(const QString& line, QString* name) {
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('['))) return false;
    const int close = t.indexOf(QLatin1Char(']'));
    if (close < 0) return false;
    *name = t.mid(1, close - 1).trimmed();
    return true;
}

bool keyOfLine(const QString& line, QString* key, QString* value) {
    const int eq = line.indexOf(QLatin1Char('='));
    if (eq < 0) return false;
    const QString k = line.left(eq).trimmed();
    if (k.isEmpty() || k.startsWith(QLatin1Char(';'))) return false;
    *key = k;
    if (value) *value = line.mid(eq + 1);
    return true;
}

bool blank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

// A value that, blanks around it aside, is enclosed in one matching pair of ' or ": what lies
// between them, blanks inside kept. Any other value as it stands.
QString unquoted(const QString& value) {
    qsizetype first = 0, last = value.size() - 1;
    while (first <= last && blank(value[first])) ++first;
    while (last >= first && blank(value[last])) --last;
    if (last - first < 1) return value;
    const QChar quote = value[first];
    if ((quote != QLatin1Char('"') && quote != QLatin1Char('\'')) || value[last] != quote) return value;
    return value.mid(first + 1, last - first - 1);
}

}  // namespace

QString windowsDirectory() {
    const QString env = qEnvironmentVariable("KLV_WINDIR");
    if (!env.isEmpty()) return env;
    return QDir::homePath() + QStringLiteral("/.config/klv");
}

QString resolve(const QString& fileName) {
    if (fileName.contains(QLatin1Char('/'))) return fileName;
    return windowsDirectory() + QLatin1Char('/') + fileName;
}

QString readString(const QString& section, const QString& key, const QString& defaultValue,
                   const QString& fileName) {
    bool ok = false;
    const File file = readFile(resolve(fileName), &ok);
    if (!ok) return defaultValue;
    bool inSection = false;
    for (const Line& l : file.lines) {
        const QString line = l.text();
        QString name;
        if (sectionName(line, &name)) {
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection) continue;
        QString k, v;
        if (keyOfLine(line, &k, &v) && k.compare(key, Qt::CaseInsensitive) == 0) return unquoted(v);
    }
    return defaultValue;
}

bool writeString(const QString& section, const QString& key, const QString& value,
                 const QString& fileName) {
    const QString path = resolve(fileName);
    File file = readFile(path, nullptr);
    QList<Line>& lines = file.lines;
    const QByteArray newLine = cp1252::encode(key + QLatin1Char('=') + value);
    const QByteArray windowsEnding("\r\n");
    // A line added after `at - 1` ends as the lines before it do (CR LF in a new file); a last
    // line without an ending gets that ending first.
    auto insertAt = [&](qsizetype at, const QByteArray& bytes) {
        QByteArray ending = windowsEnding;
        for (qsizetype i = at - 1; i >= 0; --i)
            if (!lines[i].ending.isEmpty()) {
                ending = lines[i].ending;
                break;
            }
        if (at > 0 && lines[at - 1].ending.isEmpty()) lines[at - 1].ending = ending;
        lines.insert(at, Line{bytes, ending});
    };
    qsizetype sectionStart = -1;
    qsizetype sectionEnd = lines.size();  // one past the section's last line
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString name;
        if (sectionName(lines[i].text(), &name)) {
            if (sectionStart >= 0) {
                sectionEnd = i;
                break;
            }
            if (name.compare(section, Qt::CaseInsensitive) == 0) sectionStart = i;
        }
    }
    bool done = false;
    if (sectionStart >= 0) {
        for (qsizetype i = sectionStart + 1; i < sectionEnd; ++i) {
            QString k;
            if (keyOfLine(lines[i].text(), &k, nullptr) && k.compare(key, Qt::CaseInsensitive) == 0) {
                lines[i].bytes = newLine;
                done = true;
                break;
            }
        }
        if (!done) {
            // After the section's last non-blank line.
            qsizetype at = sectionEnd;
            while (at > sectionStart + 1 && lines[at - 1].text().trimmed().isEmpty()) --at;
            insertAt(at, newLine);
        }
    } else {
        insertAt(lines.size(), cp1252::encode(QLatin1Char('[') + section + QLatin1Char(']')));
        insertAt(lines.size(), newLine);
    }
    QByteArray bytes = file.bom;
    for (const Line& l : lines) bytes += l.bytes + l.ending;
    QDir().mkpath(QFileInfo(path).absolutePath());
    // QM000.INI is the user's own settings file in the user's own folder (not a shared one): a
    // link there is the user's choice (a settings file kept elsewhere) and is written through,
    // the new text renamed over the file it names.
    const QFileInfo info(path);
    WholeFile out(info.isSymLink() && !info.canonicalFilePath().isEmpty() ? info.canonicalFilePath() : path);
    return out.open() && out.write(bytes) && out.commit();
}

}  // namespace klv::ini
