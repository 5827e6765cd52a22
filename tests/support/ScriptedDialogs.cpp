#include "support/ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace vantrel::test {

ScriptedDialogs::~ScriptedDialogs() { VerifyAndClear(); }

ScriptedDialogs& ScriptedDialogs::ExpectBox(std::string title, std::string text, BoxAnswer answer) {
    boxes_.push_back({std::move(title), std::move(text), answer});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::ExpectOpen(std::string path) {
    opens_.push_back(std::move(path));
    return *this;
}

BoxAnswer ScriptedDialogs::MsgBox(const std::string& text, BoxStyle style, const std::string& title) {
    shown_.push_back({title, text, style});
    if (boxes_.empty()) {
        ADD_FAILURE() << "unexpected box \"" << title << "\": \"" << text << "\"";
        return BoxAnswer::Ok;
    }
    Expected next = boxes_.front();
    boxes_.pop_front();
    EXPECT_EQ(next.title, title);
    EXPECT_EQ(next.text, text);
    return next.answer;
}

std::string ScriptedDialogs::ShowOpen(const std::string& filter, bool /*fileMustExist*/) {
    lastFilter_ = filter;
    if (opens_.empty()) {
        ADD_FAILURE() << "unexpected open-file dialog";
        return {};
    }
    std::string path = opens_.front();
    opens_.pop_front();
    return path;
}

void ScriptedDialogs::VerifyAndClear() {
    for (const auto& box : boxes_)
        ADD_FAILURE() << "expected box not shown: \"" << box.title << "\": \"" << box.text << "\"";
    for (const auto& path : opens_) ADD_FAILURE() << "expected open-file dialog not shown (" << path << ")";
    boxes_.clear();
    opens_.clear();
}

}  // namespace vantrel::test
