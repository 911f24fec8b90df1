#include "corelib/KxRefCounted.h"

KxRefCounted::~KxRefCounted() = default;

void KxRefCounted::unref() const {
    const_cast<KxRefCounted*>(this)->releaseHook();
    if (m_refCount.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}
