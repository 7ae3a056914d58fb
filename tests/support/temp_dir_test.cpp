#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/scoped_env.h"

namespace {
namespace fs = std::filesystem;

TEST(TempDir, MadeInTheHostsTemporaryFolderAndRemovedWithWhatItHolds) {
  qztest::TempDir parent("qz-parent");
  qztest::ScopedEnv env("TMPDIR", parent.Path().c_str());
  env.Set("TMP", "C:\\Windows\\Temp");  // the emulated Windows' own
  std::string path;
  {
    qztest::TempDir made("qz-made");
    path = made.Path();
    EXPECT_EQ(fs::path(path).parent_path(), parent.Path());
    EXPECT_TRUE(fs::path(path).filename().string().starts_with("qz-made-"));
    fs::create_directories(made.Path("sub/deeper"));
    std::ofstream(made.Path("sub/deeper/read-only")) << "kept?";
    fs::permissions(made.Path("sub/deeper/read-only"), fs::perms::owner_read);
    qztest::TempDir moved = std::move(made);
    EXPECT_EQ(moved.Path(), path);
  }
  EXPECT_FALSE(fs::exists(path));
}

}  // namespace
