// The byte and number crunching of the fast engine, each with a portable
// path and, where the processor has it, an SSSE3 or AVX2 one (picked once at
// start-up). The sanitizer build takes the portable paths.
#pragma once

#include <cstddef>
#include <cstdint>

namespace veltrane {

// The longest row the kernels take at once (a strip of the fast engine).
constexpr int KernelRowBytes = 3072;

// Swaps the first and last byte of every pixel (3 bytes) of a row of count
// bytes: image channel order to subpixel order and back.
void crossRow(const unsigned char* from, unsigned char* to, int count);

// The same for a whole continuous 8UC3 buffer of count bytes.
void crossSubpixelOrder(const unsigned char* from, unsigned char* to, std::size_t count);

// Samples of a row as fixed-point numbers x * 2^fractionBits, and x moved on
// by step. x is first held to [-1, stride], which changes no sample that
// plots and keeps the product inside an int.
void toFixed(double* x, int* fixed, int count, double step, int stride, int fractionBits);

// Per byte of a row (count at most KernelRowBytes) the sum of every view's
// share, source * mask / 255 truncated, clamped to 255, into out; the mask
// rows (maskPitch bytes apart) are cleared for the next row.
void sumShares(const unsigned char* const* sources, unsigned char* masks, std::size_t maskPitch, int views,
               unsigned char* out, int count);

// The same where every source byte is 0 or 255: a share is then the mask
// byte or nothing, and the sum a saturating sum of bytes.
void sumBinaryShares(const unsigned char* const* sources, unsigned char* masks, std::size_t maskPitch, int views,
                     unsigned char* out, int count);

// Sums clamped to bytes.
void narrowSums(const std::uint16_t* sums, unsigned char* out, int count);

// out += row, saturating at 255, byte by byte.
void addSaturated(const unsigned char* row, unsigned char* out, int count);

} // namespace veltrane
