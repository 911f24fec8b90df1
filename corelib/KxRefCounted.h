#pragma once
#include <Rt/corelib/KxPlatform.h>
#include <atomic>
#include <cstdint>
#include <utility>

// Base of every shared object: a release hook, the deleting destructor and
// an atomic count that starts at 0 and is never copied.
class KX_API KxRefCounted : public KxAllocHooked {
public:
    KxRefCounted() : m_refCount(0) {}
    KxRefCounted(const KxRefCounted&) : m_refCount(0) {}
    KxRefCounted& operator=(const KxRefCounted&) { return *this; }

    virtual void releaseHook() {}
    virtual ~KxRefCounted();

    void ref() const { m_refCount.fetch_add(1, std::memory_order_relaxed); }
    // Calls the release hook, then deletes the object when the count falls from 1 to 0.
    void unref() const;
    std::int32_t refCount() const { return m_refCount.load(std::memory_order_relaxed); }

private:
    mutable std::atomic<std::int32_t> m_refCount;
};

namespace Kx {

// Intrusive shared pointer over KxRefCounted.
template <class T>
class SharedPtr {
public:
    constexpr SharedPtr() noexcept = default;
    constexpr SharedPtr(std::nullptr_t) noexcept {}
    SharedPtr(T* object) noexcept : m_p(object) { if (m_p) m_p->ref(); }
    SharedPtr(const SharedPtr& other) noexcept : SharedPtr(other.m_p) {}
    SharedPtr(SharedPtr&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
    template <class U, class = std::enable_if_t<std::is_convertible<U*, T*>::value>>
    SharedPtr(const SharedPtr<U>& other) noexcept : SharedPtr(other.get()) {}
    // The pointer is emptied before the object is released, so code run by
    // the object's destructor never finds it through this pointer.
    ~SharedPtr() { T* p = m_p; m_p = nullptr; if (p) p->unref(); }

    SharedPtr& operator=(const SharedPtr& other) noexcept { return *this = other.m_p; }
    SharedPtr& operator=(SharedPtr&& other) noexcept {
        if (this != &other) { T* old = m_p; m_p = other.m_p; other.m_p = nullptr; if (old) old->unref(); }
        return *this;
    }
    // The new object is referenced before the old one is released, so
    // assigning an object to itself is safe.
    SharedPtr& operator=(T* object) noexcept {
        if (object) object->ref();
        T* old = m_p; m_p = object;
        if (old) old->unref();
        return *this;
    }
    SharedPtr& operator=(std::nullptr_t) noexcept { return *this = static_cast<T*>(nullptr); }

    T* get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    T& operator*() const noexcept { return *m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }
    void reset() noexcept { *this = nullptr; }

    friend bool operator==(const SharedPtr& a, const SharedPtr& b) { return a.m_p == b.m_p; }
    friend bool operator!=(const SharedPtr& a, const SharedPtr& b) { return a.m_p != b.m_p; }

private:
    T* m_p = nullptr;
};

} // namespace Kx
