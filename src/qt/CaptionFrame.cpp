#include "qt/CaptionFrame.h"

#include <QPainter>
#include <QStyle>
#include <qdrawutil.h>

namespace vantrel {

void CaptionFrame::setTitle(const QString& title) {
    title_ = title;
    update();
}

void CaptionFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();

    // Etched, the way a classic frame looks; drawn here because styles differ in where
    // they put a group box's border.
    qDrawShadeRect(&painter, rect().adjusted(0, metrics.height() / 2, 0, 0), palette(), true, 1, 0);

    if (title_.isEmpty()) return;
    const int indent = metrics.averageCharWidth();
    const QRect caption(indent, 0, metrics.horizontalAdvance(title_) + indent, metrics.height());
    painter.fillRect(caption, palette().brush(QPalette::Window));
    style()->drawItemText(&painter, caption, Qt::AlignCenter, palette(), isEnabled(), title_, QPalette::WindowText);
}

}  // namespace vantrel
