#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "engine/install_worker.h"
#include <stdlib.h>
#include "base/install_path.h"
#include "packer.h"
#include "payload/embedded_catalogue.h"
#include "platform/base/text.h"
#include "platform/host/file_system.h"
#include "tests/support/temp_machine.h"

#ifndef QZ_PACKED_TREE
#error "QZ_PACKED_TREE names the product tree the build packed"
#endif

namespace {

class EmbeddedCatalogue : public qztest::TempMachine {};

TEST(EmbeddedCatalogueShape, WalkOrderAndStoredForms) {
  qz::PayloadCatalogue c = qz::EmbeddedCatalogue();
  ASSERT_GT(c.count, 100u);
  bool plainSmall = false, plainLarge = false, gzip = false;
  for (uint32_t i = 0; i < c.count; ++i) {
    const qz::PayloadEntry& e = c.At(i);
    ASSERT_EQ(std::string(e.path).substr(0, 2), ".\\");
    if (i > 0) {
      EXPECT_TRUE(qzpack::PathLess(c.At(i - 1).path, e.path)) << e.path;
    }
    ASSERT_GT(e.size, 0u);
    if (e.compressedSize == 0) {
      (e.size <= 1024 ? plainSmall : plainLarge) = true;
    } else {
      gzip = true;
      EXPECT_GT(e.size, 1024u);
      EXPECT_LT(e.compressedSize, e.size);
      ASSERT_GE(e.compressedSize, 18u);
      const unsigned char header[] = {0x1F, 0x8B, 0x08, 0, 0, 0, 0, 0, 0, 0x0B};
      EXPECT_EQ(std::memcmp(e.data, header, 10), 0) << e.path;
      const unsigned char* t = e.data + e.compressedSize - 4;
      EXPECT_EQ(uint32_t(t[0] | t[1] << 8 | t[2] << 16 | uint32_t(t[3]) << 24), e.size) << e.path;
    }
  }
  EXPECT_TRUE(plainSmall && plainLarge && gzip);
  EXPECT_STREQ(c.At(0).path, ".\\ASCx64.dll");
}

TEST_F(EmbeddedCatalogue, InstallationReproducesTheProductTree) {
  ::unsetenv("QZ_MACHINE_ARCH");
  qz::InstallState state;
  state.targetDirectory = u"C:\\Program Files\\Ombra\\QuendaZorvel";
  state.executableChoice = 2;
  qz::RunInstallWorker(qz::EmbeddedCatalogue(), state);
  ASSERT_TRUE(state.InstallDone());
  const std::filesystem::path tree = QZ_PACKED_TREE;
  size_t compared = 0;
  for (const auto& item : std::filesystem::recursive_directory_iterator(tree)) {
    if (!item.is_regular_file()) continue;
    std::string rel = std::filesystem::relative(item.path(), tree).string();
    std::u16string installed = qz::JoinInstallPath(state.targetDirectory, win::Utf8ToWide(rel));
    std::replace(installed.begin(), installed.end(), u'/', u'\\');
    // On 64-bit Windows the x86 preview DLLs are never written.
    if (rel == "ASCx86.dll" || rel == "ASYx86.dll") {
      EXPECT_FALSE(win::IsRegularFile(installed)) << rel;
      continue;
    }
    ASSERT_EQ(GetFile(installed), qztest::ReadHostFile(item.path().string())) << rel;
    bool readOnly = (std::filesystem::status(item.path()).permissions() & std::filesystem::perms::owner_write) ==
                    std::filesystem::perms::none;
    EXPECT_EQ(win::GetFileStatus(installed)->readOnly, readOnly) << rel;
    ++compared;
  }
  EXPECT_EQ(compared + 2, qz::EmbeddedCatalogue().count);
  EXPECT_TRUE(MessageTexts().empty());
}

}  // namespace
