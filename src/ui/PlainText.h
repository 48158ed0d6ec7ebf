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

// The whole of a text as the hint of a control that shows only part of it:
// shown literally, and with a zero-width break opportunity in every long run
// without a space, so the hint wraps within the screen instead of running
// off it.
QString WholeTextHint(const QString& text);

// Text from outside as it may be shown: every character that steers the
// direction of writing (the Unicode Bidi_Control set: embeddings, overrides,
// isolates and marks) becomes a visible U+FFFD. Left in, a right-to-left
// override in a version would show it, and the date and news after it, in
// reverse order.
QString NeutralizeBidi(const QString& text);

} // namespace vexrem
