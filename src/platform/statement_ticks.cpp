#include "statement_ticks.h"

#include <sqlite3.h>

namespace klv {
namespace {

// Engine steps between two ticks: a fraction of a millisecond of work.
constexpr int kStepsPerTick = 20000;

thread_local StatementTicks* t_innermost = nullptr;

}  // namespace

StatementTicks::StatementTicks(const Database& db, std::function<void()> tick)
    : handle_(db.sqliteHandle()), tick_(std::move(tick)), previous_(t_innermost) {
    t_innermost = this;
    if (handle_) sqlite3_progress_handler(handle_, kStepsPerTick, &StatementTicks::onProgress, this);
}

StatementTicks::~StatementTicks() {
    t_innermost = previous_;
    if (!handle_) return;
    // The nearest outer guard of the same connection ticks again.
    StatementTicks* outer = previous_;
    while (outer && outer->handle_ != handle_) outer = outer->previous_;
    if (outer)
        sqlite3_progress_handler(handle_, kStepsPerTick, &StatementTicks::onProgress, outer);
    else
        sqlite3_progress_handler(handle_, 0, nullptr, nullptr);
}

int StatementTicks::onProgress(void* self) {
    auto* ticks = static_cast<StatementTicks*>(self);
    if (ticks->tick_) ticks->tick_();
    return 0;  // never interrupts the statement
}

}  // namespace klv
