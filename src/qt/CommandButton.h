#pragma once
// A command button whose caption may be too wide for it: the tall, narrow Emergency
// button ("Eme r gency") shows its caption letter under letter, words apart, in a font
// small enough to fit; every other button looks like a plain QPushButton.

#include <QPushButton>

namespace vantrel {

class CommandButton : public QPushButton {
public:
    explicit CommandButton(QWidget* parent) : QPushButton(parent) {}

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool CaptionFitsAcross() const;
};

}  // namespace vantrel
