#pragma once
#include <Rt/corelib/KxPlatform.h>
#include <cstddef>
#include <string>

// Allocator that takes text storage from the core library's allocator, so
// that text counts in KxPlatform's allocation figures like every other block.
template <class T>
struct KxTextAllocator {
    using value_type = T;
    KxTextAllocator() noexcept = default;
    template <class U> KxTextAllocator(const KxTextAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) {
        void* p = KxPlatform::instance().allocText(n * sizeof(T));
        if (!p) throw std::bad_alloc();
        return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t n) noexcept { KxPlatform::instance().dealloc(p, n * sizeof(T)); }
    template <class U> bool operator==(const KxTextAllocator<U>&) const noexcept { return true; }
    template <class U> bool operator!=(const KxTextAllocator<U>&) const noexcept { return false; }
};

// Text of UTF-16 units. The single-byte (multibyte) form is byte-transparent:
// each byte of a C string becomes one unit 0..255 and stringToMbs writes each
// unit back as one byte, so any file passes through read and write unchanged.
// Positions and counts are in units; searches answer -1 when nothing is found.
class KX_API KxString {
public:
    using Unit = char16_t;
    using Storage = std::basic_string<Unit, std::char_traits<Unit>, KxTextAllocator<Unit>>;

    KxString() = default;
    KxString(const char* mbs);                    // NUL-terminated; null gives empty text
    KxString(const char* bytes, int count);       // exactly `count` bytes
    KxString(const Unit* units, int count);
    KxString(const KxString&) = default;
    KxString(KxString&&) noexcept = default;
    KxString& operator=(const KxString&) = default;
    KxString& operator=(KxString&&) noexcept = default;
    KxString& operator=(const char* mbs) { setString(mbs); return *this; }
    ~KxString() = default;

    KxString& operator+=(const KxString& other) { m_units += other.m_units; return *this; }
    KxString& operator+=(const char* mbs);
    KxString& operator+=(Unit unit) { m_units += unit; return *this; }
    friend KX_API KxString operator+(const KxString& a, const KxString& b);
    bool operator==(const KxString& other) const { return m_units == other.m_units; }
    bool operator!=(const KxString& other) const { return m_units != other.m_units; }
    // Compares with the single-byte text without making a KxString of it.
    bool operator==(const char* mbs) const;
    bool operator!=(const char* mbs) const { return !(*this == mbs); }

    int numChars() const { return static_cast<int>(m_units.size()); }
    bool isEmpty() const { return m_units.empty(); }
    Unit at(int index) const { return m_units[static_cast<std::size_t>(index)]; }

    // Index of the first occurrence of `s` at or after `from`; -1 when absent
    // or when `from` lies outside the text (so a failed search carries on failing).
    int find(const KxString& s, int from = 0) const;
    int find(Unit unit, int from = 0) const;
    int findLast(const KxString& s) const;
    bool contains(const KxString& s) const { return find(s, 0) >= 0; }

    // `count` units from `start` into `out` (a negative count: to the end;
    // a count past the end is cut). False, with `out` emptied, when `start`
    // lies outside 0..numChars().
    bool subString(int start, KxString& out, int count) const;
    bool insert(const KxString& s, int pos);
    // A count of -1 (or past the end) removes to the end.
    bool remove(int pos, int count);
    // Replaces occurrences of `oldText` from left to right (all of them, or the
    // first); `count` receives the number replaced. False for an empty `oldText`.
    bool replace(const KxString& oldText, const KxString& newText, int& count, bool all = true);

    bool clear() { m_units.clear(); return true; }
    // Room for `units` units without growing again.
    void reserve(int units) { if (units > 0) m_units.reserve(static_cast<std::size_t>(units)); }
    bool setString(const char* mbs);
    // One byte per unit plus a terminating zero; false (buffer untouched beyond
    // what was written) when a unit exceeds 255 or the buffer is too small.
    bool stringToMbs(char* buffer, int size) const;
    // The single-byte form, empty when a unit exceeds 255.
    std::string toStdString() const;
    // Zero-terminated units.
    const Unit* getConstPtr() const { return m_units.c_str(); }

private:
    Storage m_units;
};
