#pragma once
// Progress of the declaration's long operations (the save with its checks, the rebuild of the
// working copy, Validar) for the form to show while they run on its thread.

#include "database.h"
#include "statement_ticks.h"

#include <functional>
#include <optional>

namespace klv {

// Called now and then with what is done of the whole, in rows, when it is known (total 0 while it
// is not). The form shows it and lets its windows repaint; it must not use the database.
using WorkProgress = std::function<void(qint64 done, qint64 total)>;

// Reports an operation's progress: every few thousand engine steps while its statements run
// (what is done so far), and whenever it is told more. Without a callback it does nothing.
class ProgressReport {
public:
    ProgressReport(const Database& db, const WorkProgress& progress) : progress_(progress) {
        if (progress_) ticks_.emplace(db, [this] { progress_(done_, total_); });
    }
    void report(qint64 done, qint64 total) {
        done_ = done;
        total_ = total;
        if (progress_) progress_(done_, total_);
    }

private:
    const WorkProgress& progress_;
    qint64 done_ = 0;
    qint64 total_ = 0;
    std::optional<StatementTicks> ticks_;
};

}  // namespace klv
