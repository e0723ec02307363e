#include "platform/sha256.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <algorithm>
#include <random>
#include <string>

namespace {

using Digest = std::array<std::uint8_t, 32>;

Digest openssl_sha256(std::string_view data) {
    Digest out{};
    unsigned int len = 0;
    EXPECT_EQ(EVP_Digest(data.data(), data.size(), out.data(), &len, EVP_sha256(), nullptr), 1);
    EXPECT_EQ(len, 32u);
    return out;
}

// Feeds `data` in pieces of at most `chunk` bytes.
Digest streamed(std::string_view data, std::size_t chunk) {
    kovi::Sha256 h;
    for (std::size_t i = 0; i < data.size(); i += chunk)
        h.update(data.data() + i, std::min(chunk, data.size() - i));
    return h.finish();
}

struct Vector {
    const char* name;
    std::string message;
    const char* hex;
};

TEST(Sha256, PublishedVectors) {
    const Vector vectors[] = {
        {"empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"448 bits", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"896 bits",
         "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsm"
         "nopqrstnopqrstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {"million a", std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& v : vectors) {
        SCOPED_TRACE(v.name);
        EXPECT_EQ(kovi::sha256_hex(v.message), v.hex);
        // Split so that the buffered path and the direct-block path both run.
        EXPECT_EQ(streamed(v.message, 1), kovi::sha256(v.message));
        EXPECT_EQ(streamed(v.message, 97), kovi::sha256(v.message));
    }
}

TEST(Sha256, LengthsAroundPaddingBoundaries) {
    // 55 is the longest message whose length fits in its last block; 56..63
    // push the length into an extra block; 64 and 128 are exact blocks.
    for (std::size_t len : {55, 56, 57, 63, 64, 65, 119, 120, 127, 128, 129}) {
        SCOPED_TRACE(len);
        std::string msg(len, '\0');
        for (std::size_t i = 0; i < len; ++i) msg[i] = static_cast<char>(i * 37 + 11);
        EXPECT_EQ(kovi::sha256(msg), openssl_sha256(msg));
        EXPECT_EQ(streamed(msg, 1), openssl_sha256(msg));
    }
}

TEST(Sha256, RandomStreamingMatchesOpenSsl) {
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<std::size_t> length(0, 4096);
    for (int round = 0; round < 300; ++round) {
        std::string msg(length(rng), '\0');
        for (auto& ch : msg) ch = static_cast<char>(byte(rng));

        // Random pieces, including empty ones and ones spanning many blocks.
        kovi::Sha256 h;
        std::size_t pos = 0;
        while (pos < msg.size()) {
            std::size_t piece = std::uniform_int_distribution<std::size_t>(0, 300)(rng);
            piece = std::min(piece, msg.size() - pos);
            h.update(msg.data() + pos, piece);
            pos += piece;
        }
        h.update(nullptr, 0);
        ASSERT_EQ(h.finish(), openssl_sha256(msg)) << "round " << round << ", length " << msg.size();
    }
}

TEST(Sha256, FinishStartsAFreshMessage) {
    kovi::Sha256 h;
    h.update("first message", 13);
    h.finish();
    h.update("abc", 3);
    EXPECT_EQ(h.finish(), kovi::sha256("abc"));
    EXPECT_EQ(h.finish(), kovi::sha256(""));
}

}  // namespace
