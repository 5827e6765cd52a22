#pragma once
// When the connection to the display breaks (the X server gone), Qt ends the program by
// itself: it warns "The X11 connection broke ..." and calls exit() from inside its event
// processing, so no event, close or unwinding follows. That warning is the program's last
// moment with everything still standing; this catches it, on the window's thread, and
// lets the program finish what must not be left half done before Qt goes on to end it.

#include <functional>

#include <QtGlobal>

namespace vantrel {

class DisplayLoss {
public:
    // `lost` runs once, on the GUI thread, when a warning or error message comes there
    // while `broken` says the display's connection has failed; the message has been
    // written as before. One at a time: the last made takes the messages over.
    explicit DisplayLoss(std::function<void()> lost, std::function<bool()> broken = X11ConnectionBroken);
    ~DisplayLoss();  // the earlier message handler back
    DisplayLoss(const DisplayLoss&) = delete;
    DisplayLoss& operator=(const DisplayLoss&) = delete;

    // The application's X11 connection has failed (false without one: another platform).
    static bool X11ConnectionBroken();

private:
    static void Message(QtMsgType type, const QMessageLogContext& context, const QString& text);

    std::function<void()> lost_;
    std::function<bool()> broken_;
    QtMessageHandler previous_;
    bool told_ = false;
};

}  // namespace vantrel
