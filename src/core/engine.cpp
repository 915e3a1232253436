#include "engine.h"

#include "app_context.h"

#include <QAbstractEventDispatcher>
#include <QThread>
#include <exception>
#include <sqlite3.h>
#include <unistd.h>

namespace klv {
namespace {

// Whether the work running holds a transaction on its connection (a guard open, or one begun by
// a statement of its own).
bool holdsTransaction(const AppContext* work) {
    if (!work || !work->gDB) return false;
    const Database& db = *work->gDB;
    return db.inTransaction() || sqlite3_get_autocommit(db.sqliteHandle()) == 0;
}

}  // namespace

class Engine::Thread : public QThread {
public:
    explicit Thread(Engine& engine) : engine_(engine) { setObjectName(QStringLiteral("klv-engine")); }
    void run() override { engine_.serve(); }

private:
    Engine& engine_;
};

Engine::Engine(bool database) : database_(database), pid_(::getpid()) {}

std::shared_ptr<Engine> Engine::open(const QString& path, const QString& user, const QString& password,
                                     int busyTimeoutMs) {
    std::shared_ptr<Engine> engine(new Engine(true));
    // The first work opens the connection, on the engine's thread, and its failure is the open's.
    Job opening{[&] { engine->connection_ = Database::open(path, user, password, busyTimeoutMs); }};
    std::exception_ptr failure;
    Job guarded{[&] {
        try {
            opening.run();
            engine->identity_ = engine->connection_->identity();
            engine->opened_ = true;
        } catch (...) {
            failure = std::current_exception();
        }
    }};
    engine->thread_ = std::make_unique<Thread>(*engine);
    engine->thread_->start();
    if (engine->submit(guarded) != Taken::Own) throw std::logic_error("engine busy at its start");
    while (!engine->waitFor(guarded, 1000)) {
    }
    if (failure) std::rethrow_exception(failure);
    return engine;
}

std::shared_ptr<Engine> Engine::withoutDatabase() {
    std::shared_ptr<Engine> engine(new Engine(false));
    engine->thread_ = std::make_unique<Thread>(*engine);
    engine->thread_->start();
    return engine;
}

Engine::~Engine() {
    {
        const std::lock_guard<std::mutex> held(lock_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (::getpid() != pid_) {
        // A forked child (a death test): neither the thread nor the connection's owner is here.
        (void)thread_.release();
        (void)connection_.release();
        return;
    }
    if (thread_) thread_->wait();
}

void Engine::serve() {
    std::unique_lock<std::mutex> held(lock_);
    for (;;) {
        changed_.wait(held, [this] { return job_ || stopping_; });
        if (!job_) break;
        Job* job = job_;
        job_ = nullptr;
        held.unlock();
        job->run();
        held.lock();
        job->done = true;
        busy_ = false;
        if (waker_) waker_->wakeUp();
        changed_.notify_all();
    }
    held.unlock();
    try {
        connection_.reset();  // closed on the thread that opened it
    } catch (...) {
    }
}

Engine::Taken Engine::submit(Job& job) {
    const std::lock_guard<std::mutex> held(lock_);
    if (!busy_) {
        busy_ = true;
        job_ = &job;
        changed_.notify_all();
        return Taken::Own;
    }
    if (waitingBoxes_ > 0 && !nested_ && !boxInTransaction_) {
        nested_ = &job;
        changed_.notify_all();
        return Taken::Nested;
    }
    return Taken::Refused;
}

bool Engine::waitFor(const Job& job, int ms) {
    std::unique_lock<std::mutex> held(lock_);
    changed_.wait_for(held, std::chrono::milliseconds(ms), [&] { return job.done || asked_; });
    return job.done;
}

bool Engine::done(const Job& job) {
    const std::lock_guard<std::mutex> held(lock_);
    return job.done;
}

Engine::Box* Engine::takeAsked() {
    const std::lock_guard<std::mutex> held(lock_);
    return std::exchange(asked_, nullptr);
}

void Engine::answer(Box& box, int answer) {
    {
        const std::lock_guard<std::mutex> held(lock_);
        box.answer = answer;
        box.done = true;
    }
    changed_.notify_all();
}

void Engine::setWaker(QAbstractEventDispatcher* dispatcher) {
    const std::lock_guard<std::mutex> held(lock_);
    waker_ = dispatcher;
}

int Engine::ask(const QString& text, int style, const QString& title) {
    Box box{text, style, title};
    const bool inTransaction = holdsTransaction(running);
    std::unique_lock<std::mutex> held(lock_);
    asked_ = &box;
    ++waitingBoxes_;
    const bool outer = std::exchange(boxInTransaction_, inTransaction);
    if (waker_) waker_->wakeUp();
    changed_.notify_all();
    while (!box.done) {
        if (nested_) {
            Job* job = std::exchange(nested_, nullptr);
            held.unlock();
            job->run();
            held.lock();
            job->done = true;
            if (waker_) waker_->wakeUp();
            changed_.notify_all();
            continue;
        }
        changed_.wait(held);
    }
    --waitingBoxes_;
    boxInTransaction_ = outer;
    return box.answer;
}

std::unique_ptr<Database> Engine::takeConnection() {
    if (!database_) return nullptr;
    if (connection_) {
        try {
            connection_->ensureSameFile();
        } catch (...) {
            connection_.reset();
            throw;
        }
        return std::move(connection_);
    }
    if (!opened_) throw DbError(DbErr::CannotOpen, QStringLiteral("La base de datos no está abierta"));
    return Database::reopen(identity_);
}

void Engine::giveBack(std::unique_ptr<Database> connection, bool ended) {
    if (!connection) return;
    try {
        if (ended && connection->settle()) {
            connection_ = std::move(connection);
            return;
        }
    } catch (...) {
    }
    try {
        connection.reset();
    } catch (...) {
    }
}

}  // namespace klv
