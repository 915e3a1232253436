#pragma once
// Files written whole or not at all through QSaveFile (a temporary file renamed over the target).
// QSaveFile::commit() does not notice when the flush of its own write buffer fails (a full disk, a
// file-size limit): it renames the cut file into place and answers true. These two close that gap.

#include <QByteArray>
#include <QSaveFile>

namespace klv {

// Writes every byte; false after a short or failed write.
bool writeAll(QSaveFile& file, const QByteArray& bytes);

// Flushes, then commits. When a byte could not be written, the writing is cancelled, the target
// stays as it was, and the answer is false (errorString() says why).
bool commitWhole(QSaveFile& file);

}  // namespace klv
