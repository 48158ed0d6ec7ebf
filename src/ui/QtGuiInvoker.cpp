#include "ui/QtGuiInvoker.h"

#include <QMetaObject>

namespace vexrem {

void QtGuiInvoker::Post(std::function<void()> task) {
    QMetaObject::invokeMethod(context_, std::move(task), Qt::QueuedConnection);
}

} // namespace vexrem
