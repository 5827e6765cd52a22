// The texts of the path rules, the same on every system.
#include "files/PathCheck.h"

namespace vantrel::files {

std::string Refusal::Text() const {
    switch (reason) {
        case Reason::None: return {};
        case Reason::SystemError: return error.message();
        case Reason::DanglingLink: return "is a link to nothing";
        case Reason::Folder: return "is a folder, not a regular file";
        case Reason::Fifo: return "is a FIFO, not a regular file";
        case Reason::Device: return "is a device, not a regular file";
        case Reason::NotRegular: return "is not a regular file";
        case Reason::NotAFolder: return "is not a folder";
        case Reason::Unreadable: return "cannot be read";
        case Reason::ReadOnly: return "is read-only";
        case Reason::KeepsChanging: return "keeps changing";
    }
    return {};
}

}  // namespace vantrel::files
