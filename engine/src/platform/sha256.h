#pragma once

// SHA-256 message digest (FIPS 180-4). Rule packs are fingerprinted with the
// digest of their compact JSON text, so this has to be exact and cheap on
// inputs of many megabytes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kovi {

class Sha256 {
public:
    Sha256();

    // Feeds the next `len` bytes of the message; any split of the message
    // into calls gives the same digest. `data` may be null when `len` is 0.
    void update(const void* data, std::size_t len);

    // Completes the digest of everything fed since construction or the
    // previous finish(), then starts over with an empty message so the
    // object can be reused.
    std::array<std::uint8_t, 32> finish();

private:
    void reset();

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> pending_;  // partial block awaiting more input
    std::size_t pending_len_;
    std::uint64_t total_len_;  // message length in bytes so far
};

std::array<std::uint8_t, 32> sha256(std::string_view data);

// Digest as 64 lowercase hex digits, high nibble of each byte first.
std::string sha256_hex(std::string_view data);

}  // namespace kovi
