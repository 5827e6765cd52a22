#pragma once
// Dialogs that answer from a script and keep books: every box the program shows must
// be one the test expected, in order, and every expected box must have been shown.

#include <deque>
#include <string>
#include <vector>

#include "app/Dialogs.h"

namespace vantrel::test {

struct ShownBox {
    std::string title;
    std::string text;
    BoxStyle style;
};

class ScriptedDialogs : public Dialogs {
public:
    ~ScriptedDialogs() override;

    // The next box must have this title and text; it is answered with `answer`.
    ScriptedDialogs& ExpectBox(std::string title, std::string text, BoxAnswer answer = BoxAnswer::Ok);
    // The next open-file dialog returns this path ("" for Cancel).
    ScriptedDialogs& ExpectOpen(std::string path);

    BoxAnswer MsgBox(const std::string& text, BoxStyle style, const std::string& title) override;
    std::string ShowOpen(const std::string& filter, bool fileMustExist) override;

    // Fails the test for expectations left unmet; clears them.
    void VerifyAndClear();

    const std::vector<ShownBox>& Shown() const { return shown_; }
    std::string LastFilter() const { return lastFilter_; }

private:
    struct Expected {
        std::string title, text;
        BoxAnswer answer;
    };
    std::deque<Expected> boxes_;
    std::deque<std::string> opens_;
    std::vector<ShownBox> shown_;
    std::string lastFilter_;
};

}  // namespace vantrel::test
