#include "ui/SpinEdit.h"

namespace vexrem {

SpinEdit::SpinEdit(QWidget* parent) : QSpinBox(parent) {}

bool SpinEdit::AboveMaximum(const QString& input) const {
    if (input.isEmpty()) {
        return false;
    }
    for (const QChar c : input) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return false;
        }
    }
    bool ok = false;
    const qlonglong v = input.toLongLong(&ok);
    // Digits that overflow even a long long are above any maximum.
    return !ok || v > maximum();
}

QValidator::State SpinEdit::validate(QString& input, int& pos) const {
    const QValidator::State state = QSpinBox::validate(input, pos);
    if (state == QValidator::Invalid && AboveMaximum(input)) {
        return QValidator::Intermediate; // corrected when the edit is left
    }
    return state;
}

void SpinEdit::fixup(QString& input) const {
    QSpinBox::fixup(input);
    if (AboveMaximum(input)) {
        input = textFromValue(maximum());
    }
}

} // namespace vexrem
