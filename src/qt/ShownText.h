#pragma once
// A program text as the window shows it. The program keeps its texts as bytes and
// compares them byte for byte; for a person, valid UTF-8 is shown as UTF-8 and anything
// else as Latin-1 (see registry/DisplayText.h).

#include <QString>
#include <string_view>

#include "registry/DisplayText.h"

namespace vantrel {

inline QString ShownText(std::string_view bytes) { return QString::fromStdString(DisplayUtf8(bytes)); }

}  // namespace vantrel
