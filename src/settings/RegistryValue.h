#pragma once

#include <cstdint>
#include <string>

namespace lexmill {

// Value types, numbered as the registry numbers them. The store keeps any
// number; these are the ones the program meets.
inline constexpr std::uint32_t REG_NONE = 0;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_EXPAND_SZ = 2;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;
inline constexpr std::uint32_t REG_MULTI_SZ = 7;

// One named value of a key. The empty name is the key's default value. `data`
// holds the raw bytes: a REG_SZ written by CRegSettings ends with its NUL.
struct RegistryValue {
    std::string name;
    std::uint32_t type = REG_NONE;
    std::string data;

    bool operator==(const RegistryValue&) const = default;
};

}  // namespace lexmill
