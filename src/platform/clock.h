#pragma once
// The date drives many rules (the last valid period is the current year, dates after today are
// refused). Every reader of "today" goes through a Clock so tests can fix it.

#include <QDate>
#include <QDateTime>

namespace klv {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }
    int year() const { return today().year(); }
};

class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

class FixedClock : public Clock {
public:
    explicit FixedClock(QDateTime when) : when_(std::move(when)) {}
    explicit FixedClock(QDate day) : when_(day, QTime(10, 0)) {}
    QDateTime now() const override { return when_; }
    void set(QDateTime when) { when_ = std::move(when); }

private:
    QDateTime when_;
};

}  // namespace klv
