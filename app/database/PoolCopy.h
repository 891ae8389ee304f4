// Filling the database's point pools, which are written once per load and
// read much later: far more than the caches hold.
#pragma once

#include <cstddef>

namespace halden {

// Copies count doubles to to. Streaming stores where the CPU has them, so that
// the pool's lines are neither read before they are written nor kept in the
// caches at the cost of the file being parsed; ordered before whatever the
// calling thread does next.
void copyToPool(double* to, const double* from, std::size_t count);

}  // namespace halden
