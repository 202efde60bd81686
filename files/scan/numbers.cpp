// Reading the number cells of measurement files, exactly and without a library call for the
// forms the writer produces, beside the reading with the library's conversion that both quick
// ways must match.
#include "numbers.h"

#include <bit>
#include <charconv>
#include <cstddef>
#include <type_traits>

namespace {

using number_detail::decimalValue;
using number_detail::FLOAT_EXACT;
constexpr int FAST_INT_DIGITS = 9; // never overflow an int

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Digits, a point and digits (the form every writer uses), read without a library call. False
// when the text has another shape or too many digits; the caller then takes the slow path.
template <typename T> bool parseDecimal(const char *p, const char *end, T &value)
{
    uint64_t m = 0;
    const char *const first = p;
    for (; p != end && isDigit(*p); ++p)
        m = m * 10 + uint64_t(*p - '0');
    std::ptrdiff_t digits = p - first;
    std::ptrdiff_t decimals = 0;
    if (p != end && *p == '.') {
        const char *const fraction = ++p;
        for (; p != end && isDigit(*p); ++p)
            m = m * 10 + uint64_t(*p - '0');
        decimals = p - fraction;
        digits += decimals;
    }
    // Up to 15 digits m is exact; an exponent or anything else goes the slow way.
    if (p != end || digits == 0 || digits > 15 || decimals > 10)
        return false;
    if constexpr (std::is_same_v<T, float>) {
        if (m >= FLOAT_EXACT)
            return false;
    }
    value = decimalValue<T>(m, decimals);
    return true;
}

template <typename T> bool parseUnsigned(const char *p, const char *end, T &value)
{
    if constexpr (std::is_integral_v<T>) {
        if (end - p <= FAST_INT_DIGITS) {
            int v = 0;
            for (; p != end; ++p) {
                if (!isDigit(*p))
                    return false;
                v = v * 10 + (*p - '0');
            }
            value = v;
            return true;
        }
        const auto r = std::from_chars(p, end, value);
        return r.ec == std::errc() && r.ptr == end;
    } else {
        if (parseDecimal(p, end, value))
            return true;
        const auto r = std::from_chars(p, end, value, std::chars_format::general);
        return r.ec == std::errc() && r.ptr == end;
    }
}

using number_detail::ShortShape;

// Cell byte i (from 0) stands in byte 8 - len + i of the word.
constexpr ShortShape shapeOf(int len, unsigned digitBytes)
{
    ShortShape s{}; // no valid shape: nothing matches
    s.blank = s.plus = s.minus = ~uint64_t(0);
    s.after = ~uint64_t(0);
    if (digitBytes == 0)
        return s;
    const int first = std::countr_zero(digitBytes);
    int point = -1;
    for (int i = first + 1; i < len; ++i) {
        if (digitBytes >> i & 1)
            continue;
        if (point != -1)
            return s; // a second byte that is no digit after the first digit
        point = i;
    }
    const auto byteAt = [len](int i) { return 8 * (8 - len + i); }; // its shift in the word
    for (int i = 0; i < len; ++i) {
        if (digitBytes >> i & 1) {
            s.keep |= uint64_t(0xFF) << byteAt(i);
            continue;
        }
        s.mask |= uint64_t(0xFF) << byteAt(i);
        s.expect |= uint64_t(i == point ? '.' : ' ') << byteAt(i);
    }
    if (first > 0) {
        s.minus = uint64_t('-' ^ ' ') << byteAt(first - 1);
        s.plus = uint64_t('+' ^ ' ') << byteAt(first - 1);
    }
    if (point != -1) {
        s.after = point == len - 1 ? 0 : ~uint64_t(0) << byteAt(point + 1);
        s.decimals = static_cast<uint8_t>(len - 1 - point);
        s.point = true;
    }
    s.before = ~s.after;
    s.blank = 0;
    return s;
}

constexpr std::array<ShortShape, number_detail::SHORT_SHAPES> makeShortShapes()
{
    std::array<ShortShape, number_detail::SHORT_SHAPES> t{};
    t.fill(shapeOf(1, 0)); // indices no cell can form
    for (int len = 1; len <= SHORT_CELL_MAX; ++len) {
        for (unsigned bytes = 0; bytes < (1u << len); ++bytes) {
            // The index as splitShort forms it: the digit bytes' top bits gathered.
            uint64_t highs = 0;
            for (int i = 0; i < len; ++i)
                highs |= uint64_t(bytes >> i & 1) << (8 * (8 - len + i) + 7);
            t[unsigned(len - 1) << 8 | number_detail::byteBits(highs)] = shapeOf(len, bytes);
        }
    }
    return t;
}

} // namespace

constexpr std::array<ShortShape, number_detail::SHORT_SHAPES> number_detail::kShortShapes =
    makeShortShapes();

template <typename T> bool parseNumber(std::string_view t, T &value)
{
    size_t i = 0;
    while (i < t.size() && t[i] == ' ')
        ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        negative = t[i] == '-';
        ++i;
    }
    // Digits (or a point, for a fraction) must follow: no second sign, no "inf" or "nan".
    if (i == t.size() || !(isDigit(t[i]) || (t[i] == '.' && !std::is_integral_v<T>)))
        return false;
    T v{};
    if (!parseUnsigned(t.data() + i, t.data() + t.size(), v))
        return false;
    value = negative ? -v : v;
    return true;
}

template bool parseNumber<int>(std::string_view, int &);
template bool parseNumber<float>(std::string_view, float &);
template bool parseNumber<double>(std::string_view, double &);

template <typename T> bool parseNumberReference(std::string_view t, T &value)
{
    const char *p = t.data();
    const char *const end = p + t.size();
    while (p != end && *p == ' ')
        ++p;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    if (p == end || !(isDigit(*p) || (*p == '.' && !std::is_integral_v<T>)))
        return false;
    T v{};
    std::from_chars_result r;
    if constexpr (std::is_integral_v<T>)
        r = std::from_chars(p, end, v);
    else
        r = std::from_chars(p, end, v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != end)
        return false;
    value = negative ? -v : v;
    return true;
}

template bool parseNumberReference<int>(std::string_view, int &);
template bool parseNumberReference<float>(std::string_view, float &);
template bool parseNumberReference<double>(std::string_view, double &);
