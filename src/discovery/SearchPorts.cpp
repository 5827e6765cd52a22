#include "discovery/SearchPorts.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>

#include "discovery/TypeOfReply.h"
#include "firmware/FirmwareImage.h"
#include "serial/Link.h"
#include "serial/PortSteps.h"
#include "serial/RestartCommands.h"
#include "serial/SerialPort.h"

namespace vantrel {
namespace {

// Tavs that carry an IR micro answer the probe with their own code, while the firmware
// file names the IR micro's code; the file is for the IR micro behind the tav.
constexpr std::array<std::uint8_t, 4> kIrCarrierReplies{0x23, 0x17, 0x28, 0x2B};

bool IsIrCarrier(std::uint8_t reply) {
    return std::ranges::find(kIrCarrierReplies, reply) != kIrCarrierReplies.end();
}

// Why an opening was refused, by the kind of error the port raised.
PortAccess RefusalOf(const SerialError& e) {
    if (dynamic_cast<const PortInUseError*>(&e)) return PortAccess::InUse;
    if (dynamic_cast<const PortMissingError*>(&e)) return PortAccess::Missing;
    if (dynamic_cast<const PortDeniedError*>(&e)) return PortAccess::Denied;
    return PortAccess::Failed;
}

// Opens COMn, telling why it would not open.
void OpenPort(SerialPort& port, PortFinding& finding) {
    try {
        port.SetCommPort(static_cast<std::int16_t>(finding.comPort));
        port.SetPortOpen(true);
        finding.access = port.PortOpen() ? PortAccess::Opened : PortAccess::Failed;
    } catch (const SerialError& e) {
        finding.access = RefusalOf(e);
        finding.accessError = e.what();
    }
}

// The type the identification names; selectable when it is the file's target.
void TakeType(PortFinding& finding, Identification v, const SearchRequest& request) {
    const TypeRow* type = TypeOfReply(request.types, ReplyCode(v));
    if (!type) {
        finding.type.reset();
        return;
    }
    finding.type = *type;
    if (request.targetReply == type->Reply) finding.selectable = true;
}

// The firmware is for the IR micro behind the probed tav: link to the micro, take its
// version, and restart it whatever came of the link.
Identification IdentifyIrMicro(Link& link, PortFinding& finding, const SearchRequest& request,
                               SearchObserver& observer) {
    Identification v = finding.probed;
    (void)ProbePort(link, request.types, false);  // once more, without restart, ahead of the link
    finding.irLink = Link_Quadrel_IR(link);
    observer.StepEnded(finding.comPort, SearchStep::IrLink, *finding.irLink);
    if (finding.irLink->Accepted()) {
        const auto& bytes = finding.irLink->bytes;
        v = request.targetReply + 256 * bytes[1] + 65536 * bytes[2];
        finding.selectable = true;
    }
    finding.irRestart = restart_quadrel_IR(link);
    observer.StepEnded(finding.comPort, SearchStep::IrRestart, *finding.irRestart);
    return v;
}

void IdentifyTav(Link& link, PortFinding& finding, const SearchRequest& request, SearchObserver& observer) {
    const ProbeResult probe = ProbePort(link, request.types, request.restart);
    finding.probed = probe.identification;
    finding.restart = probe.restart;
    if (probe.restart) observer.StepEnded(finding.comPort, SearchStep::Restart, *probe.restart);

    Identification v = probe.identification;
    const bool irTarget = IsIrMicroTarget(request.targetReply);
    if (!request.types.empty() && irTarget && IsIrCarrier(ReplyCode(v))) {
        v = IdentifyIrMicro(link, finding, request, observer);
    } else {
        TakeType(finding, v, request);
    }
    if (irTarget) TakeType(finding, v, request);

    if (v == 0 || !finding.type) {
        finding.type.reset();
        return;
    }
    finding.identification = v;
    const std::uint8_t major = MajorVersion(v);
    const std::uint8_t minor = MinorVersion(v);
    finding.versionText = std::to_string(major) + "." + std::to_string(minor);
    finding.version = static_cast<float>(major) + static_cast<float>(minor) / 10.0f;
}

}  // namespace

bool SearchWithRts(std::uint8_t targetReply) { return targetReply == kRtsTarget; }

PortFinding SearchPort(Link& link, int comPort, const SearchRequest& request, SearchObserver& observer) {
    PortFinding finding;
    finding.comPort = comPort;
    SerialPort& port = link.Port();
    OpenPort(port, finding);
    if (finding.Opened()) {
        if (request.emergency) {
            finding.emergency = true;
            finding.selectable = true;
        } else {
            IdentifyTav(link, finding, request, observer);
        }
    }
    CloseIfOpen(port);
    return finding;
}

PortFindings SearchPortsInTurn(Link& link, const SearchRequest& request, SearchObserver& observer) {
    PortFindings findings{};
    for (int i = 0; i < kComPorts; ++i) findings[static_cast<std::size_t>(i)].comPort = i + 1;
    for (const int comPort : request.ports) {
        PortFinding& finding = findings.at(static_cast<std::size_t>(comPort - 1));
        finding = SearchPort(link, comPort, request, observer);
        observer.PortSearched(finding);
    }
    return findings;
}

SearchAtOnce::SearchAtOnce(const StartPortThread& startPortThread, SearchRequest request, SearchObserver& observer,
                           EventPump* wakeWhenDone)
    : request_(std::move(request)), observer_(observer), wakeWhenDone_(wakeWhenDone) {
    for (int i = 0; i < kComPorts; ++i) findings_[static_cast<std::size_t>(i)].comPort = i + 1;
    running_ = static_cast<int>(request_.ports.size());
    for (const int comPort : request_.ports) {
        threads_.push_back(startPortThread(
            [this, comPort](SerialPort& port, EventPump& pump) { Work(comPort, port, pump); },
            [this, comPort](const char* what) {
                PortFinding finding;
                finding.comPort = comPort;
                finding.access = PortAccess::Failed;
                finding.accessError = what;
                Finished(std::move(finding));
            }));
    }
}

SearchAtOnce::~SearchAtOnce() {
    if (!Done()) Abandon();
    threads_.clear();  // joins
}

void SearchAtOnce::Work(int comPort, SerialPort& port, EventPump& platformPump) {
    PortFinding finding;
    finding.comPort = comPort;
    try {
        AbandonablePump pump(platformPump, abandonment_);
        Link link(port, pump);
        port.SetRTSEnable(SearchWithRts(request_.targetReply));
        finding = SearchPort(link, comPort, request_, observer_);
        observer_.PortSearched(finding);
    } catch (const ProgramEnding&) {
        // Abandoned: the port is closed below, the finding says only what was known.
    } catch (const std::exception& e) {
        finding.access = PortAccess::Failed;
        finding.accessError = e.what();
    }
    CloseIfOpen(port);
    Finished(std::move(finding));
}

void SearchAtOnce::Finished(PortFinding finding) {
    {
        std::lock_guard lock(mutex_);
        findings_.at(static_cast<std::size_t>(finding.comPort - 1)) = std::move(finding);
        --running_;
    }
    ended_.notify_all();
    if (wakeWhenDone_) wakeWhenDone_->Wake();
}

bool SearchAtOnce::Done() const {
    std::lock_guard lock(mutex_);
    return running_ == 0;
}

void SearchAtOnce::Wait() {
    std::unique_lock lock(mutex_);
    ended_.wait(lock, [this] { return running_ == 0; });
}

PortFindings SearchAtOnce::Findings() const {
    std::lock_guard lock(mutex_);
    return findings_;
}

PortFindings SearchPortsAtOnce(const StartPortThread& startPortThread, const SearchRequest& request,
                               SearchObserver& observer) {
    SearchAtOnce search(startPortThread, request, observer);
    search.Wait();
    return search.Findings();
}

}  // namespace vantrel
