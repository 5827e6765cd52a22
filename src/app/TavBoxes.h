#pragma once
// The message boxes that tell how an exchange with a tav ended. The protocol only returns
// how it ended; whichever front-end tells the user (the window, the console, each port of
// a gang run) takes the box from here, so every text is written once.

#include <optional>
#include <string>

#include "app/Dialogs.h"
#include "programming/ProgrammingObserver.h"
#include "serial/Exchange.h"

namespace vantrel {

// An outcome box: one OK button and the exclamation icon.
struct OutcomeBox {
    std::string title;
    std::string text;
};

void Show(Dialogs& dialogs, const OutcomeBox& box);

// A restart that did not stand: the box its last attempt calls for; none when it stood.
std::optional<OutcomeBox> RestartBox(RestartCommand which, const ExchangeResult& restart);
// The link to the IR micro did not stand.
std::optional<OutcomeBox> IrLinkBox(const ExchangeResult& link);
// The completion exchange after the last record, whichever way it ended.
OutcomeBox CompletionBox(const ExchangeResult& completion);
// A record was never acknowledged (or the transfer was stopped).
OutcomeBox TransferFailedBox();
// The tav's port would not open for programming.
OutcomeBox CannotOpenBox(int comPort);
// Program with no row selected.
OutcomeBox NoTavSelectedBox();
// An image with a record the tav's memory cannot take (FirstDataLineOutOfReach).
OutcomeBox OutOfReachBox(int dataLine);

}  // namespace vantrel
