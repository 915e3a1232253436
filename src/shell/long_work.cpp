#include "long_work.h"

#include "progress_window.h"
#include "status_panels.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QScopeGuard>
#include <QThreadPool>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <exception>
#include <thread>
#include <unistd.h>

namespace klv {
namespace {

// How often the window's thread looks at what the worker left: its progress, a box, its end.
constexpr int kTickMs = 10;

bool g_running = false;

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
        return true;
    default:
        return false;
    }
}

// The worker thread of a window connection, kept with it from its first long work: the thread and
// its connection to the same file stay, so that a work after the first one neither opens a
// connection nor starts from a cold page cache. The connection is only ever used on this thread,
// and closed there; between two works it holds no statement reading and no transaction.
class KeptWorker {
public:
    KeptWorker() : thread_(std::make_unique<std::thread>([this] { serve(); })) {
        if (all().empty()) qAddPostRoutine(stopAll);  // before QCoreApplication goes
        all().push_back(this);
    }
    ~KeptWorker() { stop(); }
    KeptWorker(const KeptWorker&) = delete;
    KeptWorker& operator=(const KeptWorker&) = delete;

    // Busy with a work, stopped (the application object has gone while its connection lives on),
    // or inherited by a forked child (a death test), where its thread is not.
    bool busy() const { return busy_ || stopping_ || forked(); }
    // Runs `job` on the thread; wait() waits for it to have returned.
    void start(std::function<void()> job) {
        busy_ = true;
        const std::lock_guard<std::mutex> held(lock_);
        job_ = std::move(job);
        wake_.notify_all();
    }
    void wait() {
        std::unique_lock<std::mutex> held(lock_);
        wake_.wait(held, [this] { return !job_; });
        busy_ = false;
    }
    // Stops the thread (closing its connection there). Called on the window's thread.
    void stop() {
        {
            const std::lock_guard<std::mutex> held(lock_);
            stopping_ = true;
            wake_.notify_all();
        }
        if (forked()) {
            // Neither the thread nor its connection's owner exists in this process: left alone.
            (void)thread_.release();
            (void)connection.release();
        } else if (thread_ && thread_->joinable()) {
            thread_->join();
        }
        std::erase(all(), this);
    }

    std::unique_ptr<Database> connection;  // the worker thread's only

private:
    bool forked() const { return ::getpid() != pid_; }
    static std::vector<KeptWorker*>& all() {
        static std::vector<KeptWorker*> workers;
        return workers;
    }
    static void stopAll() {
        const std::vector<KeptWorker*> workers = all();
        for (KeptWorker* w : workers) w->stop();
    }
    void serve() {
        std::unique_lock<std::mutex> held(lock_);
        for (;;) {
            wake_.wait(held, [this] { return job_ || stopping_; });
            if (job_) {
                held.unlock();
                job_();
                held.lock();
                job_ = nullptr;
                wake_.notify_all();
                continue;
            }
            break;
        }
        held.unlock();
        try {
            connection.reset();
        } catch (...) {
        }
    }

    std::mutex lock_;
    std::condition_variable wake_;
    std::function<void()> job_;
    bool stopping_ = false;
    bool busy_ = false;  // the window's thread's
    const pid_t pid_ = ::getpid();
    std::unique_ptr<std::thread> thread_;  // last: started once the rest is there
};

}  // namespace

// What the worker and the window's thread share. The worker calls nothing of Qt's (but the post
// that wakes the window's thread at its end): it leaves its progress, a box it asks for and its end
// here, and the window's thread finds them on its timer.
struct LongWork::Shared {
    std::atomic<qint64> done{0};
    std::atomic<qint64> total{0};
    std::atomic<bool> finished{false};
    std::unique_ptr<ProgressWindow> window;
    bool inBox = false;  // the window's thread shows a box
    // A box asked for by the worker, and its answer.
    std::mutex lock;
    std::condition_variable answered;
    struct Box {
        QString text;
        int style = 0;
        QString title;
        int answer = 0;
        bool done = false;
    };
    Box* asked = nullptr;
};

// The worker's message service: each box is shown on the window's thread, and the worker waits for
// its answer.
class LongWork::Boxes : public MessageService {
public:
    explicit Boxes(Shared& shared) : shared_(shared) {}
    int show(const QString& text, int style, const QString& title) override {
        Shared::Box box{text, style, title};
        std::unique_lock<std::mutex> held(shared_.lock);
        shared_.asked = &box;
        shared_.answered.wait(held, [&box] { return box.done; });
        return box.answer;
    }

private:
    Shared& shared_;
};

// Keeps user input from the windows that were open when the work began (the work's boxes and the
// progress window come later and take it): a click, a key (F1 too) or the close box do nothing
// until the work ends, and nothing is replayed afterwards.
class LongWork::InputGate : public QObject {
public:
    explicit InputGate(const std::vector<QWidget*>& allowed) : allowed_(allowed) {
        for (QWidget* w : QApplication::topLevelWidgets()) before_.push_back(w);
        qApp->installEventFilter(this);
    }
    ~InputGate() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const bool input = userInput(event->type()) || (event->type() == QEvent::Close && event->spontaneous());
        if (!input || !watched->isWidgetType()) return false;
        auto* w = static_cast<QWidget*>(watched);
        for (QWidget* a : allowed_)
            if (a == w || a->isAncestorOf(w)) return false;
        QWidget* top = w->window();
        return std::find(before_.begin(), before_.end(), top) != before_.end();
    }

private:
    std::vector<QPointer<QWidget>> before_;
    const std::vector<QWidget*>& allowed_;
};

LongWork::LongWork(AppContext& ctx, QWidget* parent, const QString& text)
    : ctx_(ctx), parent_(parent), text_(text), shared_(std::make_unique<Shared>()) {}

LongWork::LongWork(AppContext& ctx, std::function<void()> tick)
    : ctx_(ctx), tick_(std::move(tick)), shared_(std::make_unique<Shared>()) {}

LongWork::~LongWork() = default;

void LongWork::allowInput(QWidget* widget) { allowed_.push_back(widget); }

void LongWork::aroundBoxes(std::function<void()> beforeBox, std::function<void()> afterBox) {
    beforeBox_ = std::move(beforeBox);
    afterBox_ = std::move(afterBox);
}

bool LongWork::running() { return g_running; }

void LongWork::releaseHeld(std::shared_ptr<void> held) {
    QThreadPool::globalInstance()->start([held = std::move(held)]() mutable { held.reset(); });
}

int LongWork::box(const QString& text, int style, const QString& title) {
    shared_->inBox = true;
    int answer = 0;
    if (shared_->window) {
        answer = shared_->window->showBox(*ctx_.messages, text, style, title);
    } else {
        if (beforeBox_) beforeBox_();
        answer = ctx_.messages->show(text, style, title);
        if (afterBox_) afterBox_();
    }
    shared_->inBox = false;
    return answer;
}

void LongWork::tick() {
    Shared& shared = *shared_;
    if (shared.inBox) return;
    Shared::Box* asked = nullptr;
    {
        const std::lock_guard<std::mutex> held(shared.lock);
        asked = shared.asked;
        shared.asked = nullptr;
    }
    if (asked) {
        // The worker waits meanwhile: nothing else it shares changes.
        const int answer = box(asked->text, asked->style, asked->title);
        {
            const std::lock_guard<std::mutex> held(shared.lock);
            asked->answer = answer;
            asked->done = true;
        }
        shared.answered.notify_all();
        return;
    }
    if (shared.finished) {
        if (loop_) loop_->quit();
        return;
    }
    if (shared.window) shared.window->report(shared.done, shared.total);
    if (tick_) tick_();
}

void LongWork::runWork(const std::function<void(AppContext&, const WorkProgress&)>& work) {
    Boxes boxes(*shared_);
    // The worker's own status panels: the texts the window's panels hold, given back at the end.
    StatusPanels panels;
    if (ctx_.panels) {
        panels.setPanelFormulario(ctx_.panels->PanelFormulario());
        panels.setPanelPeriodo(ctx_.panels->PanelPeriodo());
        panels.setPanelNombre(ctx_.panels->PanelNombre());
        panels.setPanelRuc(ctx_.panels->PanelRuc());
        panels.setPanelEstado(ctx_.panels->PanelEstado());
    }
    AppContext worker;
    worker.copyGlobalsFrom(ctx_);
    worker.messages = &boxes;
    worker.clock = ctx_.clock;
    worker.gUtil = ctx_.gUtil;
    worker.panels = ctx_.panels ? &panels : nullptr;
    Shared& shared = *shared_;
    const WorkProgress progress = [&shared](qint64 done, qint64 total) {
        shared.done = done;
        shared.total = total;
    };
    if (!text_.isNull()) shared.window = std::make_unique<ProgressWindow>(parent_, text_);

    Database* windowDb = ctx_.gDB.get();
    std::exception_ptr failure;
    QEventLoop loop;
    loop_ = &loop;
    const bool wasRunning = g_running;
    g_running = true;
    {
        // Put back however this ends (no thread to be had throws).
        const auto restore = qScopeGuard([&] {
            shared.window.reset();
            g_running = wasRunning;
            loop_ = nullptr;
        });
        InputGate gate(allowed_);
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [this] { tick(); });
        timer.start(kTickMs);
        // The window connection's kept worker, unless a work of its own runs on it (a work run from
        // inside another's box): that one gets a thread and a connection for itself.
        KeptWorker* kept = nullptr;
        if (database_ && windowDb) {
            std::shared_ptr<void>& companion = windowDb->companion();
            if (!companion) companion = std::make_shared<KeptWorker>();
            kept = static_cast<KeptWorker*>(companion.get());
            if (kept->busy()) kept = nullptr;
        }
        const std::thread::id owner = windowDb ? windowDb->park() : std::thread::id();
        const auto unpark = qScopeGuard([&] {
            if (windowDb) windowDb->unpark(owner);
        });
        const auto job = [&] {
            try {
                if (kept) {
                    // Still the file the window's connection opened (as openAnother checks).
                    if (kept->connection) {
                        try {
                            kept->connection->ensureSameFile();
                        } catch (...) {
                            kept->connection.reset();
                            throw;
                        }
                    }
                    if (!kept->connection) kept->connection = windowDb->openAnother();
                    worker.gDB = std::move(kept->connection);
                } else if (database_ && windowDb) {
                    worker.gDB = windowDb->openAnother();
                }
                work(worker, progress);
            } catch (...) {
                failure = std::current_exception();
            }
            // Kept when the work ended well and left nothing open (another program may write
            // before the next work); otherwise closed on the thread that opened it.
            try {
                if (kept && !failure && worker.gDB && worker.gDB->path() == windowDb->path() && worker.gDB->settle())
                    kept->connection = std::move(worker.gDB);
            } catch (...) {
            }
            try {
                worker.gDB.reset();
            } catch (...) {
            }
            shared.finished = true;
            // Wakes the window's thread now rather than at its next tick (a post is safe from any
            // thread; the loop outlives the job, which the window's thread waits for).
            QCoreApplication::postEvent(&loop, new QEvent(QEvent::Quit));
        };
        std::thread thread;
        if (kept)
            kept->start(job);
        else
            thread = std::thread(job);
        loop.exec();
        if (kept)
            kept->wait();
        else
            thread.join();
    }

    ctx_.copyGlobalsFrom(worker);
    if (ctx_.panels) {
        if (panels.PanelFormulario() != ctx_.panels->PanelFormulario()) ctx_.panels->setPanelFormulario(panels.PanelFormulario());
        if (panels.PanelPeriodo() != ctx_.panels->PanelPeriodo()) ctx_.panels->setPanelPeriodo(panels.PanelPeriodo());
        if (panels.PanelNombre() != ctx_.panels->PanelNombre()) ctx_.panels->setPanelNombre(panels.PanelNombre());
        if (panels.PanelRuc() != ctx_.panels->PanelRuc()) ctx_.panels->setPanelRuc(panels.PanelRuc());
        ctx_.panels->setPanelEstado(panels.PanelEstado());
    }
    if (failure) std::rethrow_exception(failure);
}

}  // namespace klv
