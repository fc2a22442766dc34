#pragma once
// What the fuzz targets share: the input as text, and a rule that, broken, ends the run as a
// crash does (libFuzzer then keeps the input), saying which rule it was.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

inline std::string Text(const uint8_t* data, std::size_t size) { return {reinterpret_cast<const char*>(data), size}; }

inline void Check(bool holds, const char* rule) {
    if (holds) return;
    std::fprintf(stderr, "Broken rule: %s\n", rule);
    std::abort();
}

// The numbers a text gives, the same ones each time: chunk sizes, choices.
class Numbers {
public:
    explicit Numbers(const std::string& text) {
        for (unsigned char c : text) state_ = (state_ ^ c) * 1099511628211u;  // FNV-1a
    }
    // From 1 to most.
    std::size_t Next(std::size_t most) {
        state_ ^= state_ << 13, state_ ^= state_ >> 7, state_ ^= state_ << 17;  // xorshift
        return 1 + state_ % most;
    }

private:
    uint64_t state_ = 14695981039346656037u;
};

}  // namespace fuzz
