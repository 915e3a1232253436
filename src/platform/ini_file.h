#pragma once
// Private-profile INI files (QM000.INI): section and key names compared without case, a read of a
// missing file, section or key gives the default, a write replaces one key and keeps every other
// line byte for byte (line endings and bytes of other encodings included). Files are Windows-1252
// text; a UTF-8 byte-order mark at the head is passed over (and kept).

#include <QString>

namespace klv::ini {

// The folder that plays the Windows directory: $KLV_WINDIR, else $HOME/.config/klv.
QString windowsDirectory();

// A bare file name ("QM000.INI") names the copy in the Windows directory; a path is used as is.
QString resolve(const QString& fileName);

// The value after the first '=' of the key's line, exactly as written (blanks kept), the line
// ending removed; the default when the file, the section or the key is missing. A value enclosed,
// blanks around it aside, in one matching pair of ' or " loses the pair and the blanks outside it
// (DBName = "KLV.db" reads KLV.db); the blanks inside the pair are kept.
QString readString(const QString& section, const QString& key, const QString& defaultValue,
                   const QString& fileName);

// Writes (adds or replaces) key=value in the section, creating the file, folder and section when
// missing. Returns false when the file cannot be written.
bool writeString(const QString& section, const QString& key, const QString& value,
                 const QString& fileName);

}  // namespace klv::ini
