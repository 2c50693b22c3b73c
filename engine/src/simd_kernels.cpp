#include "simd_kernels.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include <algorithm>

namespace veltrane {

// The loops that vectorise are built for AVX2 too, and the processor picks.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
#define VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#define WIDE_VECTOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define VECTOR_CLONES
#define WIDE_VECTOR_CLONES
#endif

namespace {

void crossRowPlain(const unsigned char* from, unsigned char* to, int count)
{
    for (int b = 0; b < count; b += 3) {
        to[b] = from[b + 2];
        to[b + 1] = from[b + 1];
        to[b + 2] = from[b];
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
// Five pixels at a time: a 16-byte load and store of which 15 bytes count.
__attribute__((target("ssse3"))) void crossRowShuffled(const unsigned char* from, unsigned char* to, int count)
{
    const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    int b = 0;
    for (; b + 16 <= count; b += 15) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + b));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + b), _mm_shuffle_epi8(pixels, order));
    }
    crossRowPlain(from + b, to + b, count - b);
}

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer build takes the portable paths, so that the tests cover them.
const bool HaveShuffle = false;
const bool HaveAvx2 = false;
const bool HaveAvx512 = false;
#else
const bool HaveShuffle = (__builtin_cpu_init(), __builtin_cpu_supports("ssse3"));
const bool HaveAvx2 = __builtin_cpu_supports("avx2");
const bool HaveAvx512 = __builtin_cpu_supports("avx512bw");
#endif
#endif

// The shares of one view, sum += source * mask / 255 truncated, and the mask
// cleared for the next row.
VECTOR_CLONES void addShares(const unsigned char* source, unsigned char* mask, std::uint16_t* sums, int count)
{
    for (int j = 0; j < count; ++j) {
        const std::uint16_t p = static_cast<std::uint16_t>(source[j] * mask[j]);
        sums[j] = static_cast<std::uint16_t>(sums[j] + p / std::uint16_t{255});
        mask[j] = 0;
    }
}

VECTOR_CLONES void clampSums(std::uint16_t* sums, int count)
{
    for (int j = 0; j < count; ++j)
        sums[j] = std::min<std::uint16_t>(sums[j], 255);
}

// The sums are held to 255 after every 64 views so that they stay inside 16
// bits (the final byte is the same).
void sumSharesPlain(const unsigned char* const* sources, unsigned char* masks, std::size_t maskPitch, int views,
                    unsigned char* out, int count)
{
    std::uint16_t sums[KernelRowBytes] = {};
    for (int v = 0; v < views; ++v) {
        addShares(sources[v], masks + static_cast<std::size_t>(v) * maskPitch, sums, count);
        if ((v & 63) == 63)
            clampSums(sums, count);
    }
    clampSums(sums, count);
    std::copy(sums, sums + count, out);
}

#if defined(__x86_64__) && defined(__GNUC__)
// 32 subpixels at a time with their sums held in registers across the views.
// p / 255 is (p * 0x8081) >> 23 for every 16-bit p.
__attribute__((target("avx2"))) void sumSharesWide(const unsigned char* const* sources, unsigned char* masks,
                                                   std::size_t maskPitch, int views, unsigned char* out, int count)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i divide = _mm256_set1_epi16(static_cast<short>(0x8081));
    const __m256i limit = _mm256_set1_epi16(255);
    int j = 0;
    for (; j + 32 <= count; j += 32) {
        __m256i low = zero;  // bytes 0-7 and 16-23 of the 32, as words
        __m256i high = zero; // bytes 8-15 and 24-31
        for (int v = 0; v < views; ++v) {
            auto* mask = reinterpret_cast<__m256i*>(masks + static_cast<std::size_t>(v) * maskPitch + j);
            const __m256i weight = _mm256_loadu_si256(mask);
            const __m256i source = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sources[v] + j));
            _mm256_storeu_si256(mask, zero);
            const __m256i lowProduct =
                _mm256_mullo_epi16(_mm256_unpacklo_epi8(source, zero), _mm256_unpacklo_epi8(weight, zero));
            const __m256i highProduct =
                _mm256_mullo_epi16(_mm256_unpackhi_epi8(source, zero), _mm256_unpackhi_epi8(weight, zero));
            low = _mm256_add_epi16(low, _mm256_srli_epi16(_mm256_mulhi_epu16(lowProduct, divide), 7));
            high = _mm256_add_epi16(high, _mm256_srli_epi16(_mm256_mulhi_epu16(highProduct, divide), 7));
            if ((v & 63) == 63) {
                low = _mm256_min_epu16(low, limit);
                high = _mm256_min_epu16(high, limit);
            }
        }
        // The sums stay below 32768, so the pack's signed saturation clamps them.
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + j), _mm256_packus_epi16(low, high));
    }
    for (; j < count; ++j) {
        int sum = 0;
        for (int v = 0; v < views; ++v) {
            unsigned char& weight = masks[static_cast<std::size_t>(v) * maskPitch + j];
            sum += sources[v][j] * weight / 255;
            weight = 0;
        }
        out[j] = static_cast<unsigned char>(std::min(sum, 255));
    }
}
#endif

// Shares of sources that are 0 or 255: each mask byte kept or dropped by
// its source byte, the views summed with saturation; bytes [from, count).
VECTOR_CLONES void sumBinarySharesFrom(const unsigned char* const* sources, unsigned char* masks,
                                       std::size_t maskPitch, int views, unsigned char* out, int from, int count)
{
    std::fill(out + from, out + count, 0);
    for (int v = 0; v < views; ++v) {
        unsigned char* mask = masks + static_cast<std::size_t>(v) * maskPitch;
        for (int j = from; j < count; ++j) {
            const int sum = out[j] + (mask[j] & sources[v][j]);
            out[j] = static_cast<unsigned char>(sum > 255 ? 255 : sum);
            mask[j] = 0;
        }
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
// 64 subpixels at a time.
__attribute__((target("avx512bw"))) void sumBinarySharesWidest(const unsigned char* const* sources,
                                                               unsigned char* masks, std::size_t maskPitch, int views,
                                                               unsigned char* out, int count)
{
    const __m512i zero = _mm512_setzero_si512();
    int j = 0;
    for (; j + 64 <= count; j += 64) {
        // Views that follow one another with the same source (the usual
        // case: a few sources, each for a run of views) are summed first and
        // kept or dropped together: the bytes are the same.
        __m512i sum = zero;
        __m512i run = zero;
        const unsigned char* source = sources[0];
        for (int v = 0; v < views; ++v) {
            if (sources[v] != source) {
                sum = _mm512_adds_epu8(sum, _mm512_and_si512(run, _mm512_loadu_si512(source + j)));
                run = zero;
                source = sources[v];
            }
            unsigned char* mask = masks + static_cast<std::size_t>(v) * maskPitch + j;
            run = _mm512_adds_epu8(run, _mm512_loadu_si512(mask));
            _mm512_storeu_si512(mask, zero);
        }
        sum = _mm512_adds_epu8(sum, _mm512_and_si512(run, _mm512_loadu_si512(source + j)));
        _mm512_storeu_si512(out + j, sum);
    }
    sumBinarySharesFrom(sources, masks, maskPitch, views, out, j, count);
}
#endif

} // namespace

void crossRow(const unsigned char* from, unsigned char* to, int count)
{
#if defined(__x86_64__) && defined(__GNUC__)
    if (HaveShuffle)
        return crossRowShuffled(from, to, count);
#endif
    crossRowPlain(from, to, count);
}

void crossSubpixelOrder(const unsigned char* from, unsigned char* to, std::size_t count)
{
    constexpr std::size_t Piece = 3 << 20; // whole pixels, within int range
    for (std::size_t done = 0; done < count; done += Piece)
        crossRow(from + done, to + done, static_cast<int>(std::min(Piece, count - done)));
}

WIDE_VECTOR_CLONES void toFixed(double* x, int* fixed, int count, double step, int stride, int fractionBits)
{
    const double top = stride;
    const double scale = static_cast<double>(1 << fractionBits);
    for (int j = 0; j < count; ++j) {
        const double held = std::min(std::max(x[j], -1.0), top);
        fixed[j] = static_cast<int>(held * scale);
        x[j] = x[j] + step;
    }
}

void sumShares(const unsigned char* const* sources, unsigned char* masks, std::size_t maskPitch, int views,
               unsigned char* out, int count)
{
#if defined(__x86_64__) && defined(__GNUC__)
    if (HaveAvx2)
        return sumSharesWide(sources, masks, maskPitch, views, out, count);
#endif
    sumSharesPlain(sources, masks, maskPitch, views, out, count);
}

void sumBinaryShares(const unsigned char* const* sources, unsigned char* masks, std::size_t maskPitch, int views,
                     unsigned char* out, int count)
{
#if defined(__x86_64__) && defined(__GNUC__)
    if (HaveAvx512)
        return sumBinarySharesWidest(sources, masks, maskPitch, views, out, count);
#endif
    sumBinarySharesFrom(sources, masks, maskPitch, views, out, 0, count);
}

VECTOR_CLONES void narrowSums(const std::uint16_t* sums, unsigned char* out, int count)
{
    for (int j = 0; j < count; ++j)
        out[j] = static_cast<unsigned char>(sums[j] > 255 ? 255 : sums[j]);
}

VECTOR_CLONES void addSaturated(const unsigned char* row, unsigned char* out, int count)
{
    for (int j = 0; j < count; ++j) {
        const int sum = out[j] + row[j];
        out[j] = static_cast<unsigned char>(sum > 255 ? 255 : sum);
    }
}

} // namespace veltrane
