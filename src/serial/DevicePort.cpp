#include "serial/DevicePort.h"

namespace vantrel {

void DevicePort::SetCommPort(std::int16_t n) {
    if (open_) throw SerialError("The port number cannot change while COM" + std::to_string(commPort_) + " is open");
    if (n < 1) throw SerialError("No such port: COM" + std::to_string(n));
    commPort_ = n;
}

void DevicePort::SetRTSEnable(bool on) {
    rts_ = on;
    if (open_ && !gone_) ApplyRts();
}

void DevicePort::SetSettings(const std::string& settings) {
    const auto parsed = ParseLineSettings(settings);
    if (!parsed) throw SerialError("Invalid serial settings \"" + settings + "\"");
    if (open_) {
        ThrowUnlessUsable("change the settings of");
        Apply(*parsed);
    }
    line_ = *parsed;
    settingsText_ = settings;
}

void DevicePort::ThrowUnlessUsable(const char* operation) const {
    if (!open_)
        throw SerialError(std::string("Cannot ") + operation + " COM" + std::to_string(commPort_) +
                          ": the port is not open");
    if (gone_) throw SerialError(std::string("Cannot ") + operation + " " + Name() + ": the device is no longer there");
}

std::string DevicePort::Name() const { return "COM" + std::to_string(commPort_) + " (" + device_ + ")"; }

}  // namespace vantrel
