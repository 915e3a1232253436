#pragma once
// The runner of long work (opening a declaration, Grabar, Validar, the imports, deletes, reports):
// the work's database statements run on a worker thread with a connection of its own, while the
// window's thread stays in its event loop. See docs/long-work.md.
//
//   LongWork work(ctx, this, QStringLiteral("Grabando la declaración..."));
//   const ButtonOutcome out = work.run<ButtonOutcome>([&](AppContext& w, const WorkProgress& p) {
//       return grabarDeclaracion(w, st, p);
//   });
//
// run() hands the work to the window connection's worker thread, kept from the first work with a
// connection of its own to the window connection's file (the same file, busy timeout, pragmas and
// SQL functions; opened there, reused while the path names the same file, closed there when the
// window's Database or the application object goes), gives the work an AppContext of its own
// (that connection; the globals copied; every box shown on the window's thread, through the
// progress window, and its answer handed back; status panels of its own, copied back at the end;
// no forms and no help) and meanwhile runs the window's thread's modal loop: the progress window
// after half a second, its bar moved from what the work reports; no window that was open at the
// start takes input (a second click starts nothing, and nothing is replayed afterwards) but those
// named by allowInput(). When the work ends, the globals it wrote (gAutContExt, gNumParVin, the
// totals, the report hand-off) are copied back, and run() returns what the work returned or throws
// what it threw. The window's connection is parked meanwhile: any use of it aborts the program.
//
// The work must not touch what the window's thread reads (the form's controls and state, a grid's
// rows): it builds its result apart and the caller puts it in place once run() returns.

#include "app_context.h"
#include "work_progress.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QEventLoop;
class QWidget;

namespace klv {

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

    // Work that uses no database (painting pages on a printer): the worker opens no connection.
    void withoutDatabase() { database_ = false; }
    // A widget that still takes input while the work runs (the import dialog's "Cancelar").
    void allowInput(QWidget* widget);
    // Called on the window's thread before each box the work shows (after the progress window has
    // closed), and `afterBox` once it is answered.
    void aroundBoxes(std::function<void()> beforeBox, std::function<void()> afterBox);

    template <class R>
    R run(const std::function<R(AppContext&, const WorkProgress&)>& work) {
        std::optional<R> result;
        runWork([&](AppContext& w, const WorkProgress& p) { result.emplace(work(w, p)); });
        return std::move(*result);
    }
    void runWork(const std::function<void(AppContext&, const WorkProgress&)>& work);

    // True while a long work runs on this program's window thread.
    static bool running();

    // Frees `value` on a pool thread. A report read whole holds millions of strings, and freeing
    // them takes the window's thread a fifth of a second; the application waits for the pool
    // before it ends, so nothing is left unfreed.
    template <class T>
    static void release(T&& value) {
        releaseHeld(std::make_shared<std::decay_t<T>>(std::forward<T>(value)));
    }

private:
    static void releaseHeld(std::shared_ptr<void> held);
    class Boxes;
    class InputGate;
    int box(const QString& text, int style, const QString& title);
    void tick();

    AppContext& ctx_;
    QWidget* parent_ = nullptr;
    QString text_;
    std::function<void()> tick_;
    std::function<void()> beforeBox_, afterBox_;
    std::vector<QWidget*> allowed_;
    bool database_ = true;
    struct Shared;
    std::unique_ptr<Shared> shared_;
    QEventLoop* loop_ = nullptr;
};

}  // namespace klv
