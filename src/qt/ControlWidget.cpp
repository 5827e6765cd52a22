#include "qt/ControlWidget.h"

#include <algorithm>

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QStyle>

#include "app/FontFit.h"
#include "qt/CaptionFrame.h"
#include "qt/CommandButton.h"

namespace vantrel {
namespace {

QWidget* CreateFrame(const Control& c, QWidget* parent) {
    QWidget* frame = nullptr;
    if (c.Border) {
        frame = new CaptionFrame(parent);
    } else {
        auto* plain = new QFrame(parent);
        plain->setFrameShape(QFrame::NoFrame);
        frame = plain;
    }
    // Opaque, so that an overlay panel hides what lies under it.
    frame->setAutoFillBackground(true);
    return frame;
}

template <class W>
void SetIfDifferent(W& widget, QString (W::*get)() const, void (W::*set)(const QString&), const QString& want) {
    if ((widget.*get)() != want) (widget.*set)(want);
}

QFont AtSize(QFont font, double points) {
    font.setPointSizeF(points);
    return font;
}

// A label whose text would be cut off at its design size (app/FontFit.h).
void FitLabelFont(QLabel& label, double designPoints) {
    if (designPoints <= 0)
        designPoints = label.parentWidget() ? label.parentWidget()->font().pointSizeF() : label.font().pointSizeF();
    const int flags = static_cast<int>(label.alignment()) | Qt::TextWordWrap;
    const QRect room = label.contentsRect();
    const double points = FittedFontPoints(designPoints, [&](double p) {
        const QRect needed = QFontMetrics(AtSize(label.font(), p)).boundingRect(room, flags, label.text());
        return needed.width() <= room.width() && needed.height() <= room.height();
    });
    if (label.font().pointSizeF() != points) label.setFont(AtSize(label.font(), points));
}

// Likewise a text box, whose text the user cannot scroll through when it is cut off.
void FitTextBoxFont(QLineEdit& edit) {
    const QFont design = edit.parentWidget() ? edit.parentWidget()->font() : edit.font();
    const int frame = edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &edit);
    const int room = edit.width() - 2 * frame - 6;  // QLineEdit's own margins and cursor
    const double points = FittedFontPoints(design.pointSizeF(), [&](double p) {
        return QFontMetrics(AtSize(design, p)).horizontalAdvance(edit.text()) <= room;
    });
    if (edit.font().pointSizeF() != points) edit.setFont(AtSize(design, points));
}

void ShowContent(const Control& c, QWidget& widget) {
    const QString caption = ShownText(c.Caption);
    switch (c.Kind) {
        case ControlKind::Frame:
            if (auto* frame = dynamic_cast<CaptionFrame*>(&widget))
                SetIfDifferent(*frame, &CaptionFrame::title, &CaptionFrame::setTitle, caption);
            break;
        case ControlKind::TextBox:
            if (auto* edit = static_cast<QLineEdit*>(&widget); edit->text() != caption) {
                edit->setText(caption);
                edit->setCursorPosition(0);
                FitTextBoxFont(*edit);
            }
            break;
        case ControlKind::OptionButton: {
            auto& radio = static_cast<QRadioButton&>(widget);
            SetIfDifferent<QAbstractButton>(radio, &QAbstractButton::text, &QAbstractButton::setText, caption);
            if (radio.isChecked() != (c.Value != 0)) radio.setChecked(c.Value != 0);
            break;
        }
        case ControlKind::CommandButton:
            SetIfDifferent<QAbstractButton>(static_cast<QAbstractButton&>(widget), &QAbstractButton::text,
                                            &QAbstractButton::setText, caption);
            break;
        case ControlKind::Label: {
            auto& label = static_cast<QLabel&>(widget);
            SetIfDifferent(label, &QLabel::text, &QLabel::setText, caption);
            FitLabelFont(label, c.FontPoints);
            break;
        }
        case ControlKind::ProgressBar: {
            auto& bar = static_cast<QProgressBar&>(widget);
            if (bar.minimum() != c.Min || bar.maximum() != c.Max) bar.setRange(c.Min, c.Max);
            const int value = std::clamp(c.Value, c.Min, c.Max);
            if (bar.value() != value) bar.setValue(value);
            break;
        }
    }
}

}  // namespace

QWidget* CreateControlWidget(const Control& c, QWidget* parent) {
    QWidget* widget = nullptr;
    switch (c.Kind) {
        case ControlKind::Frame:
            widget = CreateFrame(c, parent);
            break;
        case ControlKind::TextBox: {
            auto* edit = new QLineEdit(parent);
            edit->setReadOnly(true);
            // Read-only: focus only by a click, so a covered button handing on its focus
            // does not land here and select the whole text.
            edit->setFocusPolicy(Qt::ClickFocus);
            edit->setAlignment(c.Centred ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
            widget = edit;
            break;
        }
        case ControlKind::OptionButton:
            widget = new QRadioButton(parent);
            break;
        case ControlKind::CommandButton:
            widget = new CommandButton(parent);
            break;
        case ControlKind::Label: {
            auto* label = new QLabel(parent);
            label->setTextFormat(Qt::PlainText);
            label->setWordWrap(true);
            label->setAlignment(c.Centred ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignTop);
            widget = label;
            break;
        }
        case ControlKind::ProgressBar: {
            auto* bar = new QProgressBar(parent);
            bar->setOrientation(c.Vertical ? Qt::Vertical : Qt::Horizontal);
            bar->setTextVisible(false);
            widget = bar;
            break;
        }
    }
    widget->setObjectName(ShownText(c.Name));
    // The design's MS Sans Serif is not everywhere: the default family at the design's size.
    if (c.FontPoints > 0) {
        QFont font = widget->font();
        font.setPointSizeF(c.FontPoints);
        widget->setFont(font);
    }
    if (c.Highlight) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Window, palette.color(QPalette::Active, QPalette::Highlight));
        palette.setColor(QPalette::WindowText, palette.color(QPalette::Active, QPalette::HighlightedText));
        widget->setPalette(palette);
        widget->setAutoFillBackground(true);
    }
    return widget;
}

void ShowControl(const Control& c, QWidget& widget, const TwipsScale& scale, bool enabled) {
    const QRect rect = ToQRect(scale.Rect(c.Left, c.Top, c.Width, c.Height));
    if (widget.geometry() != rect) widget.setGeometry(rect);

    // A control that may not be used is disabled in the view too: no click, no focus.
    if (widget.testAttribute(Qt::WA_ForceDisabled) == enabled) widget.setEnabled(enabled);

    const QString tip = ShownText(c.ToolTipText);
    if (widget.toolTip() != tip) widget.setToolTip(tip);

    ShowContent(c, widget);
    if (widget.isHidden() == c.Visible) widget.setVisible(c.Visible);
}

}  // namespace vantrel
