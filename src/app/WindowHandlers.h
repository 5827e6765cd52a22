#pragma once
// The handlers the window's controls call. The program's own by default; tests put in
// their own to see which ones a click reaches.

#include <cstdint>
#include <functional>

namespace vantrel {

class Bootstrap;

struct WindowHandlers {
    std::function<void(Bootstrap&)> Load, search, Emergency, ProgramTav, Exit;
    std::function<void(Bootstrap&, std::int16_t)> Option1;

    static WindowHandlers Program();
};

}  // namespace vantrel
