#include "ui/Timers.h"

namespace vexrem {

void SetTimer(QTimer& timer, bool enabled, int intervalMs) {
    if (!enabled) {
        timer.stop();
    }
    SetTimerInterval(timer, intervalMs);
    if (enabled && !timer.isActive()) {
        timer.start();
    }
}

void SetTimerInterval(QTimer& timer, int intervalMs) {
    if (timer.interval() == intervalMs) {
        return;
    }
    const bool running = timer.isActive();
    timer.setInterval(intervalMs);
    if (running) {
        timer.start(); // a new full period
    }
}

QString TimeOfDayFormat(const QLocale& locale) {
    // The user's long time format without its time zone: the hour, minute and
    // second fields, separators and any AM/PM designator stay as they are.
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'\'') {
            quoted = !quoted;
        } else if (!quoted && c == u't') {
            while (i + 1 < format.size() && format[i + 1] == u't') {
                ++i;
            }
            // The blank that parted the zone from the rest goes with it.
            while (!out.isEmpty() && out.back().isSpace()) {
                out.chop(1);
            }
            continue;
        }
        out += c;
    }
    return out.trimmed();
}

} // namespace vexrem
