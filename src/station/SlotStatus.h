#pragma once
// What one bench slot shows: the state of its COM port and the tav on it, in words that
// people and automation read alike, and what the slot has done since it was armed.

#include <string>

namespace vantrel {

enum class SlotState {
    NoPort,       // no device behind the COM port
    InUse,        // another program holds the port
    Waiting,      // probing for a tav (restart off)
    Searching,    // a search of the bench's ports is under way
    UpToDate,     // a tav of the file's type with the file's version or a newer one: left alone
    OtherType,    // a tav of another type: left alone
    Programming,  // the image is going to the tav (from its first record on)
    Programmed,   // the tav took the image and confirmed its restart
    Failed,       // the programming failed; `reason` says how
};

struct SlotCounts {
    int programmed = 0;
    int failed = 0;
    int leftAlone = 0;  // up to date or of another type

    SlotCounts& operator+=(const SlotCounts& other) {
        programmed += other.programmed;
        failed += other.failed;
        leftAlone += other.leftAlone;
        return *this;
    }
    bool operator==(const SlotCounts&) const = default;
};

struct SlotStatus {
    int comPort = 0;
    bool armed = false;
    SlotState state = SlotState::Waiting;
    std::string tav;      // the tav as found: type name and version ("Tav model 04 2.5")
    std::string type;     // its type name alone
    int percent = 0;      // Programming: the share of the records acknowledged
    int records = 0;      // Programmed: the records it took
    std::string reason;   // Failed: what went wrong, in plain words
    SlotCounts counts;
};

// The status line's text, beginning with the state's words: "No port", "In use by another
// program", "Waiting for a tav", "Searching", "Up to date: <tav>", "Other type: <type>",
// "Programming <n>%", "Programmed: <n> records", "Failed: <reason>".
std::string StatusText(const SlotStatus& status);

// The state's words alone, as a key for machines: "no port", "in use", "waiting",
// "searching", "up to date", "other type", "programming", "programmed", "failed".
const char* StateKey(SlotState state);

}  // namespace vantrel
