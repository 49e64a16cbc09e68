#include "data/UpperVectorState.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#include <immintrin.h>

namespace {

struct Support {
    bool avx = false;
    bool inUseBits = false; // XGETBV with ECX=1
};

Support detect() {
    Support support;
    __builtin_cpu_init();
    // Checks the operating system's support too (OSXSAVE and the YMM state in XCR0).
    support.avx = __builtin_cpu_supports("avx");
    unsigned eax = 0;
    unsigned ebx = 0;
    unsigned ecx = 0;
    unsigned edx = 0;
    if (support.avx && __get_cpuid_count(0x0d, 1, &eax, &ebx, &ecx, &edx)) {
        support.inUseBits = (eax & (1u << 2)) != 0;
    }
    return support;
}

const Support& support() {
    static const Support detected = detect();
    return detected;
}

__attribute__((target("avx"))) void zeroUpper() {
    _mm256_zeroupper();
}

} // namespace

namespace UpperVectorState {

void clear() {
    if (support().avx) {
        zeroUpper();
    }
}

bool observable() {
    return support().inUseBits;
}

bool dirty() {
    if (!support().inUseBits) {
        return false;
    }
    unsigned low = 0;
    unsigned high = 0;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(1));
    // Bit 2: the upper halves of YMM0-15 (AVX state); bit 6: the upper halves of ZMM0-15.
    return (low & ((1u << 2) | (1u << 6))) != 0;
}

} // namespace UpperVectorState

#else

namespace UpperVectorState {

void clear() {}
bool observable() {
    return false;
}
bool dirty() {
    return false;
}

} // namespace UpperVectorState

#endif
