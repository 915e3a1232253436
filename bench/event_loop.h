#pragma once
// The benchmarks' application: its main, and how long an operation held the window's event loop.

#include "message_service.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <functional>

namespace klv::bench {

// A 10 ms timer on the window's thread notes each time it fires while the operation runs; the
// longest interval between two firings (the start and the end of the operation count as firings)
// is the longest time no window could repaint or take input.
class EventGaps {
public:
    EventGaps() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { note(); });
        clock_.start();
        timer_.start();
    }
    // The longest interval so far, in milliseconds, the end of the operation counted as a firing.
    double longestMs() {
        note();
        return static_cast<double>(longest_) / 1e6;
    }

private:
    void note() {
        const qint64 now = clock_.nsecsElapsed();
        longest_ = std::max(longest_, now - last_);
        last_ = now;
    }
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
};

// A benchmark program's main: the benchmarks run under an application object, as the forms need;
// `atEnd` runs before it goes.
inline int benchmarkMain(int argc, char** argv, const std::function<void()>& atEnd = {}) {
    prepareProgramEnvironment();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (atEnd) atEnd();
    return 0;
}

}  // namespace klv::bench
