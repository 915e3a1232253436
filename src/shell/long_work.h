#pragma once
// The runner of QM8027's database work: every read or write a window triggers (a combo's rows, a
// lookup, a form's load, a save, Grabar, Validar, the imports, deletes, reports) runs on the
// engine's thread (engine.h), the only one that holds the connection, while the window's thread
// waits for it. See docs/long-work.md.
//
//   LongWork work(ctx, this, QStringLiteral("Grabando la declaración..."));
//   const ButtonOutcome out = work.run<ButtonOutcome>([&](AppContext& w, const WorkProgress& p) {
//       return grabarDeclaracion(w, st, p);
//   });
//
//   const QStringList items = LongWork::call(ctx, this, [&](AppContext& w) {   // a short read
//       return udf_ItemsParam(w, QStringLiteral("883"));
//   });
//
// run() hands the work to the engine's thread, with an AppContext of its own: the engine's
// connection, the window's globals copied (the struct Globals, whole), every box shown on the
// window's thread and its answer handed back, status panels of its own (copied back at the end),
// no forms and no help. The window's thread first waits for the work up to 50 ms without running
// any event loop, so a short call feels as a direct one. Work that lasts longer enters the
// runner's loop: no user input reaches a handler there (no click, key, text of an input method,
// shortcut or F1, in any window, the progress window included; a close the user asks is refused
// and the window stays; a click a mnemonic left pending is dropped, and nothing is replayed
// afterwards) but the answers to the work's boxes and the widgets named by
// allowInput(); Qt's own posted events (paints, deferred deletes, queued calls) still run. The
// progress window shows once the work has lasted half a second. Boxes are shown only from the
// runner's own loop, never from a loop opened above it. When the work ends, the globals it wrote
// are copied back, and run() returns what the work returned or throws what it threw.
//
// A work started while another runs (a handler run inside the other's box, a focus change when a
// box shows): when the other waits for a box, it runs on the engine's thread inside that wait, in
// the other's context (its connection and its globals: what it writes there is given back when
// the other ends); when the other holds a transaction, or is computing, it is refused, with
// WorkRefused: no work runs inside another's transaction.
//
// The work must not touch what the window's thread reads (the form's controls and state, a grid's
// rows): it builds its result apart and the caller puts it in place once run() returns.

#include "app_context.h"
#include "work_progress.h"

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <type_traits>
#include <vector>

class QWidget;

namespace klv {

class Engine;

// A work started while another one runs and does not wait for a box, or waits for one inside a
// transaction: it cannot be run now.
class WorkRefused : public std::runtime_error {
public:
    WorkRefused();
};

class LongWork {
public:
    // With a progress window saying `text`, belonging to `parent`.
    LongWork(AppContext& ctx, QWidget* parent, const QString& text);
    // Without a progress window: a dialog that shows its own progress (the import dialog) gets
    // `tick` every few hundredths of a second on the window's thread.
    LongWork(AppContext& ctx, std::function<void()> tick);
    ~LongWork();
    LongWork(const LongWork&) = delete;
    LongWork& operator=(const LongWork&) = delete;

    // Work that uses no database (painting pages on a printer): without an engine (a program or a
    // test without a database) it runs on a thread of its own.
    void withoutDatabase() { database_ = false; }
    // A widget that still takes input while the work runs (the import dialog's "Cancelar").
    void allowInput(QWidget* widget);
    // Called on the window's thread before each box the work shows, and `afterBox` once it is
    // answered.
    void aroundBoxes(std::function<void()> beforeBox, std::function<void()> afterBox);

    template <class R>
    R run(const std::function<R(AppContext&, const WorkProgress&)>& work) {
        std::optional<R> result;
        runWork([&](AppContext& w, const WorkProgress& p) { result.emplace(work(w, p)); });
        return std::move(*result);
    }
    void runWork(const std::function<void(AppContext&, const WorkProgress&)>& work);

    // A handler's short read or write (its reads gathered into one call): run as any work, with a
    // progress window saying `text` should it last half a second (another program holding the
    // database).
    template <class F>
    static auto call(AppContext& ctx, QWidget* parent, F&& read, const QString& text = waitingText()) {
        using R = std::invoke_result_t<F&, AppContext&>;
        LongWork work(ctx, parent, text);
        if constexpr (std::is_void_v<R>) {
            work.runWork([&](AppContext& w, const WorkProgress&) { read(w); });
        } else {
            std::optional<R> result;
            work.runWork([&](AppContext& w, const WorkProgress&) { result.emplace(read(w)); });
            return std::move(*result);
        }
    }
    static QString waitingText();

    // True while a work runs for this program's window thread.
    static bool running();

    // From now on an exit() that comes while a work runs (Qt's X11 plugin ends the program so when
    // the display goes away) ends the process at once with status 1, as a kill would, and not
    // through the static destructors, which would close the connection under the engine's thread
    // still inside a statement. The database stays whole: the next open rolls back what the work
    // had not committed. An exit() between two works takes its normal path. Called once the
    // engine is open: exit handlers registered later run first.
    static void exitAtOnceDuringWork();

    // Frees `value` on a pool thread. A report read whole holds millions of strings, and freeing
    // them takes the window's thread a fifth of a second; the application waits for the pool
    // before it ends, so nothing is left unfreed.
    template <class T>
    static void release(T&& value) {
        releaseHeld(std::make_shared<std::decay_t<T>>(std::forward<T>(value)));
    }

private:
    static void releaseHeld(std::shared_ptr<void> held);
    class InputGate;

    AppContext& ctx_;
    QPointer<QWidget> parent_;
    QString text_;
    std::function<void()> tick_;
    std::function<void()> beforeBox_, afterBox_;
    std::vector<QPointer<QWidget>> allowed_;
    bool database_ = true;
};

}  // namespace klv
