#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/Registry.h"
#include "platform/RegistryFile.h"
#include "platform/ScratchRegistry.h"

namespace {

using namespace std::string_literals;
using platform::THive;
using platform::TRegistryKey;
namespace fs = std::filesystem;

const std::string kVexlorKey = "SOFTWARE\\Vexlor\\";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Runs body in a child process (the store's state and the process's limits stay the child's);
// the child's exit code is the result: 0 passed, 77 could not set itself up.
int RunInChild(const std::function<bool()>& body) {
  const pid_t child = fork();
  if (child == 0) _exit(body() ? 0 : 1);
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class RegistryStore : public testing::Test {
 protected:
  void UseFile(const fs::path& path) {
    File = path;
    setenv("VEXLOR_REGISTRY", path.c_str(), 1);
  }
  // Points the store at a copy of its file, so that what follows is read from the disk.
  void ReloadFromCopy() {
    const fs::path copy = Folder / ("copy" + std::to_string(++Copies) + ".ini");
    fs::copy_file(File, copy);
    UseFile(copy);
  }
  TRegistryKey CreateKey(const std::string& path = kVexlorKey) {
    TRegistryKey key;
    EXPECT_TRUE(key.Create(THive::LocalMachine, path)) << path;
    return key;
  }
  TRegistryKey OpenKey(const std::string& path = kVexlorKey) {
    TRegistryKey key;
    EXPECT_TRUE(key.Open(THive::LocalMachine, path)) << path;
    return key;
  }

  TScratchRegistry Scratch;
  const fs::path Folder = Scratch.Path;
  fs::path File = Scratch.File();
  int Copies = 0;
};

TEST_F(RegistryStore, ValuesReachTheFileAsReadableTextAndComeBack) {
  TRegistryKey key = CreateKey();
  ASSERT_TRUE(key.WriteString("HomeDirectory", "/home/me/C64Music"));
  ASSERT_TRUE(key.WriteInteger("MaxForwardSpeed", 20));
  const std::string text = ReadFile(File);
  EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vexlor]\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\"HomeDirectory\"=\"/home/me/C64Music\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\"MaxForwardSpeed\"=dword:00000014\n"), std::string::npos) << text;

  ReloadFromCopy();
  TRegistryKey reopened = OpenKey();
  EXPECT_EQ(reopened.ReadString("HomeDirectory"), "/home/me/C64Music");
  EXPECT_EQ(reopened.ReadInteger("MaxForwardSpeed"), 20);
  EXPECT_EQ(reopened.ReadInteger("HomeDirectory"), std::nullopt) << "a text is no integer";
  EXPECT_EQ(reopened.ReadString("MaxForwardSpeed"), std::nullopt) << "an integer is no text";
}

TEST_F(RegistryStore, HandEditedFileIsRead) {
  WriteFile(File,
            "# edited by hand\r\n"
            "  [hkey_classes_root\\.sid]  \r\n"
            "@ = \"Vexlor.File\"\r\n"
            "\n"
            "[HKEY_CURRENT_USER\\Software\\Vexlor\\]\n"
            "\"Split\"=DWORD:ffffffff\n");
  TRegistryKey association;
  ASSERT_TRUE(association.Open(THive::ClassesRoot, ".sid"));
  EXPECT_EQ(association.ReadString(""), "Vexlor.File");
  TRegistryKey user;
  ASSERT_TRUE(user.Open(THive::CurrentUser, "software\\vexlor"));
  EXPECT_EQ(user.ReadInteger("split"), -1);
  EXPECT_TRUE(platform::KeyExists(THive::CurrentUser, "Software"));
  EXPECT_FALSE(platform::KeyExists(THive::LocalMachine, "Software\\Vexlor"));
}

TEST_F(RegistryStore, TrickyNamesAndValuesRoundTrip) {
  const struct {
    std::string name;
    std::string value;
  } cases[] = {
      {"Empty", ""},
      {"", "the default value"},
      {"Lines", "one\ntwo\r\nthree\n"},
      {"Equals=In\"Name\"", "a=b"},
      {"Section", "[HKEY_LOCAL_MACHINE\\Evil]"},
      {"Quotes", "\"\\\"\\"},
      {"Escapes", "\\n \\x41 \\t"},
      {"Controls", "nul\0\x01\x1f\x7f\t end"s},
      {"Utf8 Ümlaut", "Ärger € 日本 🎵"},
      {"Blanks", "  leading and trailing  "},
      {"Comment", "; not a comment"},
      {"LooksLikeInteger", "dword:00000001"},
      {"@", "at"},
      {"Invalid Utf8", "\xff\xfe\xc3"},
  };
  TRegistryKey key = CreateKey();
  for (const auto& c : cases) ASSERT_TRUE(key.WriteString(c.name, c.value)) << c.name;
  const int32_t integers[] = {0, 1, -1, INT32_MIN, INT32_MAX};
  for (int32_t value : integers) ASSERT_TRUE(key.WriteInteger("I" + std::to_string(value), value));

  ReloadFromCopy();
  TRegistryKey reopened = OpenKey();
  for (const auto& c : cases) EXPECT_EQ(reopened.ReadString(c.name), c.value) << c.name;
  for (int32_t value : integers)
    EXPECT_EQ(reopened.ReadInteger("I" + std::to_string(value)), value);
}

TEST_F(RegistryStore, NamesIgnoreCaseButKeepIt) {
  TRegistryKey key = CreateKey("Software\\Vexlor");
  ASSERT_TRUE(key.WriteString("HomeDirectory", "first"));
  TRegistryKey upper = OpenKey("SOFTWARE\\VEXLOR\\");
  ASSERT_TRUE(upper.WriteString("HOMEDIRECTORY", "second"));
  EXPECT_EQ(key.ReadString("homedirectory"), "second");
  const std::string text = ReadFile(File);
  EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Vexlor]"), std::string::npos) << text;
  EXPECT_NE(text.find("\"HomeDirectory\"=\"second\""), std::string::npos) << text;
  EXPECT_EQ(text.find("HOMEDIRECTORY"), std::string::npos) << "one value, not two: " << text;
  EXPECT_FALSE(platform::KeyExists(THive::CurrentUser, "Software\\Vexlor")) << "hives are apart";
}

TEST_F(RegistryStore, MalformedKeyPathsAreRefused) {
  const char* paths[] = {"a\\\\b", "\\a", "a\\\\", "a\nb", "a\\b\x7f"};
  for (const char* path : paths) {
    TRegistryKey key;
    EXPECT_FALSE(key.Create(THive::CurrentUser, path)) << path;
    EXPECT_FALSE(key.IsOpen()) << path;
    EXPECT_FALSE(key.Open(THive::CurrentUser, path)) << path;
  }
  TRegistryKey root;
  EXPECT_TRUE(root.Open(THive::CurrentUser, "")) << "a hive's root always exists";
  EXPECT_FALSE(platform::DeleteKey(THive::CurrentUser, ""));
}

TEST_F(RegistryStore, DeletesRemoveExactlyWhatWasAsked) {
  TRegistryKey doomed = CreateKey("Vexlor\\A");
  ASSERT_TRUE(doomed.WriteInteger("Value", 1));
  CreateKey("Vexlor\\A\\B\\C");
  TRegistryKey sibling = CreateKey("Vexlor\\A2");
  ASSERT_TRUE(sibling.WriteString("Keep", "me"));
  ASSERT_TRUE(sibling.WriteString("Drop", "me"));

  EXPECT_TRUE(sibling.DeleteValue("drop"));
  EXPECT_FALSE(sibling.DeleteValue("Drop")) << "already gone";
  EXPECT_FALSE(sibling.ValueExists("Drop"));
  EXPECT_TRUE(sibling.ValueExists("Keep"));

  EXPECT_TRUE(platform::DeleteKey(THive::LocalMachine, "vexlor\\a\\"));
  EXPECT_FALSE(platform::DeleteKey(THive::LocalMachine, "Vexlor\\A")) << "already gone";
  EXPECT_FALSE(platform::KeyExists(THive::LocalMachine, "Vexlor\\A"));
  EXPECT_FALSE(platform::KeyExists(THive::LocalMachine, "Vexlor\\A\\B\\C"));
  EXPECT_FALSE(doomed.WriteInteger("Value", 2)) << "a deleted key takes no values";
  EXPECT_EQ(doomed.ReadInteger("Value"), std::nullopt);

  ReloadFromCopy();
  EXPECT_TRUE(platform::KeyExists(THive::LocalMachine, "Vexlor"));
  EXPECT_FALSE(platform::KeyExists(THive::LocalMachine, "Vexlor\\A\\B"));
  EXPECT_EQ(OpenKey("Vexlor\\A2").ReadString("Keep"), "me");
}

TEST_F(RegistryStore, CorruptFileIsSetAsideAndStoreStartsEmpty) {
  const std::string corrupt[] = {
      "this is not a registry file\n",
      "\"Orphan\"=\"value before any key\"\n",
      "[HKEY_NOWHERE\\Key]\n",
      "[HKEY_CURRENT_USER\\Key\n",
      "[HKEY_CURRENT_USER\\Key]\n\"Open\"=\"no closing quote\n",
      "[HKEY_CURRENT_USER\\Key]\n\"Bad\"=\"\\q\"\n",
      "[HKEY_CURRENT_USER\\Key]\n\"Bad\"=\"\\x4\"\n",
      "[HKEY_CURRENT_USER\\Key]\n\"Big\"=dword:123456789\n",
      "[HKEY_CURRENT_USER\\Key]\n\"Trailing\"=\"text\" junk\n",
      "[HKEY_CURRENT_USER\\A\\\\B]\n",
      "[HKEY_CURRENT_USER\\Key]\n\0\n"s,
  };
  for (size_t i = 0; i < std::size(corrupt); ++i) {
    WriteFile(File, corrupt[i]);
    EXPECT_FALSE(platform::KeyExists(THive::CurrentUser, "Key")) << i;
    // Earlier aside files are never replaced.
    const fs::path aside = File.string() + ".corrupt" + (i ? "." + std::to_string(i) : "");
    ASSERT_TRUE(fs::exists(aside)) << i;
    EXPECT_EQ(ReadFile(aside), corrupt[i]) << i;
    EXPECT_FALSE(fs::exists(File)) << i;
    ASSERT_TRUE(CreateKey("Fresh").WriteInteger("Case", int32_t(i))) << i;
    EXPECT_TRUE(platform::ParseRegistryText(ReadFile(File))) << i;
  }
}

TEST_F(RegistryStore, ConcurrentThreadsKeepEveryWrite) {
  constexpr int kThreads = 4, kWrites = 15;
  CreateKey();
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([t] {
      TRegistryKey key;
      key.Open(THive::LocalMachine, kVexlorKey);
      for (int i = 0; i < kWrites; ++i)
        key.WriteInteger("T" + std::to_string(t) + "_" + std::to_string(i), i);
    });
  }
  for (std::thread& writer : writers) writer.join();
  ReloadFromCopy();
  TRegistryKey key = OpenKey();
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < kWrites; ++i)
      EXPECT_EQ(key.ReadInteger("T" + std::to_string(t) + "_" + std::to_string(i)), i);
  }
}

TEST_F(RegistryStore, ConcurrentProcessesKeepEveryWrite) {
  constexpr int kProcesses = 2, kWrites = 25;
  TRegistryKey key = CreateKey();
  ASSERT_TRUE(key.WriteString("Parent", "before"));
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t child = fork();
    if (child == 0) {
      bool all = true;
      for (int i = 0; i < kWrites; ++i)
        all &= key.WriteInteger("P" + std::to_string(p) + "_" + std::to_string(i), i);
      _exit(all ? 0 : 1);
    }
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  // This process's view predates the children's writes; its next change must not drop them.
  ASSERT_TRUE(key.WriteString("Parent", "after"));
  ReloadFromCopy();
  TRegistryKey reopened = OpenKey();
  EXPECT_EQ(reopened.ReadString("Parent"), "after");
  for (int p = 0; p < kProcesses; ++p) {
    for (int i = 0; i < kWrites; ++i)
      EXPECT_EQ(reopened.ReadInteger("P" + std::to_string(p) + "_" + std::to_string(i)), i);
  }
}

class RegistryFailingWrite : public RegistryStore {
 protected:
  // Writes a first version, breaks the location in a child process and checks there that
  // every change fails while the old contents stay readable; then checks the file's bytes.
  void ExpectChangesFail(const std::function<bool()>& breakLocation) {
    TRegistryKey key = CreateKey();
    ASSERT_TRUE(key.WriteString("Kept", "old"));
    const std::string before = ReadFile(File);
    const int result = RunInChild([&] {
      if (!breakLocation()) _exit(77);
      TRegistryKey reopened, other;
      return reopened.Open(THive::LocalMachine, kVexlorKey) &&
             !reopened.WriteString("Kept", std::string(100000, 'x')) &&
             !reopened.WriteInteger("Added", 1) && !reopened.DeleteValue("Kept") &&
             !other.Create(THive::LocalMachine, "Other") &&
             !platform::DeleteKey(THive::LocalMachine, kVexlorKey) &&
             reopened.ReadString("Kept") == "old";
    });
    if (result == 77) GTEST_SKIP() << "this system cannot make the location unwritable";
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFile(File), before);
    for (const auto& entry : fs::directory_iterator(Folder)) {
      const std::string name = entry.path().filename().string();
      EXPECT_TRUE(name == "registry.ini" || name == "registry.ini.lock") << "left behind: " << name;
    }
  }
};

TEST_F(RegistryFailingWrite, FullDisk) {
  ExpectChangesFail([] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{16, RLIM_INFINITY};
    return setrlimit(RLIMIT_FSIZE, &limit) == 0;
  });
}

TEST_F(RegistryFailingWrite, ReadOnlyFolder) {
  ExpectChangesFail([this] {
    // The superuser ignores permissions; the check runs as an ordinary user then.
    const uid_t nobody = 65534;
    const std::string lock = File.string() + ".lock";
    return chmod(File.c_str(), 0644) == 0 && chmod(lock.c_str(), 0644) == 0 &&
           chmod(Folder.c_str(), 0555) == 0 &&
           (geteuid() != 0 || (setgid(nobody) == 0 && setuid(nobody) == 0));
  });
}

TEST_F(RegistryStore, LocationBelowAFileFails) {
  WriteFile(Folder / "plain", "a file, not a folder");
  UseFile(Folder / "plain" / "registry.ini");
  TRegistryKey key;
  EXPECT_FALSE(key.Create(THive::CurrentUser, "Key"));
  EXPECT_FALSE(platform::KeyExists(THive::CurrentUser, "Key"));
  EXPECT_EQ(ReadFile(Folder / "plain"), "a file, not a folder");
}

}  // namespace
