#pragma once

#include <QPoint>

class QWidget;

// Where a top-level window goes and how it is brought forward: the one place
// that knows the kind of session. An X11 session puts a window where it is
// asked and gives it the focus; a Wayland session places windows itself (a
// move is a wish it does not take) and gives the focus only as the user's
// own action allows.
namespace platform {

// Moves a top-level window, its frame's top-left corner at that point.
void moveWindow(QWidget* window, const QPoint& topLeft);
// Puts a window in front and asks the focus for it.
void activate(QWidget* window);

} // namespace platform
