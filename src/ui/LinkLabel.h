#pragma once

#include <QLabel>

namespace vexrem {

// A label that reports a left click, for link-style captions and small
// clickable images. It takes no keyboard focus, like any other label.
class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickableLabel(QWidget* parent = nullptr);
    explicit ClickableLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

// Blue, underlined, hand cursor: the look of a web link.
void StyleAsLink(QLabel* label);

} // namespace vexrem
