#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/base64.h"
#include "base/hash_data.h"
#include "base/packed_data.h"

namespace orv {
namespace {

std::vector<uint8_t> bytes(std::string_view s) { return {s.begin(), s.end()}; }

uint32_t field(const std::vector<uint8_t>& v, size_t offset) {
  uint32_t x;
  std::memcpy(&x, v.data() + offset, 4);  // the tests only run little-endian
  return x;
}

void set_field(std::vector<uint8_t>& v, size_t offset, uint32_t x) { std::memcpy(v.data() + offset, &x, 4); }

// Digests read from the real HashData under Wine (tools/probes/hashdata_check.cpp).
TEST(HashData, MatchesTheSystemFunction) {
  struct Case {
    const char* input;
    std::array<uint8_t, 4> digest;
  };
  const Case cases[] = {
      {"a", {0xDA, 0x66, 0xF0, 0xFF}},
      {"ab", {0xE8, 0xEF, 0x77, 0xD4}},
      {"abc", {0x61, 0x2F, 0x90, 0x01}},
      {"Hello, world!", {0x8C, 0x6F, 0xE8, 0xE2}},
      {"MsgBox \"hi\"\r\n", {0xF5, 0xA9, 0x0A, 0x95}},
      {"The quick brown fox jumps over the lazy dog", {0xC0, 0x9E, 0x64, 0x65}},
  };
  for (const auto& c : cases) {
    auto in = bytes(c.input);
    EXPECT_EQ(hash_data4(in.data(), in.size()), c.digest) << c.input;
  }
}

TEST(HashData, EmptyInputLeavesTheInitialDigest) {
  EXPECT_EQ(hash_data4(nullptr, 0), (std::array<uint8_t, 4>{0, 1, 2, 3}));
}

TEST(HashData, DigestBytesDoNotDependOnDigestLength) {
  auto in = bytes("The quick brown fox jumps over the lazy dog");
  uint8_t longer[9];
  hash_data(in.data(), in.size(), longer, sizeof longer);
  auto four = hash_data4(in.data(), in.size());
  EXPECT_EQ(0, std::memcmp(longer, four.data(), 4));
}

struct Base64Case {
  const char* plain;
  const char* encoded;
};
const Base64Case kBase64Vectors[] = {
    {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
};

TEST(Base64, EncodesAndDecodesTheStandardVectors) {
  for (const auto& c : kBase64Vectors) {
    auto plain = bytes(c.plain);
    EXPECT_EQ(base64_encode(plain.data(), plain.size()), c.encoded);
    std::vector<uint8_t> out;
    ASSERT_TRUE(base64_decode(std::string_view(c.encoded), out)) << c.encoded;
    EXPECT_EQ(out, plain);
    std::u16string wide(c.encoded, c.encoded + std::strlen(c.encoded));
    ASSERT_TRUE(base64_decode(std::u16string_view(wide), out)) << c.encoded;
    EXPECT_EQ(out, plain);
  }
}

TEST(Base64, RoundTripsEveryByteValue) {
  std::vector<uint8_t> all(256);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<uint8_t>(i);
  for (size_t len : {255u, 256u}) {
    std::vector<uint8_t> out;
    ASSERT_TRUE(base64_decode(base64_encode(all.data(), len), out));
    EXPECT_EQ(out, std::vector<uint8_t>(all.begin(), all.begin() + len));
  }
}

TEST(Base64, AcceptsWhitespaceAndMissingPadding) {
  const Base64Case cases[] = {
      {"f", "Zg"}, {"fo", "Zm8"}, {"foobar", "Zm9v\r\nYmFy"}, {"f", " Zg==\n"}, {"fo", "Zm8 ="},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> out;
    ASSERT_TRUE(base64_decode(std::string_view(c.encoded), out)) << c.encoded;
    EXPECT_EQ(out, bytes(c.plain)) << c.encoded;
  }
}

TEST(Base64, RejectsMalformedText) {
  const char* cases[] = {"Z", "Zm9vY", "Zg=a", "Zm9v=", "Zg===", "Z===", "=", "Zm9v!", "Zg==Zg==", "Zm9v\x80"};
  for (const char* c : cases) {
    std::vector<uint8_t> out{1};
    EXPECT_FALSE(base64_decode(std::string_view(c), out)) << c;
    EXPECT_TRUE(out.empty()) << c;
  }
  std::vector<uint8_t> out;
  EXPECT_FALSE(base64_decode(std::u16string_view(u"Zm9\u00E9"), out));
  EXPECT_FALSE(base64_decode(std::u16string_view(u"Zm9\u0176"), out));  // low byte is 'v'
}

TEST(Base64, EnforcesTheSizeLimit) {
  std::vector<uint8_t> out;
  EXPECT_FALSE(base64_decode(std::string_view("Zm9vYmFy"), out, 5));
  EXPECT_TRUE(base64_decode(std::string_view("Zm9vYmFy"), out, 6));
  EXPECT_FALSE(base64_decode(std::string_view("Zm9vYmE"), out, 4));
  EXPECT_TRUE(base64_decode(std::string_view("Zm9vYmE"), out, 5));
}

std::vector<uint8_t> compressible() {
  std::string s;
  for (int i = 0; i < 200; ++i) s += "Loop 10 { Send \"line " + std::to_string(i % 7) + "\" }\r\n";
  return bytes(s);
}

std::vector<uint8_t> incompressible() {
  std::vector<uint8_t> v(1000);
  uint32_t x = 2463534242u;
  for (auto& b : v) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    b = static_cast<uint8_t>(x);
  }
  return v;
}

TEST(PackedData, RoundTripsAndChoosesStorageBySize) {
  struct Case {
    const char* name;
    std::vector<uint8_t> data;
    bool expect_stored;
  };
  const Case cases[] = {
      {"empty", {}, true},
      {"one byte", bytes("x"), true},
      {"script", compressible(), false},
      {"noise", incompressible(), true},
  };
  for (const auto& c : cases) {
    auto packed = pack_data(c.data.data(), c.data.size());
    ASSERT_GE(packed.size(), kPackedHeaderSize) << c.name;
    EXPECT_TRUE(is_packed_data(packed.data(), packed.size())) << c.name;
    EXPECT_EQ(field(packed, 0), kPackedSignature) << c.name;
    EXPECT_EQ(field(packed, 8), packed.size() - kPackedHeaderSize) << c.name;
    EXPECT_EQ(field(packed, 12), c.data.size()) << c.name;
    EXPECT_EQ(field(packed, 16), 0u) << c.name;
    EXPECT_EQ(field(packed, 8) == field(packed, 12), c.expect_stored) << c.name;
    std::vector<uint8_t> out;
    ASSERT_TRUE(unpack_data(packed.data(), packed.size(), out)) << c.name;
    EXPECT_EQ(out, c.data) << c.name;
  }
}

// A blob laid out by hand, with the check value the real HashData gives for
// "abc", pins the format independently of pack_data.
TEST(PackedData, UnpacksAHandMadeStoredBlob) {
  const uint8_t blob[] = {'P', 'K', 3, 4, 0x61, 0x2F, 0x90, 0x01, 3, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 'a', 'b', 'c',
                          0xEE};  // trailing byte beyond the payload is ignored
  std::vector<uint8_t> out;
  ASSERT_TRUE(unpack_data(blob, sizeof blob, out));
  EXPECT_EQ(out, bytes("abc"));
}

TEST(PackedData, RefusesDamagedBlobs) {
  const auto good = [] {
    auto data = compressible();
    return pack_data(data.data(), data.size());
  }();
  const uint32_t packed = field(good, 8), unpacked = field(good, 12);
  struct Case {
    const char* name;
    void (*damage)(std::vector<uint8_t>&, uint32_t packed, uint32_t unpacked);
  };
  const Case cases[] = {
      {"signature", [](auto& v, auto, auto) { v[2] = 5; }},
      {"check value", [](auto& v, auto, auto) { v[5] ^= 1; }},
      {"payload byte", [](auto& v, auto, auto) { v[kPackedHeaderSize + 3] ^= 0x40; }},
      {"packed size beyond data", [](auto& v, auto p, auto) { set_field(v, 8, p + 1); }},
      {"packed size huge", [](auto& v, auto, auto) { set_field(v, 8, 0xFFFFFFFF); }},
      {"unpacked size one more", [](auto& v, auto, auto u) { set_field(v, 12, u + 1); }},
      {"unpacked size one less", [](auto& v, auto, auto u) { set_field(v, 12, u - 1); }},
      {"unpacked size huge", [](auto& v, auto, auto) { set_field(v, 12, 0xFFFFFFFF); }},
      {"unpacked size past the deflate ratio", [](auto& v, auto, auto) { set_field(v, 12, kMaxUnpackedSize); }},
      {"enciphered", [](auto& v, auto p, auto) { set_field(v, 16, p); }},
      {"encoded size beyond data", [](auto& v, auto p, auto) { set_field(v, 16, p + 1); }},
      {"truncated", [](auto& v, auto, auto) { v.pop_back(); }},
  };
  for (const auto& c : cases) {
    auto blob = good;
    c.damage(blob, packed, unpacked);
    std::vector<uint8_t> out{1, 2};
    EXPECT_FALSE(unpack_data(blob.data(), blob.size(), out)) << c.name;
    EXPECT_TRUE(out.empty()) << c.name;
  }
}

TEST(PackedData, RefusesEveryProperPrefix) {
  auto data = compressible();
  auto packed = pack_data(data.data(), data.size());
  std::vector<uint8_t> out;
  for (size_t n = 0; n < packed.size(); ++n) EXPECT_FALSE(unpack_data(packed.data(), n, out)) << n;
}

TEST(PackedData, RecognisesOnlyTheSignature) {
  const uint8_t header[kPackedHeaderSize] = {'P', 'K', 3, 4};
  EXPECT_TRUE(is_packed_data(header, sizeof header));
  EXPECT_FALSE(is_packed_data(header, sizeof header - 1));
  EXPECT_FALSE(is_packed_data(nullptr, 0));
  const uint8_t script[] = "MsgBox \"PK\\3\\4 is not at the start\"....";
  EXPECT_FALSE(is_packed_data(script, sizeof script));
}

}  // namespace
}  // namespace orv
