#include "platform/base64.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <random>
#include <string>

namespace {

std::string openssl_encode(std::string_view bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(bytes.data()),
                                  static_cast<int>(bytes.size()));
    out.resize(static_cast<std::size_t>(n));
    return out;
}

TEST(Base64, KnownVectorsBothWays) {
    const std::pair<const char*, const char*> vectors[] = {
        {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [plain, encoded] : vectors) {
        SCOPED_TRACE(plain);
        EXPECT_EQ(kovi::base64_encode(plain), encoded);
        EXPECT_EQ(kovi::base64_decode(encoded), std::optional<std::string>(plain));
    }
}

TEST(Base64, RandomBytesRoundTrip) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::size_t len = 0; len < 200; ++len) {
        std::string bytes(len, '\0');
        for (auto& ch : bytes) ch = static_cast<char>(byte(rng));
        const std::string text = kovi::base64_encode(bytes);
        ASSERT_EQ(text, openssl_encode(bytes)) << "length " << len;
        ASSERT_EQ(kovi::base64_decode(text), std::optional<std::string>(bytes)) << "length " << len;
    }
}

TEST(Base64, RejectsNonCanonicalText) {
    const std::pair<const char*, std::string> rejected[] = {
        {"one symbol", "Z"},
        {"two symbols unpadded", "Zg"},
        {"three with one pad", "Zg="},
        {"five symbols", "Zm9vY"},
        {"punctuation", "Zm9v!A=="},
        {"url-safe minus", "Zm-v"},
        {"url-safe underscore", "Zm_v"},
        {"NUL byte", std::string("Zm\0v", 4)},
        {"non-ASCII byte", "Zm\xC3\xA9"},
        {"trailing newline", "Zm9v\n"},
        {"inner space", "Zm 9"},
        {"CRLF between groups", "Zm9v\r\nYmFy"},
        {"pad first", "=Zm9"},
        {"pad second", "Z=m9"},
        {"pad then data", "Zg=A"},
        {"pad in an inner group", "Zg==Zm9v"},
        {"three pads", "Z==="},
        {"all pads", "===="},
        {"whole padding group", "Zm9v===="},
        {"unused bits set, two pads", "Zh=="},
        {"unused bits set, one pad", "Zm9="},
    };
    for (const auto& [why, text] : rejected) {
        SCOPED_TRACE(why);
        EXPECT_EQ(kovi::base64_decode(text), std::nullopt);
    }
}

TEST(Base64, LastSymbolUsesOnlyItsDataBits) {
    // Of the sixteen symbols that can precede "==", only those with the low
    // four bits clear are canonical; likewise the low two bits before "=".
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int sym = 0; sym < 64; ++sym) {
        const char ch = alphabet[sym];
        SCOPED_TRACE(ch);
        EXPECT_EQ(kovi::base64_decode(std::string("Z") + ch + "==").has_value(), (sym & 0x0f) == 0);
        EXPECT_EQ(kovi::base64_decode(std::string("Zm") + ch + "=").has_value(), (sym & 0x03) == 0);
    }
}

}  // namespace
