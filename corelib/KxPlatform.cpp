#include "corelib/KxPlatform.h"
#include <cstdlib>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define KX_POISON(block, bytes) ASAN_POISON_MEMORY_REGION(block, bytes)
#define KX_UNPOISON(block, bytes) ASAN_UNPOISON_MEMORY_REGION(block, bytes)
#else
#define KX_POISON(block, bytes) ((void)(block), (void)(bytes))
#define KX_UNPOISON(block, bytes) ((void)(block), (void)(bytes))
#endif

namespace {

// Small blocks given back are kept per thread and handed out again for the
// next request of their size class, so that a run which builds and drops the
// same objects test after test (messages, texts, the tests themselves) stops
// taking memory from the system once it has warmed up. Blocks are sized up
// to their class on the way out, so any block of a class serves any request
// of it; the number kept per class is capped, so what is held stays small.
constexpr std::size_t kGrain = 16;
constexpr std::size_t kClasses = 32;  // blocks up to 512 bytes
constexpr std::uint32_t kKeptPerClass = 64;

struct FreeBlock {
    FreeBlock* next;
};

// Plain data, so that it needs no construction and stays usable while the
// thread ends; `closed` sends blocks straight back to the system after the
// thread's cache was emptied.
struct ThreadCache {
    FreeBlock* head[kClasses];
    std::uint32_t count[kClasses];
    bool registered;
    bool closed;
};

// Initial-exec: the cache is reached without a call into the dynamic linker,
// which would cost about as much as the recycling saves. The library is
// loaded with the program (or early enough to find static TLS space left).
thread_local ThreadCache t_cache __attribute__((tls_model("initial-exec")));

// Gives the cache's blocks back to the system when its thread ends.
struct CacheReleaser {
    ~CacheReleaser() {
        t_cache.closed = true;
        for (std::size_t c = 0; c < kClasses; ++c) {
            while (FreeBlock* block = t_cache.head[c]) {
                KX_UNPOISON(block, (c + 1) * kGrain);
                t_cache.head[c] = block->next;
                std::free(block);
            }
            t_cache.count[c] = 0;
        }
    }
};

// Control passing the declaration constructs the releaser and books its
// destructor for the thread's end.
void releaseCacheAtThreadEnd() {
    static thread_local CacheReleaser releaser;
    (void)releaser;
}

// The size class of a request, or kClasses for one the cache does not keep.
std::size_t sizeClass(std::size_t bytes) { return bytes == 0 ? 0 : (bytes - 1) / kGrain; }

} // namespace

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
    const std::size_t c = sizeClass(bytes);
    if (c >= kClasses) {
        ++m_allocs;
        return std::malloc(bytes);
    }
    ThreadCache& cache = t_cache;
    if (FreeBlock* block = cache.head[c]) {
        KX_UNPOISON(block, (c + 1) * kGrain);
        cache.head[c] = block->next;
        --cache.count[c];
        ++m_recycled;
        return block;
    }
    ++m_allocs;
    return std::malloc((c + 1) * kGrain);
}

void* KxPlatform::alloc(std::size_t bytes) { return refuse(m_failAfter) ? nullptr : take(bytes); }

void* KxPlatform::allocUnchecked(std::size_t bytes) { return take(bytes); }

void* KxPlatform::allocText(std::size_t bytes) { return refuse(m_failTextAfter) ? nullptr : take(bytes); }

void KxPlatform::dealloc(void* block, std::size_t bytes) {
    const std::size_t c = sizeClass(bytes);
    ThreadCache& cache = t_cache;
    if (!block || c >= kClasses || cache.closed || cache.count[c] >= kKeptPerClass) {
        std::free(block);
        return;
    }
    if (!cache.registered) {
        cache.registered = true;
        releaseCacheAtThreadEnd();
    }
    FreeBlock* freed = static_cast<FreeBlock*>(block);
    freed->next = cache.head[c];
    cache.head[c] = freed;
    ++cache.count[c];
    KX_POISON(block, (c + 1) * kGrain);
}

void KxPlatform::addToMemory(std::size_t bytes) { m_booked += static_cast<std::int64_t>(bytes); }
void KxPlatform::removeFromMemory(std::size_t bytes) { m_booked -= static_cast<std::int64_t>(bytes); }

void* KxAllocHooked::operator new(std::size_t bytes) noexcept { return KxPlatform::instance().alloc(bytes); }
void KxAllocHooked::operator delete(void* block, std::size_t bytes) noexcept {
    KxPlatform::instance().dealloc(block, bytes);
}
