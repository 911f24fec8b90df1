#pragma once
#include <Rt/corelib/KxErrorState.h>
#include <Rt/corelib/KxPlatform.h>
#include <Rt/corelib/KxRefCounted.h>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

// Growable array over the core library's allocator.
//
// Growth: an append that needs length + n > capacity grows to the larger of
// capacity + capacity / 2 and length + n; writing through an index past the
// end grows the same way to the larger of capacity + capacity / 2 and i + 1.
// Every block is booked with KxPlatform while it is held. A growth that fails
// raises a core-library error (code 5) and leaves the content as it was.
template <class T>
class KxVec {
public:
    KxVec() noexcept = default;
    KxVec(const KxVec& other) { assign(other.m_data, other.m_length); }
    KxVec(KxVec&& other) noexcept : m_data(other.m_data), m_length(other.m_length), m_capacity(other.m_capacity) {
        other.m_data = nullptr; other.m_length = other.m_capacity = 0;
    }
    KxVec& operator=(const KxVec& other) { if (this != &other) assign(other.m_data, other.m_length); return *this; }
    KxVec& operator=(KxVec&& other) noexcept {
        if (this != &other) { freeStorage(); std::swap(m_data, other.m_data); std::swap(m_length, other.m_length); std::swap(m_capacity, other.m_capacity); }
        return *this;
    }
    ~KxVec() { freeStorage(); }

    std::uint32_t size() const { return m_length; }
    std::uint32_t capacity() const { return m_capacity; }
    bool isEmpty() const { return m_length == 0; }
    T* data() { return m_data; }
    const T* data() const { return m_data; }
    T* begin() { return m_data; }
    T* end() { return m_data + m_length; }
    const T* begin() const { return m_data; }
    const T* end() const { return m_data + m_length; }
    T& last() { return m_data[m_length - 1]; }
    const T& last() const { return m_data[m_length - 1]; }

    // Extends the array to i + 1 with empty entries when i is past the end.
    // If that growth fails the error is raised and a scratch entry is returned.
    T& operator[](std::uint32_t i) {
        if (i >= m_length && !extendTo(std::uint64_t(i) + 1)) return scratch();
        return m_data[i];
    }
    const T& operator[](std::uint32_t i) const { return m_data[i]; }

    bool append(const T& element) {
        if (m_length == m_capacity) {
            // The element may live inside this array: copy it before the block moves.
            T copy(element);
            if (!growFor(std::uint64_t(m_length) + 1)) return false;
            new (m_data + m_length) T(std::move(copy));
        } else {
            new (m_data + m_length) T(element);
        }
        ++m_length;
        return true;
    }
    bool append(const T* elements, std::uint32_t n) {
        if (n == 0) return true;
        if (std::uint64_t(m_length) + n > m_capacity) {
            if (elements >= m_data && elements < m_data + m_length) {
                KxVec copy; if (!copy.assign(elements, n)) return false;
                return append(copy.m_data, n);
            }
            if (!growFor(std::uint64_t(m_length) + n)) return false;
        }
        copyInto(m_data + m_length, elements, n);
        m_length += n;
        return true;
    }

    // Room for n elements in all, so that appending up to n grows nothing.
    // Quietly false when there is no room: appending then grows (and fails)
    // as it would have anyway.
    bool reserve(std::uint32_t n) { return n <= m_capacity || reallocate(n, false); }

    // Appends n elements the caller fills in, and returns where they start;
    // null when the array could not grow (the error is raised). Only for
    // element types that need no construction.
    T* extendBy(std::uint32_t n) {
        static_assert(std::is_trivially_copyable<T>::value, "extendBy leaves the new elements unconstructed");
        if (std::uint64_t(m_length) + n > m_capacity && !growFor(std::uint64_t(m_length) + n)) return nullptr;
        T* added = m_data + m_length;
        m_length += n;
        return added;
    }

    // Shorter: destroys the elements from n on. Longer: empty entries, the
    // block reallocated to exactly n when n exceeds the capacity.
    bool setLength(std::uint32_t n) {
        if (n < m_length) { destroyRange(n, m_length); m_length = n; return true; }
        if (n > m_capacity && !reallocate(n)) return false;
        for (std::uint32_t k = m_length; k < n; ++k) new (m_data + k) T();
        m_length = n;
        return true;
    }

    // Replaces the content by copies of n elements.
    bool assign(const T* elements, std::uint32_t n) {
        if (elements >= m_data && elements < m_data + m_length && elements != m_data) {
            KxVec copy; if (!copy.assign(elements, n)) return false;
            *this = std::move(copy);
            return true;
        }
        if (elements == m_data && n <= m_length) { destroyRange(n, m_length); m_length = n; return true; }
        if (n > m_capacity && !reallocate(n)) return false;
        std::uint32_t common = n < m_length ? n : m_length;
        for (std::uint32_t k = 0; k < common; ++k) m_data[k] = elements[k];
        for (std::uint32_t k = common; k < n; ++k) new (m_data + k) T(elements[k]);
        if (n < m_length) destroyRange(n, m_length);
        m_length = n;
        return true;
    }

    // Removes `count` elements from `start`; a count beyond the end (or the
    // all-ones value) removes to the end.
    bool remove(std::uint32_t start, std::uint32_t count) {
        if (start >= m_length && m_length != 0) {
            KxErrorState::throwStdError("KxVecBase", "remove",
                                        "KxVecBASE<T,S,Alloc>::remove() -- start>=this->len .", 1);
            return false;
        }
        if (count == 0 || m_length == 0) return true;
        if (count == 0xFFFFFFFFu || count > m_length - start) {
            destroyRange(start, m_length);
            m_length = start;
            return true;
        }
        for (std::uint32_t k = start; k + count < m_length; ++k) m_data[k] = std::move(m_data[k + count]);
        destroyRange(m_length - count, m_length);
        m_length -= count;
        return true;
    }

    // Destroys every element and gives the block back.
    void freeStorage() {
        destroyRange(0, m_length);
        if (m_data) {
            std::size_t bytes = std::size_t(m_capacity) * sizeof(T);
            KxPlatform::instance().dealloc(m_data, bytes);
            KxPlatform::instance().removeFromMemory(bytes);
        }
        m_data = nullptr;
        m_length = m_capacity = 0;
    }

private:
    void destroyRange(std::uint32_t from, std::uint32_t to) {
        if (std::is_trivially_destructible<T>::value) return;
        for (std::uint32_t k = from; k < to; ++k) m_data[k].~T();
    }

    static void copyInto(T* target, const T* elements, std::uint32_t n) {
        if (std::is_trivially_copyable<T>::value)
            std::memcpy(static_cast<void*>(target), elements, std::size_t(n) * sizeof(T));
        else
            for (std::uint32_t k = 0; k < n; ++k) new (target + k) T(elements[k]);
    }

    bool growFor(std::uint64_t needed) {
        std::uint64_t grown = std::uint64_t(m_capacity) + m_capacity / 2;
        return reallocate(grown > needed ? grown : needed);
    }

    bool extendTo(std::uint64_t newLength) {
        if (newLength > m_capacity && !growFor(newLength)) return false;
        for (std::uint64_t k = m_length; k < newLength; ++k) new (m_data + k) T();
        m_length = static_cast<std::uint32_t>(newLength);
        return true;
    }

    bool reallocate(std::uint64_t newCapacity, bool raise = true) {
        std::uint64_t oldBytes = std::uint64_t(m_capacity) * sizeof(T);
        std::uint64_t newBytes = newCapacity * sizeof(T);
        // Sizes are 32-bit: a size that would not fit has wrapped.
        if (newCapacity > 0xFFFFFFFFu || newBytes > 0xFFFFFFFFu || newBytes <= oldBytes) {
            if (!raise) return false;
            KxErrorState::throwStdError("KxVecBase", "reallocMem", "cNewAllocBytes > cOldAllocBytes", 5);
            KxErrorState::rethrowError();
            return false;
        }
        KxPlatform& platform = KxPlatform::instance();
        T* block = static_cast<T*>(platform.alloc(static_cast<std::size_t>(newBytes)));
        if (!block) {
            if (!raise) return false;
            KxErrorState::throwStdError("KxVecBase", "reallocMem", "pNewVec", 5);
            KxErrorState::rethrowError();
            return false;
        }
        if (std::is_trivially_copyable<T>::value) {
            if (m_length) std::memcpy(static_cast<void*>(block), m_data, std::size_t(m_length) * sizeof(T));
        } else {
            for (std::uint32_t k = 0; k < m_length; ++k) {
                new (block + k) T(std::move(m_data[k]));
                m_data[k].~T();
            }
        }
        if (m_data) {
            platform.dealloc(m_data, static_cast<std::size_t>(oldBytes));
            platform.removeFromMemory(static_cast<std::size_t>(oldBytes));
        }
        platform.addToMemory(static_cast<std::size_t>(newBytes));
        m_data = block;
        m_capacity = static_cast<std::uint32_t>(newCapacity);
        return true;
    }

    // Never destroyed, so that it outlives every static that may read it.
    static T& scratch() {
        static T* entry = new T();
        *entry = T();
        return *entry;
    }

    T* m_data = nullptr;
    std::uint32_t m_length = 0;
    std::uint32_t m_capacity = 0;
};

namespace Kx {
// An array of shared pointers: each live entry holds one reference; an empty entry is null.
template <class T>
using SharedPtrVec = KxVec<SharedPtr<T>>;
} // namespace Kx
