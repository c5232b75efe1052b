#pragma once

#include <cstdint>

namespace lexmill {

// SplitMix64: small, fast and the same on every platform and standard library,
// so a seed always gives the same corpus (std:: distributions do not promise that).
class Rng {
  public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // A number in [0, n); n > 0. The tiny bias of the multiply-shift does not matter here.
    std::uint64_t below(std::uint64_t n) {
        return static_cast<std::uint64_t>((static_cast<unsigned __int128>(next()) * n) >> 64);
    }

    // A number in [lo, hi].
    std::uint64_t between(std::uint64_t lo, std::uint64_t hi) { return lo + below(hi - lo + 1); }

    // True with probability num/den.
    bool chance(std::uint64_t num, std::uint64_t den) { return below(den) < num; }

  private:
    std::uint64_t state_;
};

// The seed of item `index` of a corpus, so every file can be made on its own.
inline std::uint64_t itemSeed(std::uint64_t seed, std::uint64_t index) {
    Rng r(seed ^ (index * 0xD1B54A32D192ED03ull));
    return r.next();
}

}  // namespace lexmill
