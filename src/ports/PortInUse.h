#pragma once
// Whether another program holds a serial device, told without opening it: opening a
// serial port raises its DTR and RTS lines, which the program that has it may have
// lowered. Programs that keep ports to themselves (Vantrel, pyserial's exclusive mode,
// esptool, tio, picocom) hold a flock on the device node, and the kernel lists every
// such lock in /proc/locks.

#include <string>
#include <string_view>

namespace vantrel {

// True when some process holds a flock on device (a symlink counts as what it names);
// false when none does, when the device is not there, and off Linux.
bool FlockHeldOn(const std::string& device);

// Whether a table in the format of /proc/locks lists a flock that is held (not one
// waited for) on the node with this inode on the file system devMajor:devMinor.
bool ListsFlockOn(std::string_view table, unsigned devMajor, unsigned devMinor, unsigned long long inode);

}  // namespace vantrel
