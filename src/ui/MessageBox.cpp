#include "ui/MessageBox.h"

namespace vexrem {

void ShowMessage(QMessageBox::Icon icon, const QString& title, const QString& text, QWidget* parent,
                 Qt::WindowModality modality) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(modality);
    box.exec();
}

} // namespace vexrem
