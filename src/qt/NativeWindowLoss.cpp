#include "qt/NativeWindowLoss.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QTimer>

namespace vantrel {

NativeWindowLoss::NativeWindowLoss(QWidget& window, std::function<void()> lost)
    : window_(window), lost_(std::move(lost)) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

NativeWindowLoss::~NativeWindowLoss() {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeNativeEventFilter(this);
}

bool NativeWindowLoss::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (told_ || eventType != "xcb_generic_event_t" || !message) return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    // The top bit marks an event another client sent: one that destroys nothing.
    if (event->response_type != XCB_DESTROY_NOTIFY) return false;
    const auto* destroyed = static_cast<const xcb_destroy_notify_event_t*>(message);
    const WId id = window_.internalWinId();
    if (id == 0 || destroyed->window != id) return false;
    told_ = true;
    // Not from inside Qt's own handling of the event: the window may close from here on.
    QTimer::singleShot(0, &window_, [this] { lost_(); });
    return false;
}

}  // namespace vantrel
