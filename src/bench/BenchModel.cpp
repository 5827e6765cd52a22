#include "bench/BenchModel.h"

#include <algorithm>
#include <utility>

#include "app/Bootstrap.h"
#include "app/Commands.h"
#include "app/LoadFirmwareFile.h"
#include "app/TavBoxes.h"
#include "ports/ComPortDevice.h"
#include "programming/ProgramTav.h"
#include "runs/FileDigest.h"
#include "runs/RecordLines.h"
#include "runs/RunLog.h"
#include "station/SlotTasks.h"

namespace vantrel {
namespace {

const std::string kCrLf = "\r\n";

std::size_t Index(int comPort) { return static_cast<std::size_t>(comPort - 1); }

std::string TrimmedEnd(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n')) text.pop_back();
    return text;
}

std::string FileText(const LoadedFile& file) {
    std::string text = TrimmedEnd(file.target) + "   version " + TrimmedEnd(file.version) + "   " +
                       std::to_string(file.records) + " records";
    if (const auto digest = runs::Sha256OfFile(file.path, runs::kDigestMaxBytes)) text += "   SHA-256 " + digest->substr(0, 12);
    return text;
}

std::string CountsText(const SlotCounts& counts) {
    return std::to_string(counts.programmed) + " programmed, " + std::to_string(counts.failed) + " failed";
}

}  // namespace

SlotColour ColourOf(SlotState state) {
    switch (state) {
        case SlotState::Programmed: return SlotColour::Green;
        case SlotState::Failed: return SlotColour::Red;
        case SlotState::Programming:
        case SlotState::Searching: return SlotColour::Blue;
        default: return SlotColour::Grey;
    }
}

BenchModel::BenchModel(const BenchPlatform& platform, BenchStart start)
    : platform_(platform), start_(std::move(start)), station_(platform.portThreads, *this) {
    if (!platform_.deviceOf) platform_.deviceOf = ComPortDevice;
    loader_ = std::make_unique<Bootstrap>(platform_.port, platform_.pump, platform_.dialogs, platform_.registry);
    loader_->Types.CheckTypeRegistry();
    ShowDevices();
}

BenchModel::~BenchModel() {
    station_.Stop();
    station_.Wait();
}

void BenchModel::SetChanged(std::function<void()> changed) {
    std::lock_guard lock(changedMutex_);
    changed_ = std::move(changed);
}

void BenchModel::Tell() const {
    std::function<void()> changed;
    {
        std::lock_guard lock(changedMutex_);
        changed = changed_;
    }
    if (changed) changed();
}

void BenchModel::Begin() {
    if (!start_.file.empty()) Load(start_.file);
    if (start_.watch && View().enabled.watch) Watch();
}

BenchView BenchModel::View() const {
    BenchView view;
    view.file = job_ ? fileText_ : "No file loaded";
    const auto statuses = station_.Statuses();
    SlotCounts total;
    bool anyArmed = false, anyFailedArmed = false;
    for (std::size_t i = 0; i < kSlots; ++i) {
        const SlotStatus& s = statuses[i];
        BenchSlotView& slot = view.slots[i];
        slot.comPort = static_cast<int>(i) + 1;
        slot.armed = armed_[i];
        slot.device = devices_[i];
        // A slot no command has used yet shows whether its port is there at all.
        slot.state = used_[i] ? s.state : devices_[i].empty() ? SlotState::NoPort : SlotState::Waiting;
        SlotStatus shown = s;
        shown.state = slot.state;
        slot.status = StatusText(shown);
        slot.percent = slot.state == SlotState::Programming ? s.percent : slot.state == SlotState::Programmed ? 100 : 0;
        slot.colour = ColourOf(slot.state);
        slot.counts = CountsText(s.counts);
        total += s.counts;
        anyArmed = anyArmed || armed_[i];
        anyFailedArmed = anyFailedArmed || (armed_[i] && s.state == SlotState::Failed);
    }
    view.total = "Since the window opened: " + std::to_string(total.programmed) + " programmed, " +
                 std::to_string(total.failed) + " failed, " + std::to_string(total.leftAlone) + " left alone";

    view.watching = phase_ == Phase::Watching;
    BenchCommands& on = view.enabled;
    if (closing_) return view;  // nothing more: it is going
    on.exit = true;
    if (phase_ == Phase::Idle) {
        on.load = on.arm = true;
        on.programAll = on.watch = job_ && anyArmed;
        on.retryFailed = job_ && anyFailedArmed;
    } else {
        on.stop = !stopAsked_;
        on.watch = phase_ == Phase::Watching && !stopAsked_;
    }
    return view;
}

void BenchModel::Load(const std::string& given) {
    if (!Idle()) return;
    // Cancel in the dialog keeps the file loaded; a file that fails to load replaces it
    // with none, so that nobody programs on with a file they meant to leave.
    const std::string path = given.empty() ? platform_.dialogs.ShowOpen(kPhxDialogFilter, true) : given;
    if (path.empty()) return;
    job_.reset();
    if (ReadFirmwareFile(*loader_, path)) {
        const Bootstrap& w = *loader_;
        SlotJob job;
        job.image = std::make_shared<const std::vector<FirmwareRecord>>(
            w.Records.begin(), w.Records.begin() + w.RecordCount);
        job.targetReply = w.TargetReply;
        job.fileVersion = FileVersion(w);
        job.types = w.Types.TypeTable;
        job.file = w.File;
        fileText_ = FileText(*w.File);
        job_ = std::move(job);
    }
    Tell();
}

void BenchModel::SetArmed(int comPort, bool armed) {
    if (comPort < 1 || comPort > kSlots || !View().enabled.arm) return;
    armed_[Index(comPort)] = armed;
    Tell();
}

void BenchModel::Use(const std::vector<int>& ports) {
    for (const int port : ports) used_[Index(port)] = true;
}

std::vector<int> BenchModel::ArmedPorts() const {
    std::vector<int> ports;
    for (int port = 1; port <= kSlots; ++port)
        if (armed_[Index(port)]) ports.push_back(port);
    return ports;
}

std::vector<int> BenchModel::FailedArmedPorts() const {
    std::vector<int> ports;
    const auto statuses = station_.Statuses();
    for (const int port : ArmedPorts())
        if (statuses[Index(port)].state == SlotState::Failed) ports.push_back(port);
    return ports;
}

bool BenchModel::ImageFitsOrSaysSo() {
    if (const std::optional<int> line = FirstDataLineOutOfReach(*job_->image)) {
        Show(platform_.dialogs, OutOfReachBox(*line));
        return false;
    }
    return true;
}

void BenchModel::ProgramAll() {
    if (!View().enabled.programAll || !ImageFitsOrSaysSo()) return;
    phase_ = Phase::Searching;
    stopAsked_ = false;
    SlotJob job = *job_;
    job.reprogramUpToDate = false;  // asked about once the search has found them
    Use(ArmedPorts());
    station_.Search(job, ArmedPorts());
    Tell();
}

void BenchModel::Watch() {
    const BenchView view = View();
    if (!view.enabled.watch) return;
    if (view.watching) {
        Stop();
        return;
    }
    if (!ImageFitsOrSaysSo()) return;
    phase_ = Phase::Watching;
    stopAsked_ = false;
    Use(ArmedPorts());
    station_.Watch(*job_, ArmedPorts());
    Tell();
}

void BenchModel::RetryFailed() {
    if (!View().enabled.retryFailed || !ImageFitsOrSaysSo()) return;
    // A tav whose programming failed answers no probe: it is programmed blind, after the
    // same warning the emergency search gives.
    if (platform_.dialogs.MsgBox(EmergencyWarning(), BoxStyle::OkCancel, "Warning") != BoxAnswer::Ok) return;
    if (!Idle()) return;  // the window was closed while the warning was up
    phase_ = Phase::Programming;
    stopAsked_ = false;
    station_.Program(*job_, FailedArmedPorts(), true);
    Tell();
}

void BenchModel::Stop() {
    if (phase_ == Phase::Idle || stopAsked_) return;
    stopAsked_ = true;
    station_.Stop();
    Tell();
}

bool BenchModel::Close() {
    closing_ = true;
    if (phase_ != Phase::Idle) {
        stopAsked_ = true;
        station_.Stop();
    }
    Tell();
    return ReadyToClose();
}

bool BenchModel::ReadyToClose() const { return closing_ && phase_ == Phase::Idle; }

void BenchModel::Update() {
    if (inUpdate_) return;  // a box of ours is up: its answer moves the bench on
    inUpdate_ = true;
    if (phase_ != Phase::Idle && !station_.Running()) {
        station_.Wait();  // joins the ended threads
        if (phase_ == Phase::Searching)
            SearchEnded();
        else
            phase_ = Phase::Idle;
        if (phase_ == Phase::Idle) {
            stopAsked_ = false;
            ShowDevices();
        }
        Tell();
    }
    inUpdate_ = false;
}

void BenchModel::SearchEnded() {
    const auto findings = station_.Findings();
    const auto statuses = station_.Statuses();
    std::vector<int> toProgram, upToDate, otherType;
    std::string listed;
    for (const int port : ArmedPorts()) {
        const std::optional<PortFinding>& finding = findings[Index(port)];
        if (!finding || !finding->Opened() || finding->identification == 0) continue;
        switch (JudgeTav(*finding, *job_)) {
            case TavVerdict::Program: toProgram.push_back(port); break;
            case TavVerdict::UpToDate:
                upToDate.push_back(port);
                listed += kCrLf + "COM" + std::to_string(port) + ": " + statuses[Index(port)].tav;
                break;
            case TavVerdict::OtherType: otherType.push_back(port); break;
        }
    }
    const bool go = !stopAsked_ && !closing_;
    if (go && !upToDate.empty()) {
        const std::string question = (upToDate.size() == 1 ? "This tav is" : "These tavs are") +
                                     std::string(" up to date:") + listed + kCrLf + kCrLf + "Reprogram " +
                                     (upToDate.size() == 1 ? "it" : "them") + " too?";
        if (platform_.dialogs.MsgBox(question, BoxStyle::OkCancel, "Program all") == BoxAnswer::Ok && !closing_) {
            toProgram.insert(toProgram.end(), upToDate.begin(), upToDate.end());
            upToDate.clear();
        }
    }
    for (const int port : upToDate) station_.LeftAlone(port);
    for (const int port : otherType) station_.LeftAlone(port);
    if (stopAsked_ || closing_ || toProgram.empty()) {
        // Tavs found but not programmed were not touched: they show what was found.
        phase_ = Phase::Idle;
        return;
    }
    std::sort(toProgram.begin(), toProgram.end());
    phase_ = Phase::Programming;
    station_.Program(*job_, toProgram, false);
}

void BenchModel::FinishWithoutWindow() {
    closing_ = true;
    station_.Stop();
    station_.Wait();
    phase_ = Phase::Idle;
}

void BenchModel::ShowDevices() {
    for (int port = 1; port <= kSlots; ++port) devices_[Index(port)] = platform_.deviceOf(port);
}

void BenchModel::SlotChanged(const SlotStatus&) { Tell(); }

void BenchModel::SlotEnded() { Tell(); }

void BenchModel::TavEnded(const TavResult& result) {
    records_[Index(result.comPort)].reset();  // its end line is written
}

RunRecorder* BenchModel::RecorderFor(int comPort) {
    if (!platform_.record) return nullptr;
    auto& record = records_[Index(comPort)];
    record = std::make_unique<runs::RunLog>(*platform_.record);
    return record.get();
}

}  // namespace vantrel
