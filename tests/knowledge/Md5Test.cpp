#include <gtest/gtest.h>

#include <string>

#include "knowledge/Md5.h"

namespace {

std::string Digest(const std::string& text) {
  TMd5Stream stream;
  stream.Write(text.data(), text.size());
  return stream.DigestText();
}

TEST(Md5, Rfc1321TestSuite) {
  const struct {
    const char* message;
    const char* digest;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& c : cases) EXPECT_EQ(Digest(c.message), c.digest) << '"' << c.message << '"';
}

TEST(Md5, PaddingBoundaries) {
  // Digests of runs of 'a' around the 56- and 64-byte padding boundaries (md5sum).
  const struct {
    size_t length;
    const char* digest;
  } cases[] = {
      {55, "ef1772b6dff9a122358552954ad0df65"}, {56, "3b0c8ac703f828b04c6c197006d17218"},
      {63, "b06521f39153d618550606be297466d5"}, {64, "014842d480b571495a4a0363793f7367"},
      {65, "c743a45e0d2e6a95cb859adae0248435"},
  };
  for (const auto& c : cases) EXPECT_EQ(Digest(std::string(c.length, 'a')), c.digest) << c.length;
}

TEST(Md5, ByteByByteEqualsOneCallAndStreamRestarts) {
  const std::string text(200, 'x');
  TMd5Stream stream;
  for (char ch : text) EXPECT_EQ(stream.Write(&ch, 1), 1u);
  stream.Write(text.data(), 0);
  EXPECT_EQ(stream.DigestText(), Digest(text));
  EXPECT_EQ(stream.DigestText(), "d41d8cd98f00b204e9800998ecf8427e");
  char sink[4];
  EXPECT_EQ(stream.Read(sink, sizeof sink), 0u);
}

}  // namespace
