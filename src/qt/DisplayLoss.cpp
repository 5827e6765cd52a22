#include "qt/DisplayLoss.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QThread>
#include <QtGui/qguiapplication_platform.h>

namespace vantrel {
namespace {

DisplayLoss* current = nullptr;

}  // namespace

DisplayLoss::DisplayLoss(std::function<void()> lost, std::function<bool()> broken)
    : lost_(std::move(lost)), broken_(std::move(broken)), previous_(nullptr) {
    current = this;
    previous_ = qInstallMessageHandler(&DisplayLoss::Message);
}

DisplayLoss::~DisplayLoss() {
    qInstallMessageHandler(previous_);
    current = nullptr;
}

bool DisplayLoss::X11ConnectionBroken() {
    const auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    const auto* x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    return connection && xcb_connection_has_error(connection) != 0;
}

void DisplayLoss::Message(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    DisplayLoss* self = current;
    if (self && self->previous_) self->previous_(type, context, text);
    if (!self || self->told_ || (type != QtWarningMsg && type != QtCriticalMsg)) return;
    const QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread() || !self->broken_()) return;
    self->told_ = true;
    self->lost_();
}

}  // namespace vantrel
