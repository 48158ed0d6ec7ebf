#include "update/xml/RefObject.h"

namespace vexrem::xml {

namespace {

// Objects whose last reference went while another destruction was running on
// this thread. They are destroyed by the outermost Release, one after the
// other, which turns the recursion of a deep tree into a loop.
struct DestructionQueue {
    bool draining = false;
    std::vector<TRefObject*> pending;
};

thread_local DestructionQueue tDestructionQueue;

} // namespace

void TRefObject::Release() noexcept {
    if (refCount_ != 1) {
        --refCount_;
        return;
    }
    // Last reference: the count stays at 1 until the object is gone.
    DestructionQueue& queue = tDestructionQueue;
    if (queue.draining) {
        queue.pending.push_back(this);
        return;
    }
    queue.draining = true;
    delete this;
    while (!queue.pending.empty()) {
        TRefObject* next = queue.pending.back();
        queue.pending.pop_back();
        delete next;
    }
    queue.draining = false;
}

} // namespace vexrem::xml
