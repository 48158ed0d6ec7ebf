#pragma once
// Timers and times of day as the program shows and runs them.

#include <QLocale>
#include <QString>
#include <QTimer>

namespace vexrem {

// Sets a timer's state the way the program's timers behave everywhere: only an
// actual change of the enabled state or the interval starts a new full period.
void SetTimer(QTimer& timer, bool enabled, int intervalMs);
void SetTimerInterval(QTimer& timer, int intervalMs);

// The locale's time format for hours, minutes and seconds (no time zone).
QString TimeOfDayFormat(const QLocale& locale);

} // namespace vexrem
