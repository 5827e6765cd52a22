#pragma once
// The suite's rig: the one QApplication, on the offscreen platform; the window model on the
// Qt event pump and serial adapter, its transfers on a port thread as the program runs them; and a pseudo-terminal pair standing in for a serial
// line: the program opens the slave as its COM port, the test reads and writes the master
// and sees the line settings there. The settings are read with TCGETS2, which gives the
// baud rate as a number whatever it is (<asm/termbits.h> cannot meet <termios.h>, so the
// rig does without the latter).

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <cstdlib>
#include <ostream>
#include <stdexcept>

#include "app/Bootstrap.h"
#include "app/PortThreadTransfer.h"
#include "posix/QtEventPump.h"
#include "posix/QtPortThread.h"
#include "posix/QtSerialPort.h"
#include "registry/RegFileStore.h"
#include "support/ScriptedDialogs.h"

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace vantrel::test {

inline QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "qt_tests", *argv[] = {name, nullptr};
    // Never destroyed: QTest's mouse device is its child and would be deleted twice at exit.
    static QApplication& app = *new QApplication((qputenv("QT_QPA_PLATFORM", "offscreen"), argc), argv);
    return app;
}

// The colour a label's background is drawn in, told from its pixels near the top right
// corner: "Grey", "Blue", "Green", "Red", or "?".
inline std::string DrawnColour(QLabel& label) {
    const QColor c = label.grab().toImage().pixelColor(label.width() - 3, 3);
    const int r = c.red(), g = c.green(), b = c.blue();
    if (g > r + 15 && g > b + 15) return "Green";
    if (b > r + 15 && b > g) return "Blue";
    if (r > g + 15 && r > b + 15) return "Red";
    return std::abs(r - g) < 8 && std::abs(g - b) < 8 ? "Grey" : "?";
}

struct QtModel {
    QtModel() { w.Transfer = &transfer; }

    QApplication& app = TestApp();
    QtSerialPort port;
    QtEventPump pump;
    ScriptedDialogs dialogs;
    RegFileStore registry{"/nonexistent/registry.reg"};  // never there: the type table keeps its own rows
    Bootstrap w{port, pump, dialogs, registry};
    PortThreadTransfer transfer{StartQtPortThread, w.Wire};
};

struct Pty {
    Pty() = default;
    ~Pty() { ::close(keeper); if (master >= 0) ::close(master); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    void Write(const std::vector<std::uint8_t>& bytes) {
        ASSERT_EQ(::write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Up to `count` bytes, waiting at most two seconds for each.
    std::vector<std::uint8_t> Read(std::size_t count) {
        std::vector<std::uint8_t> bytes;
        pollfd in{master, POLLIN, 0};
        for (std::uint8_t b; bytes.size() < count && ::poll(&in, 1, 2000) > 0 && ::read(master, &b, 1) == 1;)
            bytes.push_back(b);
        return bytes;
    }

    // The pty keeps PARODD but clears PARENB: odd parity shows, even parity looks like none.
    struct Line {
        unsigned baud;
        bool oddParity, twoStopBits;
        int dataBits;
        bool operator==(const Line&) const = default;
        friend std::ostream& operator<<(std::ostream& out, const Line& l) {
            return out << l.baud << (l.oddParity ? ",o," : ",-,") << l.dataBits << (l.twoStopBits ? ",2" : ",1");
        }
    };
    Line Settings() const {
        termios2 t{};
        EXPECT_EQ(ioctl(master, TCGETS2, &t), 0);
        // CS5..CS8 count 0..3 in the CSIZE bits.
        return {t.c_ospeed, (t.c_cflag & PARODD) != 0, (t.c_cflag & CSTOPB) != 0, 5 + int((t.c_cflag & CSIZE) / CS6)};
    }

    int master = [] {  // closed and set to -1 when the far end goes away
        const int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (fd < 0 || ::grantpt(fd) != 0 || ::unlockpt(fd) != 0) throw std::runtime_error("no pseudo-terminal");
        return fd;
    }();
    std::string slave = ::ptsname(master);
    int keeper = ::open(slave.c_str(), O_RDWR | O_NOCTTY);  // keeps the line up across the program's close and open
};

}  // namespace vantrel::test
