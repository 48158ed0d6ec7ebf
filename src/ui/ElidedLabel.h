#pragma once

#include <QLabel>

namespace vexrem {

// A one-line label for text from outside: it asks the layout for no width
// of its own, so a long text cannot widen the window, and shows as much of
// the text as fits, ending in "…". text() stays the whole text.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);
    explicit ElidedLabel(const QString& text, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace vexrem
