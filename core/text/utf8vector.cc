#include "core/text/utf8vector.h"

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define YOMIKA_UTF8_VECTOR 1
#include <cstring>
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace yomika::utf8vector {

#ifdef YOMIKA_UTF8_VECTOR

namespace {

// Each byte is looked at together with the one before it: three table
// look-ups, on the high half of the byte before, its low half and the high
// half of the byte itself, each give the faults that half allows; a fault
// all three allow is there (Keiser and Lemire, "Validating UTF-8 in less
// than one instruction per byte", 2021).
constexpr char kTooShort = 1 << 0;  // a lead byte not followed by a continuation byte
constexpr char kTooLong = 1 << 1;   // ASCII followed by a continuation byte
constexpr char kOverlong3 = 1 << 2; // E0 80..9F
constexpr char kTooLarge = 1 << 3;  // F4 90..BF, F5..FF 90..BF
constexpr char kSurrogate = 1 << 4; // ED A0..BF
constexpr char kOverlong2 = 1 << 5; // C0 or C1, then anything
constexpr char kTooLarge1000 = 1 << 6; // F5..FF 80..8F
constexpr char kOverlong4 = 1 << 6;    // F0 80..8F
constexpr char kTwoConts = char(1 << 7); // two continuation bytes: right only as a third or fourth byte
constexpr char kCarry = kTooShort | kTooLong | kTwoConts;
constexpr char kLarge = kCarry | kTooLarge | kTooLarge1000;

struct State {
    __m128i previous;
    __m128i faults;
};

__attribute__((target("ssse3"))) inline void checkBlock(State& state, __m128i input)
{
    const __m128i firstHigh = _mm_setr_epi8(
        kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, // ASCII
        kTwoConts, kTwoConts, kTwoConts, kTwoConts,                                     // continuation
        kTooShort | kOverlong2, kTooShort, kTooShort | kOverlong3 | kSurrogate,
        kTooShort | kTooLarge | kTooLarge1000 | kOverlong4);
    const __m128i firstLow = _mm_setr_epi8(
        kCarry | kOverlong3 | kOverlong2 | kOverlong4, kCarry | kOverlong2, kCarry, kCarry, kCarry | kTooLarge,
        kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge | kSurrogate, kLarge, kLarge);
    const __m128i secondHigh = _mm_setr_epi8(
        kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
        kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge1000 | kOverlong4,
        kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge,
        kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge,
        kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge,
        kTooShort, kTooShort, kTooShort, kTooShort);
    const __m128i lowHalf = _mm_set1_epi8(0x0F);
    const __m128i before1 = _mm_alignr_epi8(input, state.previous, 15);
    const __m128i faults = _mm_and_si128(
        _mm_and_si128(_mm_shuffle_epi8(firstHigh, _mm_and_si128(_mm_srli_epi16(before1, 4), lowHalf)),
                      _mm_shuffle_epi8(firstLow, _mm_and_si128(before1, lowHalf))),
        _mm_shuffle_epi8(secondHigh, _mm_and_si128(_mm_srli_epi16(input, 4), lowHalf)));
    // Two bytes after a lead of three or four, and three after one of four,
    // two continuation bytes in a row are what must come.
    const __m128i third = _mm_subs_epu8(_mm_alignr_epi8(input, state.previous, 14), _mm_set1_epi8(char(0xE0 - 0x80)));
    const __m128i fourth = _mm_subs_epu8(_mm_alignr_epi8(input, state.previous, 13), _mm_set1_epi8(char(0xF0 - 0x80)));
    const __m128i expected = _mm_and_si128(_mm_or_si128(third, fourth), _mm_set1_epi8(char(0x80)));
    state.faults = _mm_or_si128(state.faults, _mm_xor_si128(expected, faults));
    state.previous = input;
}

} // namespace

bool available()
{
    // One CPUID leaf, asked on first use. __builtin_cpu_supports would link
    // the compiler's CPU model, which asks a dozen leaves at every start; in
    // a virtual machine each traps to the host, a noticeable part of the
    // analyzer's start on one sentence.
    static const bool has = [] {
        unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
        return __get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0 && (ecx & bit_SSSE3) != 0;
    }();
    return has;
}

__attribute__((target("ssse3"))) bool check(const unsigned char* data, std::size_t size)
{
    State state{_mm_setzero_si128(), _mm_setzero_si128()};
    std::size_t at = 0;
    for (; at + 16 <= size; at += 16) {
        checkBlock(state, _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at)));
        // A fault stays: stop at the first block that shows one.
        if ((at & 1023) == 1008 && _mm_movemask_epi8(_mm_cmpeq_epi8(state.faults, _mm_setzero_si128())) != 0xFFFF)
            return false;
    }
    // The rest padded with NUL: a sequence the end cuts short meets ASCII,
    // which is a fault, even when the rest is empty.
    unsigned char last[16] = {};
    if (size > at)
        std::memcpy(last, data + at, size - at);
    checkBlock(state, _mm_loadu_si128(reinterpret_cast<const __m128i*>(last)));
    return _mm_movemask_epi8(_mm_cmpeq_epi8(state.faults, _mm_setzero_si128())) == 0xFFFF;
}

#else

bool available()
{
    return false;
}

bool check(const unsigned char*, std::size_t)
{
    return false;
}

#endif

} // namespace yomika::utf8vector
