#include "whole_file.h"

namespace klv {

bool writeAll(QSaveFile& file, const QByteArray& bytes) { return file.write(bytes) == bytes.size(); }

bool commitWhole(QSaveFile& file) {
    if (!file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace klv
