#include "app/PortThreadTransfer.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

#include "programming/PortThreadRun.h"
#include "serial/AbandonablePump.h"
#include "serial/Link.h"
#include "serial/PortSteps.h"

namespace vantrel {

struct PortThreadTransfer::Active {
    Active(const ProgrammingJob& j, ProgrammingRun& r, ProgrammingObserver& o, RunRecorder* rec, const RunStart& f,
           EventPump& wp)
        : job(j), windowRun(r), observer(o), recorder(rec), facts(f), windowPump(wp) {}

    const ProgrammingJob& job;
    ProgrammingRun& windowRun;      // a copy of threadRun, brought up to date where the observer runs
    ProgrammingObserver& observer;  // the window's
    RunRecorder* recorder;
    const RunStart& facts;
    EventPump& windowPump;

    ProgrammingRun threadRun;  // the flow's own account, written on the port thread
    std::atomic<bool> stop{false};
    Abandonment abandonment;

    std::mutex mutex;
    std::condition_variable changed;
    // A call of the observer waiting for the window's thread, and how far it has got.
    std::shared_ptr<const std::function<void()>> call;
    bool callTaken = false;
    bool callDone = false;
    // The window's thread serves no more: the port thread calls the observer itself.
    bool windowGone = false;
    bool done = false;
    std::string failure;  // the platform failed under the flow

    std::unique_ptr<PortThread> thread;
};

// The observer as the flow on the port thread sees it: each call is run on the window's
// thread and waited for, or once the window has gone, run here. A call holds copies of
// what it tells, not references into this thread: a window's thread that had it under
// way when the window went may finish it after this thread has ended.
class PortThreadTransfer::Relay : public ProgrammingObserver {
public:
    explicit Relay(Active& a) : a_(a) {}

    bool StopRequested() override { return a_.stop; }
    void CannotOpen(std::int16_t comPort) override {
        OnWindow([comPort](Active& a) { a.observer.CannotOpen(comPort); });
    }
    void TransferBegins(const ProgrammingRun&) override {
        OnWindow([](Active& a) { a.observer.TransferBegins(a.windowRun); });
    }
    void Progress(int sent, int total) override {
        OnWindow([sent, total](Active& a) { a.observer.Progress(sent, total); });
    }
    void TransferFailed(const ProgrammingRun&) override {
        OnWindow([](Active& a) { a.observer.TransferFailed(a.windowRun); });
    }
    void CompletionEnded(const ExchangeResult& completion) override {
        OnWindow([completion](Active& a) { a.observer.CompletionEnded(completion); });
    }
    void RestartEnded(RestartCommand which, const ExchangeResult& restart) override {
        OnWindow([which, restart](Active& a) { a.observer.RestartEnded(which, restart); });
    }

private:
    void OnWindow(std::function<void(Active&)> tell) {
        auto call = std::make_shared<const std::function<void()>>([&a = a_, tell = std::move(tell)] {
            a.windowRun = a.threadRun;
            tell(a);
        });
        std::unique_lock lock(a_.mutex);
        if (a_.abandonment.Abandoned()) return;  // ending at once: nothing more is shown
        if (!a_.windowGone) {
            a_.call = call;
            a_.callTaken = a_.callDone = false;
            a_.windowPump.Wake();
            a_.changed.wait(lock, [this] { return a_.callDone || a_.abandonment.Abandoned() || a_.windowGone; });
            const bool runHere = !a_.callDone && !a_.abandonment.Abandoned() && !a_.callTaken;
            a_.call.reset();
            if (!runHere) return;  // shown, abandoned, or left under way by a window that is gone
        }
        // The window's thread waits for this thread to end and touches nothing meanwhile.
        lock.unlock();
        (*call)();
    }

    Active& a_;
};

PortThreadTransfer::PortThreadTransfer(StartPortThread start, Link& windowLink)
    : start_(std::move(start)), windowLink_(windowLink) {}

void PortThreadTransfer::Work(Active& a, SerialPort& port, EventPump& pump) {
    AbandonablePump abandonable(pump, a.abandonment);
    Link link(port, abandonable);
    Relay relay(a);
    a.failure = RunOnPortThread(link, a.job, a.threadRun, relay, a.recorder, a.facts).failure;
}

void PortThreadTransfer::ServeWindow(Active& a) {
    for (;;) {
        std::shared_ptr<const std::function<void()>> call;
        {
            const std::lock_guard lock(a.mutex);
            if (a.done) return;
            if (a.call && !a.callTaken && !a.windowGone) {
                call = a.call;
                a.callTaken = true;
            }
        }
        if (call) {
            (*call)();
            {
                const std::lock_guard lock(a.mutex);
                a.callDone = true;
            }
            a.changed.notify_all();
            continue;
        }
        if (a.observer.StopRequested()) a.stop = true;
        // Woken by the port thread when it has something to show or has ended.
        windowLink_.Serve(windowLink_.Pump().Now() + std::chrono::seconds(1));
    }
}

void PortThreadTransfer::Run(const ProgrammingJob& job, ProgrammingRun& run, ProgrammingObserver& observer,
                             RunRecorder* recorder, const RunStart& facts) {
    // The flow opens the port on its own thread; the window's may still hold it from a search.
    CloseIfOpen(windowLink_.Port());
    Active a(job, run, observer, recorder, facts, windowLink_.Pump());

    // However the window's side ends (the flow done, the window closed at once, a failure
    // on this thread), the port thread has ended before `a` goes.
    struct Joined {
        PortThreadTransfer& self;
        Active& a;
        ~Joined() {
            if (a.thread) {
                {
                    // Taken so that a call waiting for the window sees it before it waits.
                    const std::lock_guard lock(a.mutex);
                    if (!a.done) a.abandonment.Abandon();
                }
                a.changed.notify_all();
                a.thread.reset();
            }
            a.windowRun = a.threadRun;
            self.active_ = nullptr;
        }
    } joined{*this, a};
    active_ = &a;

    const auto finished = [&a] {
        {
            const std::lock_guard lock(a.mutex);
            a.done = true;
        }
        a.changed.notify_all();
        a.windowPump.Wake();
    };
    a.thread = start_(
        [this, &a, finished](SerialPort& port, EventPump& pump) {
            Work(a, port, pump);
            finished();
        },
        [&a, finished](const char* what) {
            a.failure = what;
            finished();
        });
    ServeWindow(a);
    a.thread.reset();
    if (!a.failure.empty()) throw std::runtime_error(a.failure);
}

void PortThreadTransfer::FinishWithoutWindow() {
    Active* a = active_;
    if (!a) return;
    a->stop = true;
    {
        const std::lock_guard lock(a->mutex);
        a->windowGone = true;
    }
    a->changed.notify_all();
    a->thread.reset();
}

}  // namespace vantrel
