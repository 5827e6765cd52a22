#pragma once
// The simulator's end of a pseudo-terminal pair. The program under test opens the slave
// like any serial port; the simulator plays the tav on the master. The simulator keeps
// its own slave descriptor open (and never reads it), so the master keeps working while
// the program closes and reopens the port.

#include <string>

#include "serial/LineSettings.h"

namespace vantrel::sim {

class PtyLink {
public:
    // Opens the pair and puts the slave into raw mode at 9600 baud. Throws
    // std::system_error on failure.
    PtyLink();
    ~PtyLink();
    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    int MasterFd() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }

    // The line settings the program last put on the slave, as the master sees them. The
    // pty driver keeps the rate, PARODD and CSTOPB but clears PARENB, so odd parity shows
    // as PARODD; without it, two stop bits mean no parity (the probe's "n,8,2") and one
    // stop bit means even parity (the "e,8,1" after a command byte).
    vantrel::LineSettings SlaveSettings() const;

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

// The settings that the master-side view of the slave stands for (see SlaveSettings).
vantrel::LineSettings SettingsSeenOnMaster(unsigned baud, bool parOdd, bool twoStopBits);

}  // namespace vantrel::sim
