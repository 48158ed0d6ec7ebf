#pragma once
// Text from the game server, the version list or the settings file is shown
// as it is, never as markup. Labels and message boxes are told so directly;
// tooltips have no such switch and guess the format from the text.

#include <QString>

namespace vexrem {

// The text in a form that a widget guessing the format (a tooltip) shows
// literally: unchanged when it would be taken as plain text anyway, else
// escaped into rich text that reads exactly like the original.
QString ShownLiterally(const QString& text);

} // namespace vexrem
