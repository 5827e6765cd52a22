#include "posix/QtPortThread.h"

#include <pthread.h>

#include <QThread>
#include <csignal>
#include <exception>
#include <optional>

#include "posix/QtEventPump.h"
#include "posix/QtSerialPort.h"

namespace vantrel {
namespace {

class QtPortThread : public PortThread {
public:
    QtPortThread(PortWork work, PortFailure failed)
        : thread_(QThread::create([work = std::move(work), failed = std::move(failed)] {
              std::optional<QtEventPump> pump;
              std::optional<QtSerialPort> port;
              try {
                  pump.emplace();
                  port.emplace();
              } catch (const std::exception& e) {
                  return failed(e.what());
              }
              work(*port, *pump);
          })) {
        // A new thread starts with its creator's signal mask: with SIGINT, SIGTERM and SIGHUP
        // blocked there, they always reach the main thread, which acts on them.
        sigset_t interruptions, before;
        sigemptyset(&interruptions);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&interruptions, signal);
        pthread_sigmask(SIG_BLOCK, &interruptions, &before);
        thread_->start();
        pthread_sigmask(SIG_SETMASK, &before, nullptr);
    }
    ~QtPortThread() override { thread_->wait(); }

private:
    std::unique_ptr<QThread> thread_;
};

}  // namespace

std::unique_ptr<PortThread> StartQtPortThread(PortWork work, PortFailure failed) {
    return std::make_unique<QtPortThread>(std::move(work), std::move(failed));
}

}  // namespace vantrel
