#pragma once
// Test double of the message service: records every call and answers from a script (the style's
// default button when the script is empty), so a test asserts the exact text, style and title.

#include "message_service.h"

#include <deque>
#include <stdexcept>
#include <vector>

namespace klv {

class RecordingMessageService : public MessageService {
public:
    struct Call {
        QString text;
        int style;
        QString title;
    };
    int show(const QString& text, int style, const QString& title) override {
        calls_.push_back({text, style, title});
        if (answers_.empty()) return defaultAnswerOfStyle(style);
        const int a = answers_.front();
        answers_.pop_front();
        return a;
    }
    void script(int answer) { answers_.push_back(answer); }
    const std::vector<Call>& calls() const { return calls_; }
    // The last message shown. Throws when none was: the test reading it fails, the others run on.
    const Call& last() const {
        if (calls_.empty()) throw std::logic_error("no message was shown");
        return calls_.back();
    }
    bool empty() const { return calls_.empty(); }
    void clear() { calls_.clear(); answers_.clear(); }

private:
    std::vector<Call> calls_;
    std::deque<int> answers_;
};

}  // namespace klv
