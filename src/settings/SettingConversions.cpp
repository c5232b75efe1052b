#include "SettingConversions.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace lexmill {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads the longest decimal number at the start of `text` into `number`
// (blanks dropped, a lone sign or point left out); returns how many characters
// of `text` it used, blanks included, or 0 when there is no number.
std::size_t scanNumber(std::string_view text, bool skipInnerBlanks, std::string& number) {
    std::size_t i = 0;
    auto skip = [&] {
        if (skipInnerBlanks)
            while (i < text.size() && isBlank(text[i])) ++i;
    };
    auto digits = [&] {
        std::size_t count = 0;
        for (skip(); i < text.size() && isDigit(text[i]); skip(), ++count) number += text[i++];
        return count;
    };
    number.clear();
    skip();
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') number += '-';
        ++i;
    }
    std::size_t mantissa = digits();
    skip();
    if (i < text.size() && text[i] == '.') {
        const std::size_t point = number.size();
        number += '.';
        ++i;
        const std::size_t fraction = digits();
        if (fraction == 0) number.erase(point);
        mantissa += fraction;
    }
    if (mantissa == 0) return 0;
    std::size_t used = i;
    skip();
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        const std::size_t mark = number.size();
        number += 'e';
        ++i;
        skip();
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
        if (digits() > 0)
            used = i;
        else
            number.erase(mark);  // "1e" and "1e+" end before the e
    }
    return used;
}

double parse(const std::string& number) {
    double value = 0;
    // from_chars reads the C locale's format whatever the process locale is.
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Only a huge exponent gets here: a negative one means a tiny number.
        if (number.find("e-") != std::string::npos) return 0.0;
        return number[0] == '-' ? -HUGE_VAL : HUGE_VAL;
    }
    return value;
}

double roundHalfEven(double value) {
    const double down = std::floor(value);
    const double fraction = value - down;
    if (fraction > 0.5) return down + 1;
    if (fraction < 0.5) return down;
    return std::fmod(down, 2.0) == 0 ? down : down + 1;
}

constexpr double kMin = std::numeric_limits<std::int16_t>::min();
constexpr double kMax = std::numeric_limits<std::int16_t>::max();

}  // namespace

std::int16_t leadingNumber(std::string_view text) {
    std::string number;
    if (scanNumber(text, true, number) == 0) return 0;
    const double rounded = roundHalfEven(parse(number));
    if (rounded <= kMin) return std::numeric_limits<std::int16_t>::min();
    if (rounded >= kMax) return std::numeric_limits<std::int16_t>::max();
    return static_cast<std::int16_t>(rounded);
}

std::optional<std::int16_t> strictNumber(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    std::string number;
    if (text.empty() || scanNumber(text, false, number) != text.size()) return std::nullopt;
    const double rounded = roundHalfEven(parse(number));
    if (!(rounded >= kMin && rounded <= kMax)) return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

}  // namespace lexmill
