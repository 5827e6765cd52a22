#pragma once
// One user command at a time. Every wait of a command lets window events run, so a click,
// or the command-line load coming due, could otherwise start a second command inside the
// first, and two flows would share the one port.

namespace vantrel {

class Bootstrap;

// Held by a command handler (Load, Search, Emergency, Program, a row's question, the
// command-line load) for as long as it runs. One that did not start means another
// command is running: the handler returns at once.
class CommandScope {
public:
    explicit CommandScope(Bootstrap& w);
    ~CommandScope();
    CommandScope(const CommandScope&) = delete;
    CommandScope& operator=(const CommandScope&) = delete;

    explicit operator bool() const { return started_; }

private:
    Bootstrap& w_;
    bool started_;
};

}  // namespace vantrel
