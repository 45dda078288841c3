#include "app/offline/upper_vector_state.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

namespace {

// Compiled for AVX on its own, so that the rest of the program keeps the
// baseline instruction set and runs on every x86 processor.
__attribute__((target("avx"))) void zero_upper()
{
    _mm256_zeroupper();
}

} // namespace

void clear_upper_vector_state()
{
    if (__builtin_cpu_supports("avx"))
        zero_upper();
}

#else

void clear_upper_vector_state()
{
}

#endif
