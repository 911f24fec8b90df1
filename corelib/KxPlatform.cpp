#include "corelib/KxPlatform.h"
#include <cstdlib>

KxPlatform& KxPlatform::instance() {
    // Never destroyed: memory is still taken and given back by exit handlers
    // and static destructors, in whatever order the process runs them.
    static KxPlatform* platform = new KxPlatform;
    return *platform;
}

bool KxPlatform::refuse(std::int64_t& failAfter) {
    if (failAfter == 0) return true;
    if (failAfter > 0) --failAfter;
    return false;
}

void* KxPlatform::take(std::size_t bytes) {
    ++m_allocs;
    return std::malloc(bytes ? bytes : 1);
}

void* KxPlatform::alloc(std::size_t bytes) { return refuse(m_failAfter) ? nullptr : take(bytes); }

void* KxPlatform::allocUnchecked(std::size_t bytes) { return take(bytes); }

void* KxPlatform::allocText(std::size_t bytes) { return refuse(m_failTextAfter) ? nullptr : take(bytes); }

void KxPlatform::dealloc(void* block, std::size_t) { std::free(block); }

void KxPlatform::addToMemory(std::size_t bytes) { m_booked += static_cast<std::int64_t>(bytes); }
void KxPlatform::removeFromMemory(std::size_t bytes) { m_booked -= static_cast<std::int64_t>(bytes); }

void* KxAllocHooked::operator new(std::size_t bytes) noexcept { return KxPlatform::instance().alloc(bytes); }
void KxAllocHooked::operator delete(void* block, std::size_t bytes) noexcept {
    KxPlatform::instance().dealloc(block, bytes);
}
