#pragma once
// Ends the test process, failed and named, once a test has run `seconds`: a test of the runner of
// long work that hangs (a loop that never sees its work end) fails in seconds, not at ctest's limit.
// A member of the fixture: it is armed when the test begins and let go when the test ends.

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace klv::test {

class Deadline {
public:
    explicit Deadline(int seconds)
        : watch_([this, seconds] {
              std::unique_lock<std::mutex> held(lock_);
              if (ended_.wait_for(held, std::chrono::seconds(seconds), [this] { return over_; })) return;
              const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
              std::fprintf(stderr, "FAILED: %s.%s still runs after %d s: it hangs\n", t ? t->test_suite_name() : "?",
                           t ? t->name() : "?", seconds);
              std::fflush(stderr);
              std::_Exit(1);
          }) {}
    ~Deadline() {
        {
            const std::lock_guard<std::mutex> held(lock_);
            over_ = true;
        }
        ended_.notify_all();
        watch_.join();
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

private:
    std::mutex lock_;
    std::condition_variable ended_;
    bool over_ = false;
    std::thread watch_;  // last: started once the members it uses exist
};

}  // namespace klv::test
