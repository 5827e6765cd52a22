#include "qt/CommandButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

#include "app/FontFit.h"

namespace vantrel {
namespace {

constexpr int kMargin = 3;  // pixels kept free inside the bevel

}  // namespace

bool CommandButton::CaptionFitsAcross() const {
    return fontMetrics().horizontalAdvance(text()) <= width() - 2 * kMargin;
}

void CommandButton::paintEvent(QPaintEvent* event) {
    if (CaptionFitsAcross() || height() <= width()) {
        QPushButton::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    // One letter a line; a blank becomes half a line of space between the words.
    const QString caption = text().simplified();
    const int gaps = static_cast<int>(caption.count(QLatin1Char(' ')));
    const int letters = static_cast<int>(caption.size()) - gaps;
    QFont font = this->font();
    const int room = height() - 2 * kMargin;
    const double points = FittedFontPoints(
        font.pointSizeF(),
        [&](double p) {
            QFont sized = font;
            sized.setPointSizeF(p);
            const QFontMetrics metrics(sized);
            return metrics.height() * letters + metrics.height() / 2 * gaps <= room;
        },
        5.0, 0.5);
    if (points != font.pointSizeF()) font.setPointSizeF(points);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const int total = metrics.height() * letters + metrics.height() / 2 * gaps;
    int y = (height() - total) / 2;
    for (const QChar letter : caption) {
        if (letter == QLatin1Char(' ')) {
            y += metrics.height() / 2;
            continue;
        }
        const QRect line(0, y, width(), metrics.height());
        style()->drawItemText(&painter, line, Qt::AlignCenter, option.palette, isEnabled(), QString(letter),
                              QPalette::ButtonText);
        y += metrics.height();
    }
}

}  // namespace vantrel
