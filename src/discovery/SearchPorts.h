#pragma once
// The search over COM ports: each port opened, its tav probed (or, in emergency mode, the
// port only listed), and a finding made of it. Ports one after the other on one link (the
// specified window: its one port object, the covers lifted row by row), or all at once,
// each on its own link and thread (the views that program several tavs: four silent
// ports then cost one port's time).

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "discovery/PortFinding.h"
#include "registry/RegisterTav.h"
#include "serial/AbandonablePump.h"
#include "serial/PortThread.h"

namespace vantrel {

class EventPump;
class Link;

inline constexpr int kComPorts = 4;
using PortFindings = std::array<PortFinding, kComPorts>;  // element 0 is COM1

struct SearchRequest {
    std::vector<TypeRow> types;    // the type table (a copy: each port's thread reads its own)
    std::uint8_t targetReply = 0;  // the loaded file's target; 0 when none
    bool emergency = false;        // list every port that opens, without a probe
    std::vector<int> ports{1, 2, 3, 4};
    // Restart a tav after it has been identified (as the window's search does); off for a
    // search that must leave every tav as it found it.
    bool restart = true;
};

// The exchanges of a search whose outcome the user is told of when it did not stand.
enum class SearchStep { Restart, IrLink, IrRestart };

// Told as the search goes. In a search at once the calls come on each port's own thread:
// an observer for it takes them from several threads at a time.
class SearchObserver {
public:
    virtual ~SearchObserver() = default;
    // An exchange has just ended, before the search goes on with the port.
    virtual void StepEnded(int /*comPort*/, SearchStep /*step*/, const ExchangeResult& /*result*/) {}
    // The port's finding is in; the port has been closed again.
    virtual void PortSearched(const PortFinding& /*finding*/) {}
};

// RTS is on while the search talks to the ports only for the one target whose tavs hear
// nothing without it.
bool SearchWithRts(std::uint8_t targetReply);

// One port on the link: opened with the RTS state the port holds, searched, closed.
PortFinding SearchPort(Link& link, int comPort, const SearchRequest& request, SearchObserver& observer);

// The requested ports one after the other on one link; those not requested stay NotTried.
PortFindings SearchPortsInTurn(Link& link, const SearchRequest& request, SearchObserver& observer);

// The requested ports at the same time, each on a port thread of its own with the
// platform's port and pump and a link of its own. The caller waits in its own pump (it is
// woken as each port ends) or in Wait(). Destroying it abandons what still runs and joins.
class SearchAtOnce {
public:
    SearchAtOnce(const StartPortThread& startPortThread, SearchRequest request, SearchObserver& observer,
                 EventPump* wakeWhenDone = nullptr);
    ~SearchAtOnce();
    SearchAtOnce(const SearchAtOnce&) = delete;
    SearchAtOnce& operator=(const SearchAtOnce&) = delete;

    bool Done() const;
    void Wait();
    // Every port's search ends at its next wait, its port closed; from any thread.
    void Abandon() { abandonment_.Abandon(); }
    // Once Done. A port whose thread the platform could not equip is Failed with its words.
    PortFindings Findings() const;

private:
    void Work(int comPort, SerialPort& port, EventPump& pump);
    void Finished(PortFinding finding);

    const SearchRequest request_;
    SearchObserver& observer_;
    EventPump* wakeWhenDone_;
    Abandonment abandonment_;
    mutable std::mutex mutex_;
    std::condition_variable ended_;
    PortFindings findings_{};
    int running_ = 0;
    std::vector<std::unique_ptr<PortThread>> threads_;
};

// SearchAtOnce, waited for.
PortFindings SearchPortsAtOnce(const StartPortThread& startPortThread, const SearchRequest& request,
                               SearchObserver& observer);

}  // namespace vantrel
