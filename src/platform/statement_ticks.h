#pragma once
// Ticks of long statements: while a StatementTicks lives, its callback runs every few thousand
// steps of the engine while any statement of the connection runs, so that a long copy or scan
// can show progress and let the windows repaint. The engine forbids the callback to use the
// connection: it may run the event loop only while nothing it dispatches reaches the database.
// Guards nest; the innermost one ticks. The callback runs on the thread that made the guard only.

#include "database.h"

#include <functional>
#include <thread>

namespace klv {

class StatementTicks {
public:
    StatementTicks(const Database& db, std::function<void()> tick);
    ~StatementTicks();
    StatementTicks(const StatementTicks&) = delete;
    StatementTicks& operator=(const StatementTicks&) = delete;

    // Runs a step that the engine does in one go, without a tick (emptying a whole table; a commit,
    // which writes the journal and syncs the file). While a guard of the connection lives on this
    // thread, the step runs on a worker thread and this one ticks the innermost guard every few
    // milliseconds until the step ends, so the windows stay painted; else it runs here. The step
    // must use the engine's handle alone (PreparedStatement: the QtSql connection belongs to this
    // thread), and, as for every tick, nothing dispatched meanwhile may reach the database. What
    // the step throws is thrown here.
    static void runStep(const Database& db, const std::function<void()>& step);

private:
    static int onProgress(void* self);
    sqlite3* handle_;
    std::function<void()> tick_;
    StatementTicks* previous_;
    std::thread::id thread_;
};

}  // namespace klv
