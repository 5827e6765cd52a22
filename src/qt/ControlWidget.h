#pragma once
// One control of the model as a Qt widget: which widget stands for which kind of control,
// and copying the control's state into it.

#include <QWidget>

#include "app/Control.h"
#include "qt/ShownText.h"
#include "qt/TwipsScale.h"

namespace vantrel {

// A widget for the control, owned by `parent`. Fixed looks (fonts, colours, alignment)
// are set here once.
QWidget* CreateControlWidget(const Control& c, QWidget* parent);

// Copies geometry, visibility, texts, tooltip and value into the widget, touching only
// what differs, so that an unchanged model costs no repaint. `enabled`: as ShownEnabled
// (app/ViewActions.h) has it.
void ShowControl(const Control& c, QWidget& widget, const TwipsScale& scale, bool enabled);

}  // namespace vantrel
