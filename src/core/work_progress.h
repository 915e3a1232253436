#pragma once
// Progress of a long operation (a save with its checks, the rebuild of the working copy, Validar,
// an import): the logic tells what is done of the whole, and whoever runs it shows that. In QM8027
// the logic runs on the engine's thread while the window's thread shows its progress (see
// docs/long-work.md): the callback must be cheap and thread-safe, and must not use a database or a
// window.

#include <QtGlobal>
#include <functional>

namespace klv {

// Called now and then with what is done of the whole, in rows, when it is known (total 0 while it
// is not).
using WorkProgress = std::function<void(qint64 done, qint64 total)>;

}  // namespace klv
