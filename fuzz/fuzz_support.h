// SPDX-License-Identifier: MIT
#pragma once
// What the fuzz targets share: choices read from the input, caller buffers
// with guard bytes (the tests' own), and a check that stops the run with its reason, so that
// libFuzzer keeps the input that broke a rule and not only one that crashed.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "tests/support/guarded.h"

namespace brixel::fuzz {

[[noreturn]] inline void fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: does not hold: %s\n", file, line, what);
    std::abort();
}

// A rule of the library that the input must not break.
#define FUZZ_CHECK(condition) ((condition) ? void(0) : ::brixel::fuzz::fail(#condition, __FILE__, __LINE__))

// The input read front to back as choices; past its end every choice is 0.
class Input {
public:
    Input(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return at_ >= size_; }
    std::size_t remaining() const { return size_ - std::min(at_, size_); }

    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    bool flag() { return (byte() & 1) != 0; }
    uint16_t u16() { return static_cast<uint16_t>(byte() | byte() << 8); }
    uint32_t u32() { return static_cast<uint32_t>(u16() | static_cast<uint32_t>(u16()) << 16); }
    // One of `count` choices (count at least 1).
    std::size_t below(std::size_t count) { return (count <= 256 ? byte() : u16()) % count; }

    // Up to `count` bytes, fewer where the input ends.
    std::vector<uint8_t> bytes(std::size_t count) {
        const std::size_t n = std::min(count, remaining());
        std::vector<uint8_t> out(data_ + at_, data_ + at_ + n);
        at_ += n;
        return out;
    }
    // A length byte, then that many bytes.
    std::vector<uint8_t> sized(std::size_t max) { return bytes(below(max + 1)); }
    std::vector<uint8_t> rest() { return bytes(remaining()); }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

using test::Guarded;

// An exact-size copy for the library to read: AddressSanitizer sees a read past it.
inline std::unique_ptr<uint8_t[]> exactCopy(std::span<const uint8_t> bytes) {
    auto copy = std::make_unique<uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), copy.get());
    return copy;
}

// A NUL-terminated copy of `bytes` in exactly as many bytes.
inline std::unique_ptr<char[]> exactText(std::span<const uint8_t> bytes) {
    auto text = std::make_unique<char[]>(bytes.size() + 1);
    std::copy(bytes.begin(), bytes.end(), text.get());
    text[bytes.size()] = '\0';
    return text;
}

// The library prints its console lines on standard output: away with them,
// so that long runs print only what breaks.
inline void silenceStandardOutput() {
    if (!std::freopen("/dev/null", "w", stdout)) std::fprintf(stderr, "standard output stays open\n");
}

}  // namespace brixel::fuzz
