#pragma once
// The one owner of QM8027's database connection: a thread of its own that opens the connection,
// runs every statement the program makes and closes it. Start-up opens it (Engine::open); from
// then on the window's thread holds no connection and calls no engine function of its own: it
// hands each read or write to this thread through the runner of long work
// (src/shell/long_work.h), which alone submits jobs and answers boxes, and waits. See
// docs/long-work.md.

#include "database.h"

#include <QString>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <sys/types.h>

class QAbstractEventDispatcher;

namespace klv {

struct AppContext;

class Engine {
public:
    // Opens the database file on the engine's thread, as Database::open does (waiting there for a
    // program that holds it); throws the DbError of the open.
    static std::shared_ptr<Engine> open(const QString& path, const QString& user = QString(),
                                        const QString& password = QString(), int busyTimeoutMs = 10000);
    // A thread without a database, for work that needs none (painting pages).
    static std::shared_ptr<Engine> withoutDatabase();
    // Closes the connection on the engine's thread and ends the thread.
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // What follows is the runner's (long_work.cpp).

    // A piece of work handed to the engine's thread, and whether it has ended.
    struct Job {
        std::function<void()> run;
        bool done = false;
    };
    // A box the engine's thread asks the window's thread to show, and its answer.
    struct Box {
        QString text;
        int style = 0;
        QString title;
        int answer = 0;
        bool done = false;
    };

    // --- The window's thread --------------------------------------------------------------------
    // Whether the engine takes a job now: an idle engine takes it as a work of its own; an engine
    // whose work waits for a box takes it inside that wait, in that work's context (Nested),
    // unless that work holds a transaction (the job would commit or roll back with it); an engine
    // whose work is running refuses it.
    enum class Taken { Own, Nested, Refused };
    Taken submit(Job& job);
    // Waits, without any event loop, until the job has ended or a box is asked, at most `ms`;
    // true when the job has ended.
    bool waitFor(const Job& job, int ms);
    bool done(const Job& job);
    // The box asked and not yet taken by the window's thread, if any.
    Box* takeAsked();
    void answer(Box& box, int answer);
    // The window's thread's event dispatcher, woken when a job ends or a box is asked.
    void setWaker(QAbstractEventDispatcher* dispatcher);

    // --- The engine's thread --------------------------------------------------------------------
    // Shows a box through the window's thread and waits for its answer; a job submitted meanwhile
    // (from a handler the box's own loop runs) runs here, in the waiting work's context.
    int ask(const QString& text, int style, const QString& title);
    // The connection for a work (opened again when the last work closed it); throws DbError.
    std::unique_ptr<Database> takeConnection();
    // Back from a work: kept when the work ended well and left the connection holding nothing
    // (no transaction, no statement reading); otherwise closed here, and opened again for the next.
    void giveBack(std::unique_ptr<Database> connection, bool ended);
    // The context of the work running, for a nested job.
    AppContext* running = nullptr;

private:
    class Thread;
    explicit Engine(bool database);
    void serve();

    const bool database_;
    std::mutex lock_;
    std::condition_variable changed_;
    Job* job_ = nullptr;      // the work submitted and not yet taken
    Job* nested_ = nullptr;   // a job submitted while the work waits for a box
    Box* asked_ = nullptr;    // a box published and not yet taken
    int waitingBoxes_ = 0;    // boxes the engine's thread waits for (nested jobs can ask their own)
    bool boxInTransaction_ = false;  // the work waiting for the innermost box holds a transaction
    bool busy_ = false;       // a work is taken and has not ended
    bool stopping_ = false;
    QAbstractEventDispatcher* waker_ = nullptr;

    // The engine's thread's own.
    std::unique_ptr<Database> connection_;
    Database::Identity identity_;
    bool opened_ = false;

    const pid_t pid_;
    std::unique_ptr<Thread> thread_;
};

}  // namespace klv
