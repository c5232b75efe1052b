#include "RemoteName.h"

#include <unordered_map>

namespace lexmill {

std::string RemoteName(std::string listed) {
    for (char& c : listed)
        if (c == ' ') c = '_';
    return listed;
}

std::optional<std::pair<std::size_t, std::size_t>> FirstClash(
    const std::vector<std::string>& listed) {
    std::unordered_map<std::string, std::size_t> seen;
    for (std::size_t i = 0; i < listed.size(); ++i) {
        const auto [taken, added] = seen.emplace(RemoteName(listed[i]), i);
        if (!added) return std::pair(taken->second, i);
    }
    return std::nullopt;
}

}  // namespace lexmill
