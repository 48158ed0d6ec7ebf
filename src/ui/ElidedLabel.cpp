#include "ui/ElidedLabel.h"

#include <QPainter>
#include <QStyle>

namespace vexrem {

ElidedLabel::ElidedLabel(QWidget* parent) : ElidedLabel(QString(), parent) {}

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void ElidedLabel::paintEvent(QPaintEvent* event) {
    Q_UNUSED(event);
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    QString line = text();
    line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString shown = fontMetrics().elidedText(line, Qt::ElideRight, area.width());
    style()->drawItemText(&painter, area,
                          QStyle::visualAlignment(layoutDirection(), alignment()) |
                              Qt::TextSingleLine,
                          palette(), isEnabled(), shown, foregroundRole());
}

} // namespace vexrem
