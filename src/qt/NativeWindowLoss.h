#pragma once
// Notices when the window's native window is destroyed from outside the program (on X11
// another client may destroy it: `xdotool windowclose`, a window manager gone wrong).
// Qt does not notice: the widget stays "visible" with nothing on the screen, a transfer
// goes on unseen, and the process outlives its window.

#include <QAbstractNativeEventFilter>
#include <QWidget>
#include <functional>

namespace vantrel {

class NativeWindowLoss : public QAbstractNativeEventFilter {
public:
    // Watches `window` from now on; `lost` runs once, from the event loop, after the
    // native window has gone.
    NativeWindowLoss(QWidget& window, std::function<void()> lost);
    ~NativeWindowLoss() override;
    NativeWindowLoss(const NativeWindowLoss&) = delete;
    NativeWindowLoss& operator=(const NativeWindowLoss&) = delete;

    // X11: a DestroyNotify for the window. Never takes the event from Qt.
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    QWidget& window_;
    std::function<void()> lost_;
    bool told_ = false;
};

}  // namespace vantrel
