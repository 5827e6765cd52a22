#pragma once
// The exit status of vantrel-cli: what a script decides on. Kept in one place so that
// the help text, the README and the code cannot drift apart.

namespace vantrel::cli {

enum class ExitCode : int {
    Succeeded = 0,          // the tav reported success (IR-micro targets: the final restart succeeded)
    Failure = 1,            // anything unexpected: the serial platform, the registry, the terminal
    Usage = 2,              // the command line is wrong
    NotLoaded = 3,          // the firmware file did not load
    NoSelectableTav = 4,    // no tav that may be programmed with this file on that port
    ProgrammingFailed = 5,  // a record was never acknowledged (or the transfer never ran)
    NotAcknowledged = 6,    // every record went in, but the tav did not confirm its restart
    Cancelled = 7,          // a question (version, emergency warning) was answered Cancel
    Abandoned = 8,          // a second interrupt while programming stopped at once: no orderly restart
    Interrupted = 130,      // Ctrl-C (or SIGTERM/SIGHUP): stopped, tav restarted, port closed
};

inline int ToInt(ExitCode code) { return static_cast<int>(code); }

}  // namespace vantrel::cli
