#pragma once
// Ticks of long statements: while a StatementTicks lives, its callback runs every few thousand
// steps of the engine while any statement of the connection runs, so that a long copy or scan
// can show progress and let the windows repaint. The engine forbids the callback to use the
// connection: it may run the event loop only while nothing it dispatches reaches the database.
// Guards nest; the innermost one ticks.

#include "database.h"

#include <functional>

namespace klv {

class StatementTicks {
public:
    StatementTicks(const Database& db, std::function<void()> tick);
    ~StatementTicks();
    StatementTicks(const StatementTicks&) = delete;
    StatementTicks& operator=(const StatementTicks&) = delete;

private:
    static int onProgress(void* self);
    sqlite3* handle_;
    std::function<void()> tick_;
    StatementTicks* previous_;
};

}  // namespace klv
