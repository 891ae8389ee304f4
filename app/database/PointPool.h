// The database's point pools (m_dbX, m_dbY): x and y values file after file,
// written once per load and read much later, far more than the caches hold.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace halden {

// An allocator whose resize() leaves new values unset, so that a pool can be
// sized for the most it may hold without writing (and so backing) all of it.
template <class T>
struct UninitialisedAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UninitialisedAllocator<U>;
    };
    UninitialisedAllocator() noexcept = default;
    template <class U>
    UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        if constexpr (sizeof...(Args) == 0)
            ::new (static_cast<void*>(p)) U;
        else
            ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

using PointPool = std::vector<double, UninitialisedAllocator<double>>;

// Sizes pool to need values without writing them. A pool of a fitting
// capacity is kept (reloading the same folder then writes to memory already
// in place); another is released first and made anew, asking for large
// pages, as filling a fresh pool costs one page fault per 4 KiB otherwise.
void sizePool(PointPool& pool, std::size_t need);

// Copies count doubles to to. Streaming stores where the CPU has them, so that
// the pool's lines are neither read before they are written nor kept in the
// caches at the cost of the file being parsed; ordered before whatever the
// calling thread does next.
void copyToPool(double* to, const double* from, std::size_t count);

}  // namespace halden
