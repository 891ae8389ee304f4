// The one way code picks CPU-specific instructions: HALDEN_VECTOR_CLONES
// before a function builds it for AVX-512, for AVX2 and for any x86-64 CPU,
// and the program runs the best one the CPU has. Such functions are plain
// loops (or generic vector types) the compiler vectorises. With floating-
// point contraction off, as the build sets it, no clone fuses a multiply and
// an add, so every clone gives the same bits. Elsewhere it is empty.
#pragma once

// ThreadSanitizer builds go without clones: the loader picks a clone before
// the sanitizer's runtime is up, and the program crashes at start.
#if defined(__x86_64__) && defined(__GNUC__) && defined(__has_attribute) && !defined(__SANITIZE_THREAD__)
#if __has_attribute(target_clones)
#define HALDEN_VECTOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#endif
#endif

#ifndef HALDEN_VECTOR_CLONES
#define HALDEN_VECTOR_CLONES
#endif
