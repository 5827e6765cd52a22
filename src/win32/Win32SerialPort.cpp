#include "win32/Win32SerialPort.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>

#include "ports/ComPortDevice.h"
#include "files/Win32Error.h"

namespace vantrel {

struct Win32SerialPort::Overlapped : OVERLAPPED {};

namespace {

UniqueHandle NewManualResetEvent() {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (event == nullptr) throw std::runtime_error("Cannot create an event: " + Win32ErrorText(GetLastError()));
    return UniqueHandle(event);
}

BYTE ToWin32(Parity parity) {
    switch (parity) {
        case Parity::Odd: return ODDPARITY;
        case Parity::Even: return EVENPARITY;
        case Parity::None: break;
    }
    return NOPARITY;
}

// One overlapped transfer on the port, waited for to its end. Used where the bytes are
// known to be ready (a drain of what is waiting) or where the system takes them at once
// (a write; the write time-out bounds a stalled line).
bool Transfer(HANDLE handle, HANDLE event, bool write, void* data, DWORD count, DWORD& done) {
    OVERLAPPED o{};
    o.hEvent = event;
    done = 0;
    const BOOL started = write ? WriteFile(handle, data, count, &done, &o) : ReadFile(handle, data, count, &done, &o);
    if (!started && GetLastError() != ERROR_IO_PENDING) return false;
    return GetOverlappedResult(handle, &o, &done, TRUE) != FALSE;
}

// Wine on a pseudo-terminal: the pty driver drops PARENB, the C library reports that as
// EINVAL after the settings took effect, and Wine passes it on as ERROR_INVALID_PARAMETER.
// The settings stand when everything but the parity reads back as put. A device that
// refused anything else fails visibly.
bool OnlyParityDropped(HANDLE handle, const DCB& wanted) {
    if (GetLastError() != ERROR_INVALID_PARAMETER || wanted.Parity == NOPARITY) return false;
    DCB now{};
    now.DCBlength = sizeof now;
    return GetCommState(handle, &now) && now.BaudRate == wanted.BaudRate && now.ByteSize == wanted.ByteSize &&
           now.StopBits == wanted.StopBits && now.Parity == NOPARITY;
}

// "COM12" and the like are reachable only through the device namespace; a path that
// already names its namespace (\\.\COM1, \\?\...) is taken as it is.
std::string DevicePath(const std::string& device) {
    return device.rfind("\\\\", 0) == 0 ? device : "\\\\.\\" + device;
}

}  // namespace

Win32SerialPort::Win32SerialPort(Win32EventPump& pump)
    : pump_(pump),
      readEvent_(NewManualResetEvent()),
      ioEvent_(NewManualResetEvent()),
      read_(std::make_unique<Overlapped>()) {
    pump_.Watch(*this);
}

Win32SerialPort::~Win32SerialPort() {
    pump_.Unwatch(*this);
    Close();
}

void Win32SerialPort::SetPortOpen(bool open) {
    if (!open) {
        Close();
        open_ = false;
        gone_ = false;
        return;
    }
    if (open_) throw SerialError("COM" + std::to_string(commPort_) + " is already open");
    Open();
}

void Win32SerialPort::Open() {
    device_ = ComPortDevice(commPort_);
    if (device_.empty()) throw PortMissingError("COM" + std::to_string(commPort_) + " has no device on this machine");
    HANDLE handle = CreateFileA(DevicePath(device_).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        // Share mode 0: a port that another program has open refuses with access denied
        // (a sharing violation from some drivers), and nothing of it was touched.
        const DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) throw PortInUseError(Name());
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            throw PortMissingError("Cannot open " + Name() + ": " + Win32ErrorText(error));
        throw SerialError("Cannot open " + Name() + ": " + Win32ErrorText(error));
    }
    handle_ = UniqueHandle(handle);
    gone_ = false;
    received_.clear();
    try {
        Apply(line_);
        // Reads wait for the byte they ask for; a write that the line does not take within
        // two seconds (a stalled adapter) fails instead of hanging the program.
        COMMTIMEOUTS timeouts{};
        timeouts.WriteTotalTimeoutConstant = 2000;
        if (!SetCommTimeouts(handle, &timeouts))
            throw SerialError("Cannot set the time-outs of " + Name() + ": " + Win32ErrorText(GetLastError()));
        PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR);
    } catch (...) {
        Close();
        throw;
    }
    open_ = true;
    ApplyRts();
    StartRead();
}

void Win32SerialPort::Close() {
    if (handle_.get()) {
        CancelIo(handle_.get());
        if (readPending_) {
            DWORD ignored = 0;
            GetOverlappedResult(handle_.get(), read_.get(), &ignored, TRUE);  // the cancelled read lets go of our buffer
        }
        handle_.reset();
    }
    readPending_ = false;
    ResetEvent(readEvent_.get());
}

void Win32SerialPort::ApplyRts() {
    // A device without modem lines refuses; RTS then stays a recorded state.
    EscapeCommFunction(handle_.get(), rts_ ? SETRTS : CLRRTS);
}

// The whole state is put, not read back and changed: what the last user of the device
// left (a rate Windows does not know, flow control) must not carry over.
void Win32SerialPort::Apply(const LineSettings& line) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = static_cast<DWORD>(line.baud);
    dcb.ByteSize = static_cast<BYTE>(line.dataBits);
    dcb.Parity = ToWin32(line.parity);
    dcb.StopBits = line.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    dcb.fBinary = TRUE;
    // Received bytes are judged by the protocol's own check bytes, never by the UART;
    // no flow control of any kind.
    dcb.fParity = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = rts_ ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    if (!SetCommState(handle_.get(), &dcb) && !OnlyParityDropped(handle_.get(), dcb))
        throw SerialError("Cannot apply the serial settings on " + device_ + ": " + Win32ErrorText(GetLastError()));
}

void Win32SerialPort::Output(std::uint8_t byte) {
    ThrowUnlessUsable("write to");
    DWORD written = 0;
    if (!Transfer(handle_.get(), ioEvent_.get(), true, &byte, 1, written) || written != 1) {
        const DWORD error = GetLastError();
        DeviceGone();
        throw SerialError("Cannot write to " + Name() + ": " + Win32ErrorText(error));
    }
}

std::int16_t Win32SerialPort::InBufferCount() {
    CollectRead();
    return static_cast<std::int16_t>(std::min<std::size_t>(received_.size(), 32767));
}

std::vector<std::uint8_t> Win32SerialPort::Input() {
    CollectRead();
    std::vector<std::uint8_t> bytes(received_.begin(), received_.end());
    received_.clear();
    return bytes;
}

void* Win32SerialPort::WaitEvent() const { return readPending_ ? readEvent_.get() : nullptr; }

void Win32SerialPort::OnSignalled() { CollectRead(); }

// One byte is always being read, so that its arrival wakes the pump: with no read
// time-outs set, the read ends when the byte is in, not before.
void Win32SerialPort::StartRead() {
    *read_ = Overlapped{};
    read_->hEvent = readEvent_.get();
    DWORD got = 0;
    if (ReadFile(handle_.get(), &readByte_, 1, &got, read_.get()) || GetLastError() == ERROR_IO_PENDING) {
        readPending_ = true;  // finished at once or later: the event is set either way
        return;
    }
    DeviceGone();
}

void Win32SerialPort::CollectRead() {
    if (!readPending_) return;
    DWORD got = 0;
    if (!GetOverlappedResult(handle_.get(), read_.get(), &got, FALSE)) {
        if (GetLastError() == ERROR_IO_INCOMPLETE) return;
        readPending_ = false;
        DeviceGone();
        return;
    }
    readPending_ = false;
    // Without time-outs a read only ends empty on a line that has hung up.
    if (got == 0) {
        DeviceGone();
        return;
    }
    Keep(&readByte_, 1);
    DrainWaiting();
    if (!gone_) StartRead();
}

// Takes what else has arrived in one go instead of a byte per wake-up.
void Win32SerialPort::DrainWaiting() {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(handle_.get(), &errors, &status) || status.cbInQue == 0) return;
    std::vector<std::uint8_t> bytes(std::min<std::size_t>(status.cbInQue, kReceiveLimit));
    DWORD got = 0;
    if (!Transfer(handle_.get(), ioEvent_.get(), false, bytes.data(), static_cast<DWORD>(bytes.size()), got)) {
        DeviceGone();
        return;
    }
    Keep(bytes.data(), got);
}

void Win32SerialPort::Keep(const std::uint8_t* bytes, std::size_t count) {
    received_.insert(received_.end(), bytes, bytes + count);
    const std::size_t excess = received_.size() > kReceiveLimit ? received_.size() - kReceiveLimit : 0;
    received_.erase(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(excess));
}

// The device went away under the open port (adapter pulled, far end closed): its handle is
// let go at once and no read is started again, so nothing can keep the pump awake.
void Win32SerialPort::DeviceGone() {
    if (gone_) return;
    gone_ = true;
    Close();
}

}  // namespace vantrel
