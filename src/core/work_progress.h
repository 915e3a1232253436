#pragma once
// Progress of a long operation (a save with its checks, the rebuild of the working copy, Validar,
// an import): the logic tells what is done of the whole, and whoever runs it shows that. The logic
// runs on a worker thread (see docs/long-work.md): the callback must be cheap and thread-safe, and
// must not use a database or a window.

#include <QtGlobal>
#include <functional>

namespace klv {

// Called now and then with what is done of the whole, in rows, when it is known (total 0 while it
// is not).
using WorkProgress = std::function<void(qint64 done, qint64 total)>;

// Reports an operation's progress whenever it is told more. Without a callback it does nothing.
class ProgressReport {
public:
    explicit ProgressReport(const WorkProgress& progress) : progress_(progress) {}
    void report(qint64 done, qint64 total) {
        if (progress_) progress_(done, total);
    }

private:
    const WorkProgress& progress_;
};

}  // namespace klv
