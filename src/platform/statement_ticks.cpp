#include "statement_ticks.h"

#include <chrono>
#include <future>
#include <system_error>
#include <sqlite3.h>

namespace klv {
namespace {

// Engine steps between two ticks: a fraction of a millisecond of work.
constexpr int kStepsPerTick = 20000;
// How often a step run on a worker thread ticks.
constexpr std::chrono::milliseconds kStepTick(10);

thread_local StatementTicks* t_innermost = nullptr;

}  // namespace

StatementTicks::StatementTicks(const Database& db, std::function<void()> tick)
    : handle_(db.sqliteHandle()), tick_(std::move(tick)), previous_(t_innermost), thread_(std::this_thread::get_id()) {
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
    // A step run by runStep on its worker thread does not tick: the windows are not its own.
    if (ticks->tick_ && std::this_thread::get_id() == ticks->thread_) ticks->tick_();
    return 0;  // never interrupts the statement
}

void StatementTicks::runStep(const Database& db, const std::function<void()>& step) {
    StatementTicks* ticks = t_innermost;
    while (ticks && ticks->handle_ != db.sqliteHandle()) ticks = ticks->previous_;
    if (!ticks || !ticks->handle_ || !ticks->tick_) {
        step();
        return;
    }
    std::future<void> done;
    try {
        done = std::async(std::launch::async, step);
    } catch (const std::system_error&) {
        step();  // no thread to be had: the step runs here, as without a guard
        return;
    }
    while (done.wait_for(kStepTick) != std::future_status::ready) ticks->tick_();
    done.get();
}

}  // namespace klv
