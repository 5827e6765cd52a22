#pragma once
// A frame as the window's layout expects it: an etched border whose top line runs through
// the caption, and the contents placed freely inside (no layout, no title margin).
// QGroupBox puts the title above the border in some styles, which crowds the controls
// the layout places 240 twips under the frame's top.

#include <QWidget>

namespace vantrel {

class CaptionFrame : public QWidget {
public:
    explicit CaptionFrame(QWidget* parent) : QWidget(parent) {}

    QString title() const { return title_; }
    void setTitle(const QString& title);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString title_;
};

}  // namespace vantrel
