#include "corelib/KxPlatform.h"
#include <cstdlib>

KxPlatform& KxPlatform::instance() {
    static KxPlatform platform;
    return platform;
}

void* KxPlatform::alloc(std::size_t bytes) {
    if (m_failAfter == 0) return nullptr;
    if (m_failAfter > 0) --m_failAfter;
    return allocUnchecked(bytes);
}

void* KxPlatform::allocUnchecked(std::size_t bytes) {
    ++m_allocs;
    return std::malloc(bytes ? bytes : 1);
}

void KxPlatform::dealloc(void* block, std::size_t) { std::free(block); }

void KxPlatform::addToMemory(std::size_t bytes) { m_booked += static_cast<std::int64_t>(bytes); }
void KxPlatform::removeFromMemory(std::size_t bytes) { m_booked -= static_cast<std::int64_t>(bytes); }

void* KxAllocHooked::operator new(std::size_t bytes) noexcept { return KxPlatform::instance().alloc(bytes); }
void KxAllocHooked::operator delete(void* block, std::size_t bytes) noexcept {
    KxPlatform::instance().dealloc(block, bytes);
}
