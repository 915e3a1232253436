#pragma once
// Windows-1252 text: every file the system reads or writes and every character code it computes
// (key filters, control number) uses this code page.

#include <QByteArray>
#include <QChar>
#include <QString>

namespace klv::cp1252 {

QString decode(const QByteArray& bytes);
// Characters that Windows-1252 cannot hold become '?'.
QByteArray encode(const QString& text);
// The bytes of `text` written at `to` (text.size() of them, the same as encode); returns the end.
char* encodeInto(QStringView text, char* to);
// The code of one character in Windows-1252 (ñ 241, Ñ 209, á 225, no-break space 160), or 63 ('?')
// for a character the code page lacks.
int charCode(QChar c);
// The character of a Windows-1252 code (0..255); the five undefined codes give the control
// characters U+0081, U+008D, U+008F, U+0090 and U+009D, so decode and encode round-trip every byte.
QChar fromCode(int code);
// True when the character exists in Windows-1252.
bool representable(QChar c);

}  // namespace klv::cp1252
