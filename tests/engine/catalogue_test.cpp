#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "engine/member_extraction.h"
#include "packer.h"
#include "payload/embedded_catalogue.h"
#include "platform/file_system.h"
#include "platform/text.h"
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

TEST_F(EmbeddedCatalogue, EveryEntryInstallsByteForByte) {
  qz::PayloadCatalogue c = qz::EmbeddedCatalogue();
  const std::filesystem::path tree = QZ_PACKED_TREE;
  for (uint32_t i = 0; i < c.count; ++i) {
    const qz::PayloadEntry& e = c.At(i);
    std::u16string relative = qz::WidenEntryPath(e.path).substr(2);
    std::u16string dest = u"C:\\install\\" + relative;
    ASSERT_EQ(qz::WriteEntryFile(e, dest).kind, qz::EntryWriteKind::written) << e.path;
    std::string rel = win::WideToUtf8(relative);
    std::replace(rel.begin(), rel.end(), '\\', '/');
    ASSERT_EQ(GetFile(dest), qztest::ReadHostFile((tree / rel).string())) << e.path;
  }
}

}  // namespace
