// Four doubles side by side, which the compiler keeps in vector registers,
// and their loads and stores; load also takes a single value, so one
// template serves both widths.
#pragma once

#include <cstring>

namespace halden::lanes {

using Lanes = double __attribute__((vector_size(32)));

// (By reference: vectors passed by value would depend on the instruction set.)
[[gnu::always_inline]] inline void load(const double* p, Lanes& v) { std::memcpy(&v, p, sizeof v); }
[[gnu::always_inline]] inline void load(const double* p, double& v) { v = *p; }

[[gnu::always_inline]] inline void store(double* p, const Lanes& v) { std::memcpy(p, &v, sizeof v); }

}  // namespace halden::lanes
