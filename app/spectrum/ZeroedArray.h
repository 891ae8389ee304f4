// A fixed-size array that starts zeroed, like std::array<T, N>{}, but maps
// fresh pages from the system, which come zeroed as they are first touched:
// the pages a program never touches cost it neither time nor memory (nor
// shadow memory under the sanitizers, which made each store cost a third of
// a second there). The store's point pool and acquisition buffers (20 MB)
// are such arrays; most sessions use a sliver of them.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>

#include <sys/mman.h>

namespace halden {

template <class T, std::size_t N>
class ZeroedArray {
    static_assert(std::is_trivially_copyable_v<T>, "zeroed bytes must be a valid T");

public:
    ZeroedArray() : m_values(allocate()) {}
    ZeroedArray(const ZeroedArray&) = delete;
    ZeroedArray& operator=(const ZeroedArray&) = delete;

    static constexpr std::size_t size() { return N; }
    T* data() { return m_values.get(); }
    const T* data() const { return m_values.get(); }
    T& operator[](std::size_t i) { return m_values[i]; }
    const T& operator[](std::size_t i) const { return m_values[i]; }
    T* begin() { return data(); }
    T* end() { return data() + N; }
    const T* begin() const { return data(); }
    const T* end() const { return data() + N; }
    void fill(const T& value) { std::fill(begin(), end(), value); }

private:
    static constexpr std::size_t kBytes = sizeof(T) * N;
    struct Unmap {
        void operator()(T* p) const { munmap(p, kBytes); }
    };
    static T* allocate() {
        void* p = mmap(nullptr, kBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        return static_cast<T*>(p);
    }
    std::unique_ptr<T[], Unmap> m_values;
};

}  // namespace halden
