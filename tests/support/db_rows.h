#pragma once
// Small database helpers shared by the test suites.

#include "database.h"

#include <QStringList>
#include <QVariantMap>
#include <functional>

namespace klv::test {

// Adds one row; the columns not given are left NULL.
inline void insertRow(const Database& db, const QString& table, const QVariantMap& values) {
    QStringList cols, marks;
    QVariantList params;
    for (auto it = values.begin(); it != values.end(); ++it) {
        cols << it.key();
        marks << QStringLiteral("?");
        params << it.value();
    }
    db.exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                .arg(table, cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))),
            params);
}

// The engine error number the call throws, 0 when it throws none.
inline int dbErrorNumber(const std::function<void()>& f) {
    try {
        f();
    } catch (const DbError& e) {
        return e.number();
    }
    return 0;
}

}  // namespace klv::test
