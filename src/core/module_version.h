#pragma once
// The module's version, defined once: project(VERSION ...) in the top CMakeLists.txt hands it to
// klv_core as KLV_VERSION. It is stored with a saved declaration (CAB.NROCHEQUE) and with the
// technical-study attachment (cnum), and shown in the main window and the messages' title.

#include <QString>

namespace klv {

// "1.4"
inline const QString kVersionModulo = QStringLiteral(KLV_VERSION);
// The title of the module's messages (gTitulo).
inline const QString kTituloModulo = QStringLiteral("8027 KLV - Precios de Transferencia - " KLV_VERSION);

}  // namespace klv
