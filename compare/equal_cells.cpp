// SPDX-License-Identifier: GPL-3.0-or-later
#include "compare/equal_cells.h"

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#define MORVANE_X86 1
#include <immintrin.h>
#endif

namespace morvane {
namespace {

// Cells counted between two looks at the early exit: one look costs about as much as one
// vector compare, and unrelated pictures are dropped after a few hundred cells.
constexpr int kStep = 128;

// The loop over many fingerprints, one body for every instruction set, each compiled with
// its own count inlined.
#define MORVANE_MANY_LOOP(AtLeast)                          \
    for (int i = 0; i < count; ++i)                         \
    equal[i] = skip[i] ? -1                                 \
                       : static_cast<std::int16_t>(AtLeast( \
                             head, block + std::size_t{kFingerprintCells} * i, maxDiffering))

// Each kernel counts equal cells and stops once `maxDiffering` is exceeded; the return is
// then 1024 minus the differing cells seen so far, which is below the least equal count.

int PlainAtLeast(const std::uint8_t* a, const std::uint8_t* b, int maxDiffering) {
    int equal = 0;
    for (int block = 0; block < kFingerprintCells; block += kStep) {
        for (int i = block; i < block + kStep; ++i) equal += a[i] == b[i];
        if (block + kStep - equal > maxDiffering)
            return kFingerprintCells - (block + kStep - equal);
    }
    return equal;
}

void PlainMany(const std::uint8_t* head, const std::uint8_t* block, int count,
               const std::uint8_t* skip, int maxDiffering, std::int16_t* equal) {
    MORVANE_MANY_LOOP(PlainAtLeast);
}

#ifdef MORVANE_X86

// SSE2 has no population count: equal bytes (0xFF) are subtracted into byte counters, which
// one sum of absolute differences per step adds up.
__attribute__((target("sse2"))) inline int Sse2AtLeast(const std::uint8_t* a, const std::uint8_t* b,
                                                       int maxDiffering) {
    int equal = 0;
    for (int block = 0; block < kFingerprintCells; block += kStep) {
        __m128i counters = _mm_setzero_si128();
        for (int i = block; i < block + kStep; i += 16) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
            const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
            counters = _mm_sub_epi8(counters, _mm_cmpeq_epi8(x, y));
        }
        const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
        equal += _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
        if (block + kStep - equal > maxDiffering)
            return kFingerprintCells - (block + kStep - equal);
    }
    return equal;
}

__attribute__((target("sse2"))) void Sse2Many(const std::uint8_t* head, const std::uint8_t* block,
                                              int count, const std::uint8_t* skip, int maxDiffering,
                                              std::int16_t* equal) {
    MORVANE_MANY_LOOP(Sse2AtLeast);
}

__attribute__((target("avx2,popcnt"))) inline int Avx2AtLeast(const std::uint8_t* a,
                                                              const std::uint8_t* b,
                                                              int maxDiffering) {
    int equal = 0;
    for (int block = 0; block < kFingerprintCells; block += kStep) {
        for (int i = block; i < block + kStep; i += 32) {
            const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
            const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
            const auto mask = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(x, y)));
            equal += _mm_popcnt_u32(mask);
        }
        if (block + kStep - equal > maxDiffering)
            return kFingerprintCells - (block + kStep - equal);
    }
    return equal;
}

__attribute__((target("avx2,popcnt"))) void Avx2Many(const std::uint8_t* head,
                                                     const std::uint8_t* block, int count,
                                                     const std::uint8_t* skip, int maxDiffering,
                                                     std::int16_t* equal) {
    MORVANE_MANY_LOOP(Avx2AtLeast);
}

__attribute__((target("avx512f,avx512bw,popcnt"))) inline int Avx512AtLeast(const std::uint8_t* a,
                                                                            const std::uint8_t* b,
                                                                            int maxDiffering) {
    int equal = 0;
    for (int block = 0; block < kFingerprintCells; block += kStep) {
        for (int i = block; i < block + kStep; i += 64) {
            const __m512i x = _mm512_loadu_si512(a + i);
            const __m512i y = _mm512_loadu_si512(b + i);
            equal += static_cast<int>(_mm_popcnt_u64(_mm512_cmpeq_epi8_mask(x, y)));
        }
        if (block + kStep - equal > maxDiffering)
            return kFingerprintCells - (block + kStep - equal);
    }
    return equal;
}

__attribute__((target("avx512f,avx512bw,popcnt"))) void Avx512Many(
    const std::uint8_t* head, const std::uint8_t* block, int count, const std::uint8_t* skip,
    int maxDiffering, std::int16_t* equal) {
    MORVANE_MANY_LOOP(Avx512AtLeast);
}

#endif  // MORVANE_X86

CellKernel BestKernel() {
    for (const CellKernel kernel : {CellKernel::Avx512, CellKernel::Avx2, CellKernel::Sse2})
        if (KernelAvailable(kernel)) return kernel;
    return CellKernel::Plain;
}

std::atomic<CellKernel>& Chosen() {
    static std::atomic<CellKernel> chosen{BestKernel()};
    return chosen;
}

// A threshold at or below 0 equal cells never exits early.
int MaxDiffering(int leastEqual) {
    return leastEqual <= 0 ? kFingerprintCells : kFingerprintCells - leastEqual;
}

}  // namespace

const char* KernelName(CellKernel kernel) {
    switch (kernel) {
        case CellKernel::Plain:
            return "plain";
        case CellKernel::Sse2:
            return "sse2";
        case CellKernel::Avx2:
            return "avx2";
        case CellKernel::Avx512:
            return "avx512bw";
    }
    return "?";
}

bool KernelAvailable(CellKernel kernel) {
#ifdef MORVANE_X86
    switch (kernel) {
        case CellKernel::Plain:
            return true;
        case CellKernel::Sse2:
            return __builtin_cpu_supports("sse2");
        case CellKernel::Avx2:
            return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
        case CellKernel::Avx512:
            return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("popcnt");
    }
    return false;
#else
    return kernel == CellKernel::Plain;
#endif
}

CellKernel ActiveCellKernel() {
    return Chosen().load(std::memory_order_relaxed);
}

void ForceCellKernel(CellKernel kernel) {
    if (KernelAvailable(kernel)) Chosen().store(kernel);
}

void ResetCellKernel() {
    Chosen().store(BestKernel());
}

int CountEqualCells(CellKernel kernel, const std::uint8_t* a, const std::uint8_t* b) {
    return CountEqualCellsAtLeast(kernel, a, b, 0);
}

int CountEqualCellsAtLeast(CellKernel kernel, const std::uint8_t* a, const std::uint8_t* b,
                           int leastEqual) {
    const int maxDiffering = MaxDiffering(leastEqual);
    switch (kernel) {
#ifdef MORVANE_X86
        case CellKernel::Sse2:
            return Sse2AtLeast(a, b, maxDiffering);
        case CellKernel::Avx2:
            return Avx2AtLeast(a, b, maxDiffering);
        case CellKernel::Avx512:
            return Avx512AtLeast(a, b, maxDiffering);
#endif
        default:
            return PlainAtLeast(a, b, maxDiffering);
    }
}

void CountEqualCellsMany(CellKernel kernel, const std::uint8_t* head, const std::uint8_t* block,
                         int count, const std::uint8_t* skip, int leastEqual, std::int16_t* equal) {
    const int maxDiffering = MaxDiffering(leastEqual);
    switch (kernel) {
#ifdef MORVANE_X86
        case CellKernel::Sse2:
            return Sse2Many(head, block, count, skip, maxDiffering, equal);
        case CellKernel::Avx2:
            return Avx2Many(head, block, count, skip, maxDiffering, equal);
        case CellKernel::Avx512:
            return Avx512Many(head, block, count, skip, maxDiffering, equal);
#endif
        default:
            return PlainMany(head, block, count, skip, maxDiffering, equal);
    }
}

}  // namespace morvane
