// Number cells of measurement files: the general reading of a cell's text, and the quick one
// for the short cells that sample lines are made of.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

// A number cell as the format reads it: blanks before the number, an optional sign, then
// decimal digits (with a point and an exponent for floats); nothing may follow. False for any
// other text, including an empty cell, "inf", "nan" and values out of the type's range.
template <typename T> bool parseNumber(std::string_view text, T &value);

inline constexpr int SHORT_CELL_MAX = 8; // bytes of a cell that fits one 64-bit word

namespace number_detail {

inline constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10};
inline constexpr uint64_t FLOAT_EXACT = uint64_t(1) << 24; // integers a float holds exactly

// m / 10^k (k up to 10), m and 10^k exact: correctly rounded for a double. For a float with m
// below 2^24 it is a quotient of two floats, and rounding it to a double first and then to a
// float gives the correctly rounded float all the same (53 >= 2 * 24 + 2 bits).
template <typename T> T decimalValue(uint64_t m, std::ptrdiff_t decimals)
{
    return static_cast<T>(double(m) / kPow10[decimals]);
}

inline constexpr uint64_t ONES = 0x0101010101010101ULL;
inline constexpr uint64_t HIGHS = ONES * 0x80;
inline constexpr uint64_t LOWS = ONES * 0x7F;

// 0x80 in every byte of x that holds 0 to 9, 0 in the others (exact: no carry crosses a byte).
constexpr uint64_t belowTen(uint64_t x)
{
    return ~(((x & LOWS) + ONES * (0x80 - 10)) | x) & HIGHS;
}

// Eight digit values, one a byte, the most significant lowest, as a number (pairs, then
// quadruples, then the whole, in three multiplications).
constexpr uint32_t eightDigits(uint64_t v)
{
    constexpr uint64_t MASK = 0x000000FF000000FFULL;
    constexpr uint64_t MUL1 = 100 + (1000000ULL << 32);
    constexpr uint64_t MUL2 = 1 + (10000ULL << 32);
    v = v * 10 + (v >> 8);
    return static_cast<uint32_t>((((v & MASK) * MUL1) + (((v >> 16) & MASK) * MUL2)) >> 32);
}

struct ShortDecimal
{
    uint32_t digits; // the digits as one number, the point left out
    int decimals;    // digits after the point
    bool point;      // the cell has a point
    bool negative;
};

// Blanks, an optional sign, at least one digit, then optionally a point and more digits: the
// shape every writer gives. False for any other (".5" included), without a branch on the data
// but for the point, which stands in the same place from line to line.
inline bool splitShort(uint64_t w, int len, ShortDecimal &d)
{
    const uint64_t cell = HIGHS >> (64 - 8 * len);
    const uint64_t x = w ^ (ONES * '0'); // a digit becomes its value
    const uint64_t digits = belowTen(x) & cell;
    if (digits == 0)
        return false;
    const uint64_t others = cell & ~digits;
    const int first = std::countr_zero(digits) - 7; // bit where the first digit's byte starts
    const uint64_t after = others >> first;         // no more than one byte, the point
    // Before the first digit: blanks, the last of them perhaps a sign ("-" is " " ^ 0x0D).
    const uint64_t before = (w ^ (ONES * ' ')) & ((uint64_t(1) << first) - 1);
    const uint64_t signByte = (uint64_t(0xFF) << first) >> 8;
    const uint64_t sign = (before << 8) >> first; // the byte just before the first digit
    const bool signOk = sign == 0 || sign == ('-' ^ ' ') || sign == ('+' ^ ' ');
    if ((after & (after - 1)) != 0 || (before & ~signByte) != 0 || !signOk)
        return false;
    uint64_t values = x & ((digits >> 7) * 0xFF);
    int end = len; // end of the digits once the point is taken out
    d.point = after != 0;
    d.decimals = 0;
    if (d.point) {
        const int at = std::countr_zero(after) + first - 7;
        if (((w >> at) & 0xFF) != '.')
            return false;
        const uint64_t low = (uint64_t(1) << at) - 1;
        values = (values & low) | ((values >> 8) & ~low);
        --end;
        d.decimals = end - at / 8;
    }
    d.digits = eightDigits(values << (64 - 8 * end));
    d.negative = sign == ('-' ^ ' ');
    return true;
}

} // namespace number_detail

// The quick reading of a cell of 1 to 8 bytes held in one word, its first byte lowest and the
// bytes beyond it 0: blanks, an optional sign and up to 8 digits with at most one point (none
// for integers). It gives exactly what parseNumber gives. False when the cell has another
// shape, or its value needs the general reading; the caller then uses parseNumber.
template <typename T> bool parseShortNumber(uint64_t word, int len, T &value)
{
    using namespace number_detail;
    if constexpr (std::endian::native != std::endian::little) {
        return false;
    } else {
        ShortDecimal d;
        if (len < 1 || len > SHORT_CELL_MAX || !splitShort(word, len, d))
            return false;
        if constexpr (std::is_integral_v<T>) {
            if (d.point)
                return false;
            const T v = static_cast<T>(d.digits);
            value = d.negative ? -v : v;
        } else {
            if (std::is_same_v<T, float> && d.digits >= FLOAT_EXACT)
                return false;
            // The sign goes in without a branch: signs come in no order a processor can guess.
            using Bits = std::conditional_t<std::is_same_v<T, float>, uint32_t, uint64_t>;
            const T v = decimalValue<T>(d.digits, d.decimals);
            value = std::bit_cast<T>(std::bit_cast<Bits>(v) |
                                     (Bits(d.negative) << (sizeof(Bits) * 8 - 1)));
        }
        return true;
    }
}
