#pragma once
// Whether an open descriptor is the slave side of a pseudo-terminal, told by the device
// itself (its character-device major number), not by the name it was opened under: a
// symbolic link or a VANTREL_COMn name says nothing about what is behind it.

namespace vantrel {

// False for anything else (a real serial adapter, a file, a bad descriptor) and on
// systems where this cannot be told.
bool IsPseudoTerminal(int fd);

}  // namespace vantrel
