#include "packer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>

#include "tests/support/subprocess.h"
#include "tests/support/temp_dir.h"
#include "tests/support/temp_machine.h"

namespace {
namespace fs = std::filesystem;

class PackerTree : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.emplace("qz-tree");
    root_ = folder_->Path();
  }
  void TearDown() override { folder_.reset(); }
  void Put(const std::string& rel, const std::string& contents) { qztest::WriteHostFile((root_ / rel).string(), contents); }
  std::optional<qztest::TempDir> folder_;
  fs::path root_;
};

std::string Inflate(const std::vector<unsigned char>& member) {
  z_stream zs{};
  inflateInit2(&zs, 16 + MAX_WBITS);
  std::string out(1 << 20, '\0');
  zs.next_in = const_cast<Bytef*>(member.data());
  zs.avail_in = uInt(member.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = uInt(out.size());
  EXPECT_EQ(inflate(&zs, Z_FINISH), Z_STREAM_END);
  out.resize(zs.total_out);
  inflateEnd(&zs);
  return out;
}

TEST_F(PackerTree, OrderFoldsAsciiLettersToLowerCase) {
  for (const char* f : {"b.txt", "A.txt", "_x.txt", "lib/Z.txt", "lib/a.txt", "Zorvelx64.exe", "ASCx64.dll"}) Put(f, "x");
  std::vector<std::string> paths;
  for (const auto& e : qzpack::PackTree(root_)) paths.push_back(e.path);
  EXPECT_EQ(paths, (std::vector<std::string>{".\\_x.txt", ".\\A.txt", ".\\ASCx64.dll", ".\\b.txt", ".\\lib\\a.txt",
                                             ".\\lib\\Z.txt", ".\\Zorvelx64.exe"}));
}

TEST_F(PackerTree, StoredFormRule) {
  std::string random(3000, '\0');
  uint32_t x = 2463534242u;
  for (char& c : random) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    c = char(x >> 24);
  }
  Put("small.txt", std::string(1024, 'a'));
  Put("big.txt", std::string(1025, 'a'));
  Put("random.bin", random);
  Put("ro.asy", std::string(50, 'r'));
  ::chmod((root_ / "ro.asy").c_str(), 0444);
  auto entries = qzpack::PackTree(root_);
  ASSERT_EQ(entries.size(), 4u);
  const auto& big = entries[0];
  EXPECT_EQ(big.path, ".\\big.txt");
  EXPECT_NE(big.compressedSize, 0u);
  EXPECT_EQ(Inflate(big.stored), std::string(1025, 'a'));
  const unsigned char header[] = {0x1F, 0x8B, 0x08, 0, 0, 0, 0, 0, 0, 0x0B};
  EXPECT_TRUE(std::equal(header, header + 10, big.stored.begin()));
  EXPECT_EQ(entries[1].compressedSize, 0u);  // random.bin: the member would not be smaller
  EXPECT_EQ(entries[1].stored.size(), 3000u);
  EXPECT_EQ(entries[2].readOnly, 1u);
  EXPECT_EQ(entries[3].compressedSize, 0u);  // small.txt: 1024 bytes stay plain
  EXPECT_EQ(entries[3].readOnly, 0u);
}

TEST_F(PackerTree, RefusesWhatTheInstallerCannotCarry) {
  struct Case {
    std::vector<std::pair<std::string, std::string>> files;
    std::string message;
  } cases[] = {
      {{{"empty.txt", ""}}, "empty file"},
      {{{"a.txt", "1"}, {"A.TXT", "2"}}, "differ only in letter case"},
      {{{"caf\xc3\xa9.txt", "x"}}, "not printable ASCII"},
      {{{std::string(1010, 'n'), "x"}}, "path longer than"},
      {{}, "no files"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    fs::remove_all(root_);
    fs::create_directories(root_);
    for (const auto& [name, contents] : c.files) {
      if (name.size() > 255) {
        // Deep enough to exceed the limit while each component stays legal.
        std::string deep;
        for (int i = 0; i < 5; ++i) deep += std::string(200, 'd') + "/";
        Put(deep + "f.txt", contents);
      } else {
        Put(name, contents);
      }
    }
    try {
      qzpack::PackTree(root_);
      ADD_FAILURE() << "accepted";
    } catch (const qzpack::PackError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

TEST_F(PackerTree, ListCommandPrintsTabsAndTotals) {
  Put("a.txt", "hello");
  Put("sub/b.txt", std::string(2000, 'b'));
  qztest::ProcessResult run = qztest::RunProcess({.argv = {QZPACK_PATH, "list", root_.string() + "/"}});
  ASSERT_TRUE(run.Exited(0)) << run.Describe() << "\n" << run.err;
  const std::string& listing = run.out;
  EXPECT_NE(listing.find(".\\a.txt\t5\t0\t0\n"), std::string::npos) << listing;
  EXPECT_NE(listing.find("total\t2 files\t2005 bytes installed"), std::string::npos) << listing;
  EXPECT_NE(qztest::RunProcess({.argv = {QZPACK_PATH, "list", "/nonexistent"}}).exitCode, 0);
}

// qzpack as a build runs it, given what it cannot pack or write: a message
// naming the cause, status 1, and the generated files of an earlier run as
// they were.
class PackerCommand : public PackerTree {
 protected:
  void SetUp() override {
    PackerTree::SetUp();
    Put("tree/a.txt", "hello");
    Put("tree/lib/b.txt", std::string(3000, 'b'));
    ASSERT_EQ(Qzpack("generate tree out").exitCode, 0);
    for (const char* f : {"payload_catalogue.cpp", "payload_data.S", "payload_data.bin"})
      generated_[f] = qztest::ReadHostFile((root_ / "out" / f).string());
  }
  // arguments: the words of the command line (none of the tests' holds a space).
  qztest::ProcessResult Qzpack(const std::string& arguments) {
    qztest::Command command{.argv = {QZPACK_PATH}, .directory = root_.string(), .timeLimit = std::chrono::seconds(20)};
    std::istringstream words(arguments);
    for (std::string word; words >> word;) command.argv.push_back(word);
    return qztest::RunProcess(command);
  }
  // What the earlier run generated is all there is in out/.
  void ExpectEarlierOutput() {
    size_t files = 0;
    for (const auto& item : fs::directory_iterator(root_ / "out")) {
      ++files;
      std::string name = item.path().filename().string();
      EXPECT_EQ(qztest::ReadHostFile(item.path().string()), generated_[name]) << name;
    }
    EXPECT_EQ(files, generated_.size());
  }
  std::map<std::string, std::string> generated_;
};

TEST_F(PackerCommand, BadTreeOrOutputSaysWhyAndKeepsTheEarlierOutput) {
  struct Case {
    const char* what;
    std::function<void(const fs::path& tree)> make;
    const char* arguments;
    const char* message;
  } cases[] = {
      {"missing tree", [](const fs::path&) {}, "generate missing out", "not a directory: missing"},
      {"file for a tree", [](const fs::path&) {}, "generate tree/a.txt out", "not a directory: tree/a.txt"},
      {"dangling link", [](const fs::path& t) { fs::create_symlink("/nonexistent", t / "gone.txt"); },
       "generate tree out", "not a regular file: tree/gone.txt"},
      {"named pipe", [](const fs::path& t) { ::mkfifo((t / "pipe").c_str(), 0644); }, "generate tree out",
       "not a regular file: tree/pipe"},
      {"linked folder", [](const fs::path& t) { fs::create_directory_symlink(t / "lib", t / "linked"); },
       "generate tree out", "link to a folder, whose files would be left out: tree/linked"},
      {"empty file", [](const fs::path& t) { qztest::WriteHostFile((t / "zero.txt").string(), ""); },
       "generate tree out", "empty file: tree/zero.txt"},
      {"file for the output folder", [](const fs::path&) {}, "generate tree tree/a.txt", "tree/a.txt"},
      {"folder for a generated file",
       [](const fs::path& t) {
         qztest::WriteHostFile((t / "new.txt").string(), "changes the catalogue");
         fs::create_directories(t.parent_path() / "other");
         for (const auto& item : fs::directory_iterator(t.parent_path() / "out"))
           fs::copy_file(item.path(), t.parent_path() / "other" / item.path().filename());
         fs::remove(t.parent_path() / "other" / "payload_catalogue.cpp");
         fs::create_directory(t.parent_path() / "other" / "payload_catalogue.cpp");
       },
       "generate tree other", "not a regular file: other/payload_catalogue.cpp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.make(root_ / "tree");
    qztest::ProcessResult run = Qzpack(c.arguments);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    ExpectEarlierOutput();
    for (const char* made : {"gone.txt", "pipe", "linked", "zero.txt", "new.txt"}) fs::remove(root_ / "tree" / made);
  }
  // The generated set that a failed run left: the old files, no new one.
  std::string other = (root_ / "other").string();
  EXPECT_EQ(qztest::ReadHostFile(other + "/payload_data.bin"), generated_["payload_data.bin"]);
  EXPECT_FALSE(fs::exists(other + "/payload_data.bin.partial"));
}

// Root reads a file whatever its permissions: the case needs another user.
TEST_F(PackerCommand, UnreadableFileSaysWhy) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads files without read permission";
  ::chmod((root_ / "tree" / "a.txt").c_str(), 0);
  qztest::ProcessResult run = Qzpack("generate tree out");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("cannot read tree/a.txt"), std::string::npos) << run.err;
  ExpectEarlierOutput();
}

}  // namespace
