#pragma once
// The newer system font for the program's windows, where the system has one
// (Windows since Vista): the settings window and the popup call it when they
// are created.

#include <initializer_list>

class QLabel;
class QWidget;

namespace vexrem {

// Gives form "Segoe UI" one point larger than its font, unless that already is
// "Segoe UI". Where the system lacks "Segoe UI" (the font actually drawn is
// another), "Tahoma" takes its place at the same size.
void UseSystemUiFont(QWidget& form);

// Labels with a font of their own take the family and size of like's font;
// title keeps its own size.
void FollowUiFont(const QWidget& like, std::initializer_list<QLabel*> labels, QLabel* title);

} // namespace vexrem
