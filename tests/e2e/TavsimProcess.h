#pragma once
// One vantrel-tavsim child process playing a tav on a pseudo-terminal. Ends it (SIGTERM,
// then SIGKILL if it lingers) when destroyed.

#include <QProcess>
#include <QStringList>
#include <string>

namespace vantrel::test {

class TavsimProcess {
public:
    // Starts `program` with `args` and waits for the slave path it prints first.
    // Throws std::runtime_error when it does not start or print.
    TavsimProcess(const std::string& program, const QStringList& args);
    ~TavsimProcess();
    TavsimProcess(const TavsimProcess&) = delete;
    TavsimProcess& operator=(const TavsimProcess&) = delete;

    const std::string& SlavePath() const { return slavePath_; }

private:
    QProcess process_;
    std::string slavePath_;
};

}  // namespace vantrel::test
