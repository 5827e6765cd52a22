#pragma once
// The bench window's model: the loaded file, COM1..COM4 as four slots (armed or not), and
// the bench's commands over the station: Program all, Watch, Retry failed, Stop, Exit. It
// says what each slot shows and which commands may be used now; the bench windows (Qt and
// Windows) only mirror it into their controls and hand it the user's clicks.
//
// Everything here runs on the window's thread, except the window's `changed`, which the
// slots' threads call: the window answers it by calling Update() on its own thread.

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "registry/RegistryStore.h"
#include "serial/EventPump.h"
#include "serial/PortThread.h"
#include "serial/SerialPort.h"
#include "station/Station.h"

namespace vantrel::runs {
struct RunLogSettings;
}

namespace vantrel {

class Bootstrap;

// A slot's colour, for the glance from across the bench; its text always says the same.
enum class SlotColour { Grey, Blue, Green, Red };
SlotColour ColourOf(SlotState state);

struct BenchSlotView {
    int comPort = 0;
    bool armed = true;         // its check box, captioned "COMn"
    std::string device;        // the device behind COMn (by-id name, or the system's name); empty: none
    SlotState state = SlotState::NoPort;
    std::string status;        // StatusText: begins with the state's words
    int percent = 0;           // the progress bar
    SlotColour colour = SlotColour::Grey;
    std::string counts;        // "2 programmed, 1 failed"
};

// Which commands may be used now.
struct BenchCommands {
    bool load = false;
    bool programAll = false;
    bool watch = false;  // the Watch toggle, either way
    bool retryFailed = false;
    bool stop = false;
    bool exit = false;
    bool arm = false;  // the slots' check boxes
};

struct BenchView {
    std::string file;  // "No file loaded", or target, version, records and the SHA-256's first 12 digits
    std::array<BenchSlotView, kSlots> slots;
    BenchCommands enabled;
    bool watching = false;  // the Watch toggle is down
    std::string total;      // "Since the window opened: 3 programmed, 1 failed, 2 left alone"
};

// What the platform gives the bench, made on the window's thread.
struct BenchPlatform {
    SerialPort& port;  // the window thread's own (the loader's model wants one; nothing opens it)
    EventPump& pump;
    Dialogs& dialogs;  // the toolkit's boxes and open-file dialog
    RegistryStore& registry;
    StartPortThread portThreads;
    const runs::RunLogSettings* record = nullptr;  // how each run is recorded; none: not recorded
    std::function<std::string(int comPort)> deviceOf;  // none: ComPortDevice
};

// How the bench was started: `vantrel-bench [--watch] [FILE]`.
struct BenchStart {
    std::string file;    // loaded at start; empty: none
    bool watch = false;  // and watched at once (a bench PC may start so at login)
};

class BenchModel : private StationObserver {
public:
    explicit BenchModel(const BenchPlatform& platform, BenchStart start = {});
    // Stops everything (transfers at their record boundary, each tav restarted) and waits.
    ~BenchModel() override;
    BenchModel(const BenchModel&) = delete;
    BenchModel& operator=(const BenchModel&) = delete;

    // `changed` is called from any thread whenever the window should read View() again.
    void SetChanged(std::function<void()> changed);
    // Once the window is shown: the start's file loaded (its errors in their boxes) and the
    // watch started when asked.
    void Begin();

    BenchView View() const;

    // The commands. Each does nothing unless View() has it enabled, so a second click while
    // one runs starts nothing.
    // Empty: the open-file dialog, whose Cancel keeps the file loaded.
    void Load(const std::string& path = {});
    void SetArmed(int comPort, bool armed);
    void ProgramAll();
    void Watch();  // on, or off again
    void RetryFailed();
    void Stop();
    // Exit, the close box, a termination signal, the session ending: true when the window
    // may go at once. Otherwise everything under way is stopping (each transfer at its next
    // record boundary, its tav restarted) and ReadyToClose() turns true once it has.
    bool Close();
    bool ReadyToClose() const;
    // Something runs on the slots (a search, a programming, the watch), or is stopping:
    // Windows ending the session has to wait for it.
    bool Busy() const { return phase_ != Phase::Idle; }

    // Moves the bench on after `changed`, on the window's thread: a search that has ended
    // goes on to its transfers (after the question about up-to-date tavs); a run that has
    // ended leaves the bench idle.
    void Update();
    // The window is gone for good (the display lost): no box can be shown any more.
    // Stops everything at record boundaries and waits for it.
    void FinishWithoutWindow();

private:
    enum class Phase { Idle, Searching, Programming, Watching };

    void SlotChanged(const SlotStatus& status) override;
    void TavEnded(const TavResult& result) override;
    void SlotEnded() override;
    RunRecorder* RecorderFor(int comPort) override;

    bool Idle() const { return phase_ == Phase::Idle && !closing_; }
    void Use(const std::vector<int>& ports);
    std::vector<int> ArmedPorts() const;
    std::vector<int> FailedArmedPorts() const;
    bool ImageFitsOrSaysSo();
    void SearchEnded();
    void ShowDevices();
    void Tell() const;

    BenchPlatform platform_;
    BenchStart start_;
    mutable std::mutex changedMutex_;
    std::function<void()> changed_;
    std::unique_ptr<Bootstrap> loader_;  // the window's own loader, its texts and boxes
    std::optional<SlotJob> job_;
    std::string fileText_;
    std::array<bool, kSlots> armed_{true, true, true, true};
    std::array<std::string, kSlots> devices_;
    std::array<bool, kSlots> used_{};  // some command has run on the slot
    Phase phase_ = Phase::Idle;
    bool stopAsked_ = false;
    bool closing_ = false;
    bool inUpdate_ = false;
    std::array<std::unique_ptr<RunRecorder>, kSlots> records_;  // each slot's run under way
    Station station_;  // last: its threads end before what they use
};

}  // namespace vantrel
