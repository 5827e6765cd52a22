#include "window/WindowProgram.h"

#include <utility>

#include "registry/RegistryStore.h"
#include "runs/RecordingDialogs.h"
#include "runs/RunLog.h"

namespace vantrel {

int RunWindowProgram(const WindowPlatform& platform, std::string commandLine, const RunWindow& window) {
    const auto registry = OpenDefaultRegistryStore();
    runs::RunLogSettings record;
    record.location = runs::DefaultRecordLocation();
    record.frontEnd = "window";
    runs::RunLog runLog(std::move(record));
    runs::RecordingDialogs dialogs(platform.dialogs, runLog);
    Bootstrap w(platform.port, platform.pump, dialogs, *registry, std::move(commandLine));
    w.Runs = &runLog;
    PortThreadTransfer transfer(platform.portThreads, w.Wire);
    w.Transfer = &transfer;
    Form_Load(w);
    return window(w, transfer);
}

}  // namespace vantrel
