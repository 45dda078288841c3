#include "app/offline/upper_vector_state.h"

#include <gtest/gtest.h>

#if defined(__x86_64__) || defined(__i386__)

#include <cpuid.h>

namespace {

// Whether XGETBV with ECX = 1 tells which register state is in use.
bool state_in_use_is_reported()
{
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    return __builtin_cpu_supports("avx") && __get_cpuid_count(0xd, 1, &eax, &ebx, &ecx, &edx) && (eax & 4u);
}

bool upper_state_in_use()
{
    unsigned low = 0, high = 0;
    asm volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(1));
    return low & 4u; // the upper halves of the YMM registers
}

// What Qt's string hash leaves behind on some processors. Not compiled for
// AVX, so that the compiler adds no clearing of its own on return.
void dirty_upper_state()
{
    const float one = 1.0f;
    asm volatile("vbroadcastss %0, %%ymm0" : : "m"(one) : "xmm0");
}

TEST(UpperVectorState, ClearsTheUpperHalvesInUseBefore)
{
    if (!state_in_use_is_reported())
        GTEST_SKIP() << "this processor does not tell which register state is in use";
    dirty_upper_state();
    ASSERT_TRUE(upper_state_in_use());
    clear_upper_vector_state();
    EXPECT_FALSE(upper_state_in_use());
}

} // namespace

#endif
