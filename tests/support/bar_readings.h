#pragma once
// The readings of the progress window's bar, each time the runner's loop turns while the window
// stands on screen: (value, maximum), the maximum 0 for a bar that only moves. A work after another
// has a window of its own, and its readings a series of their own.

#include <QApplication>
#include <QPointer>
#include <QProgressBar>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace klv::test {

class BarReadings {
public:
    BarReadings() {
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->objectName() == QLatin1String("ProgressWindow") && top->isVisible())
                    if (auto* bar = top->findChild<QProgressBar*>(QStringLiteral("PrgProgreso"))) {
                        if (top != window_) ++series_;
                        window_ = top;
                        readings.emplace_back(bar->value(), bar->maximum());
                        series.push_back(series_);
                    }
        });
        poll_.start(0);
    }
    // The readings that show a share: they stay within the bar and only grow in each series.
    std::vector<std::pair<int, int>> shares() const {
        std::vector<std::pair<int, int>> out;
        int last = -1;
        for (size_t i = 0; i < readings.size(); ++i) {
            const auto& r = readings[i];
            if (r.second <= 0) continue;
            EXPECT_GE(r.first, 0);
            EXPECT_LE(r.first, r.second);
            if (!out.empty() && series[i] == last) {
                EXPECT_GE(r.first, out.back().first);
            }
            last = series[i];
            out.push_back(r);
        }
        return out;
    }
    std::vector<std::pair<int, int>> readings;
    std::vector<int> series;  // of each reading

private:
    QTimer poll_;
    QPointer<QWidget> window_;
    int series_ = 0;
};

}  // namespace klv::test
