#include "files/NameOrder.h"

#include <algorithm>
#include <numeric>

#include "match/TextFold.h"
#include "match/Utf8.h"

namespace lexmill {

std::u32string NameSortKey(std::string_view name) {
    std::u32string key;
    key.reserve(name.size());
    const auto* s = reinterpret_cast<const unsigned char*>(name.data());
    for (std::size_t i = 0; i < name.size();) {
        if (s[i] < 0x80) {
            const unsigned char b = s[i++];
            key.push_back(b >= 'A' && b <= 'Z' ? b + 0x20 : b);
            continue;
        }
        const int len = utf8::sequenceLength(s + i, name.size() - i);
        if (len <= 0) {
            key.push_back(U'\uFFFD');
            ++i;
            continue;
        }
        const char32_t cp = utf8::decode(s + i, len);
        key.push_back(simpleCaseFold(cp));
        i += static_cast<std::size_t>(len);
    }
    return key;
}

std::vector<std::size_t> NamesInOrder(const std::vector<std::string>& names) {
    // Keys once per name, not once per comparison.
    std::vector<std::u32string> keys;
    keys.reserve(names.size());
    for (const std::string& name : names) keys.push_back(NameSortKey(name));
    std::vector<std::size_t> order(names.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (keys[a] != keys[b]) return keys[a] < keys[b];
        return names[a] < names[b];
    });
    return order;
}

void SortNames(std::vector<std::string>& names) {
    std::vector<std::string> sorted;
    sorted.reserve(names.size());
    for (std::size_t i : NamesInOrder(names)) sorted.push_back(std::move(names[i]));
    names = std::move(sorted);
}

}  // namespace lexmill
