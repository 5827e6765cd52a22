#include "app/TavBoxes.h"

namespace vantrel {

void Show(Dialogs& dialogs, const OutcomeBox& box) { dialogs.MsgBox(box.text, BoxStyle::OkExclamation, box.title); }

std::optional<OutcomeBox> RestartBox(RestartCommand which, const ExchangeResult& restart) {
    if (restart.Accepted()) return std::nullopt;
    // The kind of box follows the last attempt only.
    const bool noReply = restart.reply == ReplyKind::NoReply;
    if (which == RestartCommand::IrMicro)
        return OutcomeBox{"Error!", noReply ? "No reply to restart IR micro" : "Reply fail to restart IR micro"};
    return OutcomeBox{"Error!", noReply ? "No reply to restart" : "Reply fail to restart"};
}

std::optional<OutcomeBox> IrLinkBox(const ExchangeResult& link) {
    // Every reply long enough stands, so there is no wrong-reply text.
    if (link.Accepted()) return std::nullopt;
    return OutcomeBox{"Sorry!", "Could not establish communications with IR micro"};
}

OutcomeBox CompletionBox(const ExchangeResult& completion) {
    return completion.Accepted() ? OutcomeBox{"OK! ", "Tav reprogram suceeded"}
                                 : OutcomeBox{"Error! ", "Failed to restart unit"};
}

OutcomeBox TransferFailedBox() {
    return {"Error!", "Tav failed to reprogram. Tav must be programmed to operate"};
}

OutcomeBox CannotOpenBox(int comPort) { return {"Error!", "Cannot open COM" + std::to_string(comPort)}; }

OutcomeBox NoTavSelectedBox() { return {"Error!", "No tav selected"}; }

OutcomeBox OutOfReachBox(int dataLine) {
    return {"Error!",
            "Address 8000 hex or above on data line " + std::to_string(dataLine) + ": nothing was sent to the tav"};
}

}  // namespace vantrel
