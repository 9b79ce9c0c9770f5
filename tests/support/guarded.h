// SPDX-License-Identifier: MIT
#pragma once
// A caller's buffer inside guard bytes, in an allocation of its own: whatever
// the library writes past either end shows in the guards, and AddressSanitizer
// sees what goes past the allocation.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

namespace brixel::test {

class Guarded {
public:
    static constexpr std::size_t guardSize = 32;

    explicit Guarded(std::size_t size, uint8_t fill = 0xA5)
        : size_(size), storage_(std::make_unique<uint8_t[]>(size + 2 * guardSize)) {
        for (std::size_t i = 0; i < size + 2 * guardSize; ++i) storage_[i] = guardByte(i);
        std::memset(data(), fill, size);
    }

    uint8_t* data() { return storage_.get() + guardSize; }
    const uint8_t* data() const { return storage_.get() + guardSize; }
    char* chars() { return reinterpret_cast<char*>(data()); }
    const char* chars() const { return reinterpret_cast<const char*>(data()); }
    template <typename Record>
    Record* as() {
        return reinterpret_cast<Record*>(data());
    }
    std::size_t size() const { return size_; }
    std::span<const uint8_t> bytes() const { return {data(), size_}; }

    bool guardsIntact() const {
        for (std::size_t i = 0; i < guardSize; ++i)
            if (storage_[i] != guardByte(i) || storage_[guardSize + size_ + i] != guardByte(guardSize + size_ + i))
                return false;
        return true;
    }

private:
    // Varies with the position, so that no single byte the library writes can pass for it.
    static uint8_t guardByte(std::size_t i) { return static_cast<uint8_t>(0x5A ^ (i * 29)); }

    std::size_t size_;
    std::unique_ptr<uint8_t[]> storage_;
};

}  // namespace brixel::test
