#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

namespace vexrem::xml {

// Base of every reference-counted object of the XML component. The count is a
// plain integer: a document and everything taken from it belong to one thread.
//
// Objects are destroyed when the last reference goes. While an object is being
// destroyed its count reads 1, so a reference taken and dropped during
// destruction does not destroy it twice. Destruction that cascades (a node
// dropping its children, which drop theirs, ...) is queued per thread and run
// in a loop instead of recursing, so a tree of any depth can be freed without
// exhausting the stack.
class TRefObject {
public:
    TRefObject() = default;
    TRefObject(const TRefObject&) = delete;
    TRefObject& operator=(const TRefObject&) = delete;

    std::int32_t RefCount() const noexcept { return refCount_; }

    void AddRef() noexcept { ++refCount_; }
    void Release() noexcept;

protected:
    // Protected: a counted object lives on the heap, created by MakeRef.
    virtual ~TRefObject() = default;

private:
    std::int32_t refCount_ = 0;
};

// A reference variable: the intrusive smart pointer of TRefObject.
//   TRef<T> r(obj) / MakeRef<T>(...)  set: take a reference to a new object
//   r = other / r.Assign(p)           assign: take the new, drop the old; same object: no-op
//   r.Clear()                         drop the reference and empty the variable
template <class T> class TRef {
public:
    TRef() noexcept = default;
    TRef(std::nullptr_t) noexcept {}
    explicit TRef(T* p) noexcept : p_(p) {
        if (p_)
            p_->AddRef();
    }
    TRef(const TRef& o) noexcept : TRef(o.p_) {}
    TRef(TRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    TRef(const TRef<U>& o) noexcept : TRef(o.Get()) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    TRef(TRef<U>&& o) noexcept : p_(o.Detach()) {}
    ~TRef() { Clear(); }

    TRef& operator=(const TRef& o) noexcept {
        Assign(o.p_);
        return *this;
    }
    TRef& operator=(TRef&& o) noexcept {
        if (this != &o) {
            T* old = std::exchange(p_, std::exchange(o.p_, nullptr));
            if (old)
                old->Release();
        }
        return *this;
    }

    // The new object is referenced before the old one is dropped, so assigning
    // an object that only the old one keeps alive is safe.
    void Assign(T* p) noexcept {
        if (p == p_)
            return;
        if (p)
            p->AddRef();
        T* old = std::exchange(p_, p);
        if (old)
            old->Release();
    }

    void Clear() noexcept {
        T* old = std::exchange(p_, nullptr);
        if (old)
            old->Release();
    }

    // Gives up the reference without dropping it (used for moves).
    T* Detach() noexcept { return std::exchange(p_, nullptr); }

    T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    friend bool operator==(const TRef& a, const TRef& b) noexcept { return a.p_ == b.p_; }
    friend bool operator==(const TRef& a, std::nullptr_t) noexcept { return a.p_ == nullptr; }

private:
    T* p_ = nullptr;
};

template <class T, class... Args> TRef<T> MakeRef(Args&&... args) {
    return TRef<T>(new T(std::forward<Args>(args)...));
}

template <class T, class U> TRef<T> StaticRefCast(const TRef<U>& r) noexcept {
    return TRef<T>(static_cast<T*>(r.Get()));
}

// A list of object pointers with three hooks, called in this order of slots:
// Added after an item went in (not for an empty pointer), Removed after an
// item came out, DisposeItem to destroy an item.
//
// C++ does not dispatch virtual calls from a base destructor, so a derived
// list whose hooks matter on destruction clears itself in its own destructor.
template <class T> class TXList {
public:
    TXList() = default;
    TXList(const TXList&) = delete;
    TXList& operator=(const TXList&) = delete;
    virtual ~TXList() { Clear(); }

    int Count() const noexcept { return static_cast<int>(items_.size()); }
    T* Item(int index) const { return items_.at(CheckIndex(index, Count() - 1)); }

    int Add(T* item) {
        Insert(Count(), item);
        return Count() - 1;
    }
    void Insert(int index, T* item) {
        items_.insert(items_.begin() + CheckIndex(index, Count()), item);
        if (item)
            Added(item);
    }
    // Takes the item out and returns it; only Removed is called.
    T* Extract(int index) {
        T* item = items_.at(CheckIndex(index, Count() - 1));
        items_.erase(items_.begin() + index);
        Removed(item);
        return item;
    }
    void Delete(int index) { DisposeItem(Extract(index)); }
    // Last to first: Removed, then DisposeItem, for each item.
    void Clear() {
        while (!items_.empty()) {
            T* item = items_.back();
            items_.pop_back();
            Removed(item);
            DisposeItem(item);
        }
    }
    int IndexOf(const T* item) const noexcept {
        for (std::size_t i = 0; i < items_.size(); ++i)
            if (items_[i] == item)
                return static_cast<int>(i);
        return -1;
    }

protected:
    virtual void Added(T* /*item*/) {}
    virtual void Removed(T* /*item*/) {}
    virtual void DisposeItem(T* item) {
        if constexpr (std::is_destructible_v<T>)
            std::default_delete<T>{}(item);
    }

private:
    static std::size_t CheckIndex(int index, int max) {
        if (index < 0 || index > max)
            throw std::out_of_range("list index out of bounds");
        return static_cast<std::size_t>(index);
    }

    std::vector<T*> items_;
};

// Holds a counted reference to each of its items.
class TRefObjectList final : public TXList<TRefObject> {
public:
    TRefObjectList() = default;
    ~TRefObjectList() override { Clear(); }

protected:
    void Added(TRefObject* item) override { item->AddRef(); }
    void Removed(TRefObject* item) override {
        if (item)
            item->Release();
    }
    void DisposeItem(TRefObject* /*item*/) override {}
};

} // namespace vexrem::xml
