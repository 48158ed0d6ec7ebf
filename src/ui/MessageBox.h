#pragma once

#include <QMessageBox>
#include <QString>

namespace vexrem {

// A message box with one "OK" and its text shown as plain text: it names files
// and repeats texts of the server as they are. Window-modal, so that without
// a visible parent it blocks no window of ours (the tray and its menu stay
// live where they are our windows).
void ShowMessage(QMessageBox::Icon icon, const QString& title, const QString& text, QWidget* parent,
                 Qt::WindowModality modality = Qt::WindowModal);

} // namespace vexrem
