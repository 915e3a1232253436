#include "long_work.h"

#include "engine.h"
#include "progress_window.h"
#include "status_panels.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScopeGuard>
#include <QShortcut>
#include <QSignalBlocker>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <exception>

namespace klv {
namespace {

// How long the window's thread waits for a work before it enters the runner's loop: a short call
// ends within it and never runs an event loop.
constexpr int kWaitWithoutLoopMs = 50;
// How often the runner's loop wakes to look at the work's progress.
constexpr int kTickMs = 10;

std::atomic<int> g_running = 0;

bool userInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::Drop:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::WhatsThis:
    case QEvent::QueryWhatsThis:
    case QEvent::WhatsThisClicked:
    case QEvent::InputMethod:  // text an input method commits (not its queries, which it needs)
        return true;
    default:
        return false;
    }
}

bool isF1(QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride: return static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1;
    default: return false;
    }
}

bool isProgressWindow(const QWidget* w) { return w->objectName() == QLatin1String("ProgressWindow"); }

}  // namespace

WorkRefused::WorkRefused()
    : std::runtime_error(QStringLiteral("Otra operación con la base de datos está en curso: intente nuevamente cuando "
                                        "termine.")
                             .toStdString()) {}

// Keeps user input from every handler while a work runs. What passes: the answers to the boxes
// shown meanwhile (windows opened after the gate, but for progress windows) and the widgets named
// by allowInput(). What never passes, anywhere: F1 and the shortcuts of the windows that were
// there. A close the user asks of those windows, or of a progress window, is refused. A click a button still owes (a mnemonic's, which comes 100 ms after the key from the
// button's own timer, or a held button's repeat) is dropped for good: the button's timer runs
// out with its signals blocked and its state kept, so the click never comes, now or later.
class LongWork::InputGate : public QObject {
public:
    explicit InputGate(const std::vector<QPointer<QWidget>>& allowed) : allowed_(allowed) {
        for (QWidget* w : QApplication::topLevelWidgets()) before_.push_back(w);
        qApp->installEventFilter(this);
    }
    ~InputGate() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type == QEvent::Timer) {
            auto* button = qobject_cast<QAbstractButton*>(watched);
            if (!button || takesInput(button)) return false;
            dropClick(button, event);
            return true;
        }
        if (type == QEvent::Close) return event->spontaneous() && refuseClose(watched, event);
        if (!userInput(type)) return false;
        if (isF1(event)) return drop(event);
        if (type == QEvent::Shortcut) {
            // A QAction's or a QShortcut's: the window it belongs to decides, an action's never.
            QWidget* owner = nullptr;
            if (watched->isWidgetType())
                owner = static_cast<QWidget*>(watched);
            else if (auto* shortcut = qobject_cast<QShortcut*>(watched))
                owner = qobject_cast<QWidget*>(shortcut->parent());
            return owner && takesInput(owner) ? false : drop(event);
        }
        if (!watched->isWidgetType()) return false;  // handed on to a widget, judged there
        return takesInput(static_cast<QWidget*>(watched)) ? false : drop(event);
    }

private:
    // A close the user asks (a window manager's close button, Alt+F4) of a window that takes no
    // input: refused, so Qt neither hides nor frees the window and no close handler runs. It
    // reaches the widget as a spontaneous close event (a close by code never does).
    bool refuseClose(QObject* watched, QEvent* event) const {
        if (!watched->isWidgetType() || takesInput(static_cast<QWidget*>(watched))) return false;
        event->ignore();
        return true;
    }
    static bool drop(QEvent* event) {
        // An accepted shortcut override keeps the key from any shortcut.
        if (event->type() == QEvent::ShortcutOverride) event->accept();
        return true;
    }
    bool takesInput(QWidget* w) const {
        for (const QPointer<QWidget>& a : allowed_)
            if (a && (a == w || a->isAncestorOf(w))) return true;
        QWidget* top = w->window();
        if (isProgressWindow(top)) return false;
        return std::find(before_.begin(), before_.end(), top) == before_.end();
    }
    static void dropClick(QAbstractButton* button, QEvent* event) {
        if (auto* tool = qobject_cast<QToolButton*>(button);
            tool && (tool->menu() || (tool->defaultAction() && tool->defaultAction()->menu()))) {
            // A tool button's timer may open its menu: stopped instead (it owes nothing else).
            if (auto* d = QAbstractEventDispatcher::instance()) d->unregisterTimer(static_cast<QTimerEvent*>(event)->timerId());
            button->setDown(false);
            return;
        }
        const QSignalBlocker quiet(button);
        const QSignalBlocker quietGroup(button->group());
        const bool checkable = button->isCheckable(), checked = button->isChecked();
        button->setCheckable(false);  // the click changes no state
        static_cast<QObject*>(button)->event(event);
        button->setCheckable(checkable);
        if (checkable) button->setChecked(checked);
        button->setDown(false);  // ends a repeat
        button->update();
    }

    std::vector<QPointer<QWidget>> before_;
    const std::vector<QPointer<QWidget>>& allowed_;
};

LongWork::LongWork(AppContext& ctx, QWidget* parent, const QString& text) : ctx_(ctx), parent_(parent), text_(text) {}

LongWork::LongWork(AppContext& ctx, std::function<void()> tick) : ctx_(ctx), tick_(std::move(tick)) {}

LongWork::~LongWork() = default;

void LongWork::allowInput(QWidget* widget) { allowed_.emplace_back(widget); }

void LongWork::aroundBoxes(std::function<void()> beforeBox, std::function<void()> afterBox) {
    beforeBox_ = std::move(beforeBox);
    afterBox_ = std::move(afterBox);
}

bool LongWork::running() { return g_running > 0; }

void LongWork::exitAtOnceDuringWork() {
    std::atexit([] {
        if (g_running > 0) std::_Exit(1);
    });
}

QString LongWork::waitingText() { return QStringLiteral("Leyendo la base de datos..."); }

void LongWork::releaseHeld(std::shared_ptr<void> held) {
    QThreadPool::globalInstance()->start([held = std::move(held)]() mutable { held.reset(); });
}

namespace {

// The work's message service on the engine's thread: each box is shown on the window's thread.
class EngineBoxes : public MessageService {
public:
    explicit EngineBoxes(Engine& engine) : engine_(engine) {}
    int show(const QString& text, int style, const QString& title) override;

private:
    Engine& engine_;
};

}  // namespace

void LongWork::runWork(const std::function<void(AppContext&, const WorkProgress&)>& work) {
    QElapsedTimer started;
    started.start();
    // The engine stays while its work runs, even if the window's context lets it go meanwhile (the
    // main window closed by code): it closes its connection once the work has ended.
    std::shared_ptr<Engine> engine = ctx_.engine;
    if (!engine) {
        if (database_) throw DbError(DbErr::CannotOpen, QStringLiteral("La base de datos no está abierta"));
        engine = Engine::withoutDatabase();
    }
    engine->setWaker(QThread::currentThread()->eventDispatcher());

    // What the work takes from the window's thread, copied here: the engine's thread reads nothing
    // of the window's.
    Globals globals = ctx_.globals();
    StatusPanels panels;
    if (ctx_.panels) {
        panels.setPanelFormulario(ctx_.panels->PanelFormulario());
        panels.setPanelPeriodo(ctx_.panels->PanelPeriodo());
        panels.setPanelNombre(ctx_.panels->PanelNombre());
        panels.setPanelRuc(ctx_.panels->PanelRuc());
        panels.setPanelEstado(ctx_.panels->PanelEstado());
    }
    const Clock* clock = ctx_.clock;
    Utilitarios* util = ctx_.gUtil;
    const bool withPanels = ctx_.panels != nullptr;

    std::atomic<qint64> done{0}, total{0};
    const WorkProgress progress = [&done, &total](qint64 d, qint64 t) {
        done = d;
        total = t;
    };
    std::exception_ptr failure;
    bool nested = false;
    Engine::Job job;
    Engine* const e = engine.get();
    job.run = [&, e] {
        if (AppContext* outer = e->running) {
            // Inside the box another work waits for: that work's context, connection and globals.
            nested = true;
            try {
                work(*outer, progress);
            } catch (...) {
                failure = std::current_exception();
            }
            return;
        }
        EngineBoxes boxes(*e);
        AppContext w;
        w.globals() = globals;
        w.messages = &boxes;
        w.clock = clock;
        w.gUtil = util;
        w.panels = withPanels ? &panels : nullptr;
        try {
            w.gDB = e->takeConnection();
            e->running = &w;
            work(w, progress);
        } catch (...) {
            failure = std::current_exception();
        }
        e->running = nullptr;
        e->giveBack(std::move(w.gDB), !failure);
        globals = w.globals();
    };

    if (engine->submit(job) == Engine::Taken::Refused) throw WorkRefused();
    ++g_running;
    const auto running = qScopeGuard([] { --g_running; });

    if (!engine->waitFor(job, kWaitWithoutLoopMs)) {
        // The runner's loop: events processed here, never exec(), so that a quit asked meanwhile
        // (which ends every loop that exec() runs) ends nothing before the work has ended; the
        // loops below this one end once it returns.
        InputGate gate(allowed_);
        std::unique_ptr<ProgressWindow> window;
        if (!text_.isNull()) window = std::make_unique<ProgressWindow>(parent_, text_, started);
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        timer.start(kTickMs);  // wakes the loop
        // What the window's side throws (a tick, a box) waits for the work's end: the work still
        // uses what lives here.
        std::exception_ptr windowFailure;
        while (!engine->done(job)) {
            Engine::Box* asked = nullptr;
            try {
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
                // Boxes only here, at this loop's own level: a loop opened above this one (a box
                // of a handler) never has a box of the work put over it, nor its window taken.
                asked = engine->takeAsked();
                if (asked) {
                    int answer = defaultAnswerOfStyle(asked->style);  // nobody left to ask
                    if (!windowFailure && window) {
                        answer = window->showBox(*ctx_.messages, asked->text, asked->style, asked->title);
                    } else if (!windowFailure) {
                        if (beforeBox_) beforeBox_();
                        answer = ctx_.messages->show(asked->text, asked->style, asked->title);
                        if (afterBox_) afterBox_();
                    }
                    engine->answer(*std::exchange(asked, nullptr), answer);
                    continue;
                }
                if (windowFailure) continue;
                if (window) window->report(done, total);
                if (tick_) tick_();
            } catch (...) {
                if (!windowFailure) windowFailure = std::current_exception();
                if (asked) engine->answer(*asked, defaultAnswerOfStyle(asked->style));
            }
        }
        if (!windowFailure && tick_) tick_();
        if (windowFailure) {
            if (!nested) ctx_.globals() = globals;
            std::rethrow_exception(windowFailure);
        }
    }

    if (!nested) {
        ctx_.globals() = globals;
        if (withPanels && ctx_.panels) {
            if (panels.PanelFormulario() != ctx_.panels->PanelFormulario()) ctx_.panels->setPanelFormulario(panels.PanelFormulario());
            if (panels.PanelPeriodo() != ctx_.panels->PanelPeriodo()) ctx_.panels->setPanelPeriodo(panels.PanelPeriodo());
            if (panels.PanelNombre() != ctx_.panels->PanelNombre()) ctx_.panels->setPanelNombre(panels.PanelNombre());
            if (panels.PanelRuc() != ctx_.panels->PanelRuc()) ctx_.panels->setPanelRuc(panels.PanelRuc());
            ctx_.panels->setPanelEstado(panels.PanelEstado());
        }
    }
    if (failure) std::rethrow_exception(failure);
}

int EngineBoxes::show(const QString& text, int style, const QString& title) { return engine_.ask(text, style, title); }

}  // namespace klv
