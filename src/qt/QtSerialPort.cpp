#include "qt/QtSerialPort.h"

#include <algorithm>
#include <limits>

#include "ports/ComPortDevice.h"

#ifndef _WIN32
#include <poll.h>
#include <termios.h>
#endif

namespace vantrel {
namespace {

QSerialPort::Parity ToQt(Parity parity) {
    switch (parity) {
        case Parity::Odd: return QSerialPort::OddParity;
        case Parity::Even: return QSerialPort::EvenParity;
        case Parity::None: break;
    }
    return QSerialPort::NoParity;
}

std::string Text(const QString& s) { return s.toLocal8Bit().toStdString(); }

}  // namespace

QtSerialPort::QtSerialPort() {
    port_.setFlowControl(QSerialPort::NoFlowControl);
    // Also raised while the event loop reads: a hung-up line reads EIO or end-of-file.
    QObject::connect(&port_, &QSerialPort::errorOccurred, &port_, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::ResourceError || e == QSerialPort::ReadError || e == QSerialPort::WriteError)
            DeviceGone();
    });
}

void QtSerialPort::DeviceGone() {
    if (!open_ || gone_) return;
    gone_ = true;
    // Not from inside QSerialPort's own notification, which still works on its buffer.
    QMetaObject::invokeMethod(&port_, [this] {
        if (gone_) port_.close();
    }, Qt::QueuedConnection);
}

bool QtSerialPort::PortOpen() const { return open_; }

void QtSerialPort::SetPortOpen(bool open) {
    if (!open) {
        if (port_.isOpen()) port_.close();
        port_.clearError();
        open_ = false;
        gone_ = false;
        return;
    }
    if (open_) throw SerialError("COM" + std::to_string(commPort_) + " is already open");
    Open();
}

void QtSerialPort::Open() {
    device_ = ComPortDevice(commPort_);
    if (device_.empty()) throw SerialError("Cannot open COM" + std::to_string(commPort_) + ": it has no device");
    port_.setPortName(QString::fromLocal8Bit(device_));
    gone_ = false;
    port_.clearError();
    // On a closed port these are only remembered; open() applies them to the device.
    Apply(line_);
    if (!port_.open(QIODevice::ReadWrite)) {
        const std::string reason = Text(port_.errorString());
        port_.clearError();
        throw SerialError("Cannot open COM" + std::to_string(commPort_) + " (" + device_ + "): " + reason);
    }
    open_ = true;
    if (line_.parity == Parity::None) SetParity(Parity::None);
    ApplyRts();
}

void QtSerialPort::SetCommPort(std::int16_t n) {
    if (open_) throw SerialError("The port number cannot change while COM" +
                                          std::to_string(commPort_) + " is open");
    if (n < 1) throw SerialError("No such port: COM" + std::to_string(n));
    commPort_ = n;
}

std::int16_t QtSerialPort::CommPort() const { return commPort_; }

void QtSerialPort::SetRTSEnable(bool on) {
    rts_ = on;
    if (open_ && !gone_) ApplyRts();
}

bool QtSerialPort::RTSEnable() const { return rts_; }

void QtSerialPort::ApplyRts() {
    // A device without modem lines (a pseudo-terminal) refuses; RTS then stays a recorded state.
    if (!port_.setRequestToSend(rts_)) port_.clearError();
}

void QtSerialPort::SetSettings(const std::string& settings) {
    const auto parsed = ParseLineSettings(settings);
    if (!parsed) throw SerialError("Invalid serial settings \"" + settings + "\"");
    if (open_) {
        ThrowUnlessUsable("change the settings of");
        Apply(*parsed);
    }
    line_ = *parsed;
    settingsText_ = settings;
}

std::string QtSerialPort::Settings() const { return settingsText_; }

void QtSerialPort::Apply(const LineSettings& line) {
    const bool applied = port_.setBaudRate(line.baud) && SetParity(line.parity) &&
                         port_.setDataBits(static_cast<QSerialPort::DataBits>(line.dataBits)) &&
                         port_.setStopBits(line.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    if (!applied) {
        const std::string reason = Text(port_.errorString());
        port_.clearError();
        throw SerialError("Cannot apply the serial settings on " + device_ + ": " + reason);
    }
}

bool QtSerialPort::SetParity(Parity parity) {
    if (port_.setParity(ToQt(parity))) {
        ClearStaleOddFlag(parity);
        return true;
    }
    return ParityTookEffect(parity);
}

#ifndef _WIN32
void QtSerialPort::ClearStaleOddFlag(Parity parity) {
    // QSerialPort turns parity off by clearing PARENB alone. A PARODD left from odd parity
    // (ours, or the device's last user's) would tell a peer that reads the flags, such as
    // a pty master, the wrong parity.
    if (parity != Parity::None || !port_.isOpen()) return;
    termios flags{};
    const int fd = static_cast<int>(port_.handle());
    if (::tcgetattr(fd, &flags) == 0 && (flags.c_cflag & PARODD)) {
        flags.c_cflag &= ~tcflag_t{PARODD};
        ::tcsetattr(fd, TCSANOW, &flags);
    }
}

bool QtSerialPort::ParityTookEffect(Parity parity) {
    // A pseudo-terminal applies the settings but drops PARENB, and the C library reports
    // that as EINVAL. The settings are in force when the odd/even choice reads back.
    termios flags{};
    if (parity == Parity::None || !port_.isOpen() || ::tcgetattr(static_cast<int>(port_.handle()), &flags) != 0)
        return false;
    if (((flags.c_cflag & PARODD) != 0) != (parity == Parity::Odd)) return false;
    port_.clearError();
    return true;
}
#else
void QtSerialPort::ClearStaleOddFlag(Parity) {}
bool QtSerialPort::ParityTookEffect(Parity) { return false; }
#endif

void QtSerialPort::ThrowUnlessUsable(const char* operation) const {
    if (!open_)
        throw SerialError(std::string("Cannot ") + operation + " COM" + std::to_string(commPort_) +
                          ": the port is not open");
    if (gone_)
        throw SerialError(std::string("Cannot ") + operation + " COM" + std::to_string(commPort_) + " (" +
                          device_ + "): the device is no longer there");
}

void QtSerialPort::Output(std::uint8_t byte) {
    ThrowUnlessUsable("write to");
    const char c = static_cast<char>(byte);
    // flush() hands the byte to the operating system now instead of at the next turn of
    // the event loop, where QSerialPort would otherwise write it.
    const bool queued = port_.write(&c, 1) == 1;
    if (queued) port_.flush();
    // A full driver buffer takes the byte a moment later.
    if (queued && port_.bytesToWrite() > 0 && !gone_) port_.waitForBytesWritten(100);
    if (!queued || gone_ || port_.bytesToWrite() > 0) {
        const std::string reason = Text(port_.errorString());
        port_.clearError();
        throw SerialError("Cannot write to COM" + std::to_string(commPort_) + " (" + device_ + "): " + reason);
    }
}

void QtSerialPort::PullArrivedBytes() {
#ifndef _WIN32
    // Bytes the driver holds but the event loop has not read yet count as waiting, as
    // they would for the Windows driver; an error condition is read (and noticed) too.
    pollfd pending{static_cast<int>(port_.handle()), POLLIN, 0};
    if (::poll(&pending, 1, 0) > 0) port_.waitForReadyRead(0);
#endif
}

std::int16_t QtSerialPort::InBufferCount() {
    if (!open_) return 0;
    ThrowUnlessUsable("read from");
    PullArrivedBytes();
    ThrowUnlessUsable("read from");
    const qint64 waiting = port_.bytesAvailable();
    return static_cast<std::int16_t>(std::min<qint64>(waiting, std::numeric_limits<std::int16_t>::max()));
}

std::vector<std::uint8_t> QtSerialPort::Input() {
    if (!open_) return {};
    ThrowUnlessUsable("read from");
    PullArrivedBytes();
    ThrowUnlessUsable("read from");
    const QByteArray bytes = port_.readAll();
    return {bytes.begin(), bytes.end()};
}

}  // namespace vantrel
