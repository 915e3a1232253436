#pragma once
// Digest of an attached file: SHA-1 of its bytes, written as the decimal values of the 20 digest
// bytes one after the other, without separators or leading zeros (20 to 60 characters).

#include <QByteArray>
#include <QString>
#include <optional>

namespace klv {

// The digest text of the file at the path (blanks around the path are dropped). A file that
// cannot be read gives no digest; *error then says why.
std::optional<QString> udf_HashArchivo(const QString& ruta, QString* error = nullptr);

// The first n bytes (all when n is larger), each as its decimal value, concatenated.
QString udf_BytesAStr(const QByteArray& bytes, int n);

}  // namespace klv
