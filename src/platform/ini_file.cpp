#include "ini_file.h"

#include "cp1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

namespace klv::ini {
namespace {

QStringList readLines(const QString& path, bool* ok) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (ok) *ok = false;
        return {};
    }
    if (ok) *ok = true;
    QString text = cp1252::decode(f.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
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
    const QStringList lines = readLines(resolve(fileName), &ok);
    if (!ok) return defaultValue;
    bool inSection = false;
    for (const QString& line : lines) {
        QString name;
        if (sectionName(line, &name)) {
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection) continue;
        QString k, v;
        if (keyOfLine(line, &k, &v) && k.compare(key, Qt::CaseInsensitive) == 0) return v;
    }
    return defaultValue;
}

bool writeString(const QString& section, const QString& key, const QString& value,
                 const QString& fileName) {
    const QString path = resolve(fileName);
    QStringList lines = readLines(path, nullptr);
    const QString newLine = key + QLatin1Char('=') + value;
    int sectionStart = -1;
    int sectionEnd = lines.size();  // one past the section's last line
    for (int i = 0; i < lines.size(); ++i) {
        QString name;
        if (sectionName(lines[i], &name)) {
            if (sectionStart >= 0) {
                sectionEnd = i;
                break;
            }
            if (name.compare(section, Qt::CaseInsensitive) == 0) sectionStart = i;
        }
    }
    bool done = false;
    if (sectionStart >= 0) {
        for (int i = sectionStart + 1; i < sectionEnd; ++i) {
            QString k;
            if (keyOfLine(lines[i], &k, nullptr) && k.compare(key, Qt::CaseInsensitive) == 0) {
                lines[i] = newLine;
                done = true;
                break;
            }
        }
        if (!done) {
            // After the section's last non-blank line.
            int at = sectionEnd;
            while (at > sectionStart + 1 && lines[at - 1].trimmed().isEmpty()) --at;
            lines.insert(at, newLine);
        }
    } else {
        lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
        lines.append(newLine);
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) return false;
    out.write(cp1252::encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
    return out.commit();
}

}  // namespace klv::ini
