#include "database/PointPool.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstring>

#include "files/LineGrammar.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace halden {

void sizePool(PointPool& pool, std::size_t need) {
    if (pool.capacity() < need || pool.capacity() > 2 * need + kMaxDataLines) {
        PointPool().swap(pool);
        pool.reserve(need);
#if defined(MADV_HUGEPAGE)
        // A hint: nothing changes where it is not taken.
        const std::uintptr_t page = 4096;
        const auto at = reinterpret_cast<std::uintptr_t>(pool.data());
        const auto first = (at + page - 1) & ~(page - 1);
        const auto last = (at + pool.capacity() * sizeof(double)) & ~(page - 1);
        if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#endif
    }
    pool.resize(need);
}

void copyToPool(double* to, const double* from, std::size_t count) {
#if defined(__SSE2__)
    std::size_t i = 0;
    // Streaming stores want 16-byte aligned targets; a pool offset may be odd.
    if (count > 0 && (reinterpret_cast<std::uintptr_t>(to) & 15) != 0) {
        to[0] = from[0];
        i = 1;
    }
    for (; i + 2 <= count; i += 2) _mm_stream_pd(to + i, _mm_loadu_pd(from + i));
    if (i < count) to[i] = from[i];
    _mm_sfence();
#else
    if (count > 0) std::memcpy(to, from, count * sizeof(double));
#endif
}

}  // namespace halden
