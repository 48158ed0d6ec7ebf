#pragma once

#include <QSpinBox>

namespace vexrem {

// A spin edit that lets the user type any number, also one beyond its
// maximum, and corrects it into its range when the edit is left. QSpinBox
// itself refuses the keystroke that goes past the maximum, so "5000" typed
// into a box up to 1800 would end as 500.
class SpinEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit SpinEdit(QWidget* parent = nullptr);

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

private:
    // Digits only, a number above the maximum.
    bool AboveMaximum(const QString& input) const;
};

} // namespace vexrem
