#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/DeviceIo.h"
#include "platform/DynamicLibrary.h"

namespace {

TEST(DynamicLibrary, FindsExportedFunctionsOnly) {
  platform::TDynamicLibrary library;
  EXPECT_EQ(library.Symbol("VexlorTestAnswer"), nullptr) << "nothing is open yet";
  ASSERT_TRUE(library.Open(VEXLOR_TEST_MODULE)) << library.LastError();
  using TAnswer = int (*)();
  const auto answer = reinterpret_cast<TAnswer>(library.Symbol("VexlorTestAnswer"));
  ASSERT_NE(answer, nullptr) << library.LastError();
  EXPECT_EQ(answer(), 42);
  EXPECT_EQ(library.Symbol("VexlorTestMissing"), nullptr);
  EXPECT_NE(library.LastError().find("VexlorTestMissing"), std::string::npos) << library.LastError();
  library.Close();
  EXPECT_FALSE(library.IsOpen());
  EXPECT_EQ(library.Symbol("VexlorTestAnswer"), nullptr);
}

TEST(DynamicLibrary, MissingLibrariesFailWithAMessage) {
  const std::string names[] = {"/nonexistent/libhardsid.so", "libvexlor-no-such-library.so", ""};
  for (const std::string& name : names) {
    platform::TDynamicLibrary library;
    EXPECT_FALSE(library.Open(name)) << name;
    EXPECT_FALSE(library.IsOpen()) << name;
    EXPECT_FALSE(library.LastError().empty()) << name;
  }
}

TEST(DeviceIo, NamesOutsideDevOpenNothing) {
  const char* names[] = {
      "\\\\.\\SID6581_9",  "\\\\.\\CAT4_F10", "\\\\.\\",      "\\\\.\\..",        "\\\\.\\.",
      "\\\\.\\../dev/null", "/dev/null",      "null",         "\\\\.\\null\\..",  "\\\\?\\null",
  };
  for (const char* name : names) EXPECT_EQ(platform::SystemDeviceIo().Open(name), nullptr) << name;
}

TEST(DeviceIo, RefusedRequestReturnsNothing) {
  const auto device = platform::SystemDeviceIo().Open("\\\\.\\NULL");  // /dev/null: no ioctls
  ASSERT_NE(device, nullptr);
  const unsigned char in[2] = {1, 2};
  unsigned char out[4] = {9, 9, 9, 9};
  size_t returned = 7;
  EXPECT_FALSE(device->Control(0x42064, in, sizeof in, out, sizeof out, returned));
  EXPECT_EQ(returned, 0u);
  EXPECT_EQ(out[0], 9);
}

// The pseudo-terminal master takes its lock flag as input and tells its number as output,
// which shows both directions of the buffer convention.
TEST(DeviceIo, ControlPassesInputAndReturnsOutput) {
  if (!std::filesystem::exists("/dev/ptmx")) GTEST_SKIP() << "no /dev/ptmx on this system";
  const auto master = platform::SystemDeviceIo().Open("\\\\.\\PTMX");
  ASSERT_NE(master, nullptr);
  unsigned number = ~0u;
  size_t returned = 0;
  ASSERT_TRUE(master->Control(TIOCGPTN, nullptr, 0, &number, sizeof number, returned));
  EXPECT_EQ(returned, sizeof number);
  ASSERT_NE(number, ~0u);
  const std::string follower = "/dev/pts/" + std::to_string(number);
  const auto opens = [&] {
    const int descriptor = open(follower.c_str(), O_RDWR | O_NOCTTY);
    if (descriptor >= 0) close(descriptor);
    return descriptor >= 0;
  };
  const int locked = 1, unlocked = 0;
  ASSERT_TRUE(master->Control(TIOCSPTLCK, &locked, sizeof locked, nullptr, 0, returned));
  EXPECT_EQ(returned, 0u);
  EXPECT_FALSE(opens()) << "locked follower opened";
  ASSERT_TRUE(master->Control(TIOCSPTLCK, &unlocked, sizeof unlocked, nullptr, 0, returned));
  EXPECT_TRUE(opens()) << "unlocked follower did not open";
}

}  // namespace
