#include "database/PoolCopy.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace halden {

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
