#include "platform/sha256.h"

#include <cstring>

namespace kovi {
namespace {

constexpr std::uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

constexpr std::array<std::uint32_t, 8> kInitial = {
    0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19,
};

inline std::uint32_t rotr(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

inline std::uint32_t load_be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

inline void store_be32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

// One round; the caller rotates the roles of the eight working variables
// instead of shuffling their values.
#define KOVI_SHA256_ROUND(a, b, c, d, e, f, g, h, k, w)                          \
    do {                                                                         \
        std::uint32_t t1 = h + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) +         \
                           ((e & f) ^ (~e & g)) + (k) + (w);                     \
        std::uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) +             \
                           ((a & b) ^ (a & c) ^ (b & c));                        \
        d += t1;                                                                 \
        h = t1 + t2;                                                             \
    } while (0)

// Compresses `blocks` consecutive 64-byte blocks starting at `p` into `st`.
void compress(std::uint32_t* st, const std::uint8_t* p, std::size_t blocks) {
    std::uint32_t w[64];
    while (blocks-- > 0) {
        for (int i = 0; i < 16; ++i) w[i] = load_be32(p + 4 * i);
        for (int i = 16; i < 64; ++i) {
            std::uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            std::uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }

        std::uint32_t a = st[0], b = st[1], c = st[2], d = st[3];
        std::uint32_t e = st[4], f = st[5], g = st[6], h = st[7];
        for (int i = 0; i < 64; i += 8) {
            KOVI_SHA256_ROUND(a, b, c, d, e, f, g, h, kRound[i + 0], w[i + 0]);
            KOVI_SHA256_ROUND(h, a, b, c, d, e, f, g, kRound[i + 1], w[i + 1]);
            KOVI_SHA256_ROUND(g, h, a, b, c, d, e, f, kRound[i + 2], w[i + 2]);
            KOVI_SHA256_ROUND(f, g, h, a, b, c, d, e, kRound[i + 3], w[i + 3]);
            KOVI_SHA256_ROUND(e, f, g, h, a, b, c, d, kRound[i + 4], w[i + 4]);
            KOVI_SHA256_ROUND(d, e, f, g, h, a, b, c, kRound[i + 5], w[i + 5]);
            KOVI_SHA256_ROUND(c, d, e, f, g, h, a, b, kRound[i + 6], w[i + 6]);
            KOVI_SHA256_ROUND(b, c, d, e, f, g, h, a, kRound[i + 7], w[i + 7]);
        }
        st[0] += a; st[1] += b; st[2] += c; st[3] += d;
        st[4] += e; st[5] += f; st[6] += g; st[7] += h;
        p += 64;
    }
}

#undef KOVI_SHA256_ROUND

}  // namespace

Sha256::Sha256() { reset(); }

void Sha256::reset() {
    state_ = kInitial;
    pending_len_ = 0;
    total_len_ = 0;
}

void Sha256::update(const void* data, std::size_t len) {
    if (len == 0) return;
    const auto* p = static_cast<const std::uint8_t*>(data);
    total_len_ += len;

    // Top up a partial block first.
    if (pending_len_ > 0) {
        std::size_t take = 64 - pending_len_;
        if (take > len) take = len;
        std::memcpy(pending_.data() + pending_len_, p, take);
        pending_len_ += take;
        p += take;
        len -= take;
        if (pending_len_ < 64) return;
        compress(state_.data(), pending_.data(), 1);
        pending_len_ = 0;
    }

    // Whole blocks straight from the caller's buffer.
    std::size_t blocks = len / 64;
    if (blocks > 0) {
        compress(state_.data(), p, blocks);
        p += blocks * 64;
        len -= blocks * 64;
    }

    if (len > 0) {
        std::memcpy(pending_.data(), p, len);
        pending_len_ = len;
    }
}

std::array<std::uint8_t, 32> Sha256::finish() {
    // Padding: a single 1 bit, zeros up to 56 mod 64, then the message
    // length in bits as a 64-bit big-endian integer.
    const std::uint64_t bit_len = total_len_ * 8;
    pending_[pending_len_++] = 0x80;
    if (pending_len_ > 56) {
        std::memset(pending_.data() + pending_len_, 0, 64 - pending_len_);
        compress(state_.data(), pending_.data(), 1);
        pending_len_ = 0;
    }
    std::memset(pending_.data() + pending_len_, 0, 56 - pending_len_);
    store_be32(pending_.data() + 56, static_cast<std::uint32_t>(bit_len >> 32));
    store_be32(pending_.data() + 60, static_cast<std::uint32_t>(bit_len));
    compress(state_.data(), pending_.data(), 1);

    std::array<std::uint8_t, 32> digest;
    for (int i = 0; i < 8; ++i) store_be32(digest.data() + 4 * i, state_[i]);
    reset();
    return digest;
}

std::array<std::uint8_t, 32> sha256(std::string_view data) {
    Sha256 h;
    h.update(data.data(), data.size());
    return h.finish();
}

std::string sha256_hex(std::string_view data) {
    static constexpr char kHex[] = "0123456789abcdef";
    const auto digest = sha256(data);
    std::string out(64, '\0');
    for (std::size_t i = 0; i < digest.size(); ++i) {
        out[2 * i] = kHex[digest[i] >> 4];
        out[2 * i + 1] = kHex[digest[i] & 0x0f];
    }
    return out;
}

}  // namespace kovi
