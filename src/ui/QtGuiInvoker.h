#pragma once
// The hand-over from a worker to the GUI thread with Qt: the call is queued to
// the GUI thread's event loop and the worker waits until it has run. A modal
// window opened by the call runs its own event loop, so the program stays
// live meanwhile.

#include "worker/GuiInvoker.h"

#include <QObject>

namespace vexrem {

class QtGuiInvoker : public PostingGuiInvoker {
public:
    // context: an object living on the GUI thread; calls queued to it are
    // dropped when it is destroyed.
    explicit QtGuiInvoker(QObject* context) : context_(context) {}

protected:
    void Post(std::function<void()> task) override;

private:
    QObject* context_;
};

} // namespace vexrem
