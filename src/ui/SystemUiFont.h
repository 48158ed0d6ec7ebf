#pragma once
// The newer system font for the program's windows, where the system has one
// (Windows since Vista): the settings window and the popup call it when they
// are created.

class QWidget;

namespace vexrem {

// Gives form "Segoe UI" one point larger than its font, unless that already is
// "Segoe UI". Where the system lacks "Segoe UI" (the font actually drawn is
// another), "Tahoma" takes its place at the same size.
void UseSystemUiFont(QWidget& form);

} // namespace vexrem
