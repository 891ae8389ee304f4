// The stored-curve table read curve by curve. Curve k holds
// m_storedLength[k] + 1 points of m_storedX / m_storedY, right after the
// points of every curve before it; the first negative length ends the table
// (-1 is the end marker, anything lower means the table is damaged).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <string>
#include <string_view>

#include "spectrum/SpectrumStore.h"

namespace halden {

// One stored curve: its points as views into the store's pools, its pen
// colour and whether it is shown.
struct StoredCurve {
    int slot = 0;          // k: its row in the table
    long long offset = 0;  // its first point in m_storedX / m_storedY
    std::span<const double> x, y;
    std::int32_t red = 0, green = 0, blue = 0;
    bool visible = false;
    CurveKind kind = CurveKind::Live;
    std::string_view name;  // into the store's m_storedName

    int count() const { return static_cast<int>(x.size()); }
    int last() const { return count() - 1; }  // -1 for a curve without points
};

// The curves of the table in order, read once on construction. Reading
// stops at the first negative length, after the last slot and before a
// curve that would run past the pool, so every view lies inside the pools.
class StoredCurves {
public:
    explicit StoredCurves(const SpectrumStore& store);

    int size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    StoredCurve operator[](int k) const;  // 0 <= k < size()

    // The slot of the -1 marker that ends the table, or -1 when a damaged
    // length comes first or no slot holds the marker.
    int markerSlot() const { return m_markerSlot; }
    // Pool points of every curve before the first negative length (counted
    // in full even where they run past the pool): where a new curve goes.
    long long endOffset() const { return m_endOffset; }

    class Iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = StoredCurve;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = StoredCurve;

        Iterator(const StoredCurves& table, int k) : m_table(&table), m_k(k) {}
        StoredCurve operator*() const { return (*m_table)[m_k]; }
        Iterator& operator++() {
            ++m_k;
            return *this;
        }
        Iterator operator++(int) {
            Iterator before = *this;
            ++m_k;
            return before;
        }
        bool operator==(const Iterator& other) const { return m_k == other.m_k; }

    private:
        const StoredCurves* m_table;
        int m_k;
    };
    Iterator begin() const { return Iterator(*this, 0); }
    Iterator end() const { return Iterator(*this, m_count); }

private:
    const SpectrumStore* m_store;
    int m_count = 0;
    int m_markerSlot = -1;
    long long m_endOffset = 0;
    std::array<long long, kStoredSlots> m_offsets{};
};

// Curve 0, the shown spectrum, on its own: no points when its length is
// negative, and cut at the end of the pool.
StoredCurve storedCurve0(const SpectrumStore& store);

inline constexpr const char* kLiveCurveName = "Live";
inline constexpr const char* kGaussianCurveName = "Gaussian fit";

// The name of live curve k of a block of count: "Live" alone, else "Scan k+1".
std::string liveCurveName(int k, int count);

// What curve k is and its name in the curve list and the legends.
void nameStoredCurve(SpectrumStore& store, int k, CurveKind kind, std::string name);

// Shows or hides curve k (its visible flag): hidden curves are neither drawn
// nor taken into the automatic ranges.
void setStoredCurveVisible(SpectrumStore& store, int k, bool visible);

// Takes curve k out of the table: the curves after it move up one slot with
// their points, names and flags, so they keep their order. The live curves
// (the first m_liveCurveCount) cannot be removed. Removing the Gaussian fit
// also clears its result. False, and nothing changed, when k is not a
// removable curve of an intact table.
bool removeStoredCurve(SpectrumStore& store, int k);

// Moves the n slots from..from+n-1 (lengths, colours, flags, kinds and names)
// to to..to+n-1; the points in the pools stay where they are.
void moveStoredSlots(SpectrumStore& store, int from, int to, int n);

// Gives curve k a pen colour and shows it.
void setStoredCurveColour(SpectrumStore& store, int k, std::int32_t red, std::int32_t green, std::int32_t blue);
// The colour a loaded or snapshot curve k gets: ((k+1), (k+2), (k+3)) x 100,
// of which the pen uses the low 8 bits.
void setStoredCurveSlotColour(SpectrumStore& store, int k);

}  // namespace halden
