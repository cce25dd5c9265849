// The product catalogue, the image header fields and the embedded image.
#include "firmware/firmware.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/state.h"
#include "firmware/product.h"
#include "platform/resource.h"
#include "platform/testing.h"

namespace {

struct CatalogueCase {
  const char* header;
  const char* displayName;
  int phoneFamily;
};

TEST(ProductCatalogue, IdentifiesEveryRowAndTheOverlaps) {
  const CatalogueCase cases[] = {
      {"XzElVaT firmware", "DUXT6eM", 0},  // the default build's tag
      {"XZELVAT", "ODM-Product", 0},       // case-sensitive row in capitals
      {"zelvarh", "DUX-P70/P75", 1},
      {"ZELVARH", "DUX-P70/P75", 1},  // case-insensitive row
      {"ZeLvArQ", "DUXT4gN", 0},      // exact case of row 8
      {"ZELVARQ", "DUX-P50", 1},      // row 8 in capitals falls to row 9
      {"zelvarxy", "DUX-P50", 1},
      {"zelvaRJ", "DUX-P80", 1},
      {"XzElVaM", "DUX-P72/P77", 1},
      {"zelvp60", "DUX-P60", 1},
      {"DuXq900t", "DUXQ900", 0},
      {"DuXq900T", "DUX-Q900", 0},  // not row 16's exact case: row 17
      {"DUXQ900", "DUX-Q900", 0},
      {"DuXq800", "DUXQ800", 0},
      {"DuXq880", "DUXQ880", 0},
      {"duxq880", "ODM-Product", 0},
      {"DuXr620", "DUX-R620", 0},
      {"duxr620", "ODM-Product", 0},  // row 12 in small letters
      {"DuXr730", "DUX-R730", 0},
      {"DuXr720", "DUX-R720", 0},
      {"DUXR700", "DUX-R700", 0},
      {"duxr400", "DUX-R400", 0},
      {"DuxR200", "DUX-R100/R200", 0},
      {"duxr110", "DUX-R110", 0},
      {"QUORVEL", "Quorvel TA2", 0},
      {"qltan5w8", "Quorvel TA2X", 0},
      {"QlTaN5W", "ODM-Product", 0},  // the 8-character tag cut short
      {"", "ODM-Product", 0},         // a header that begins with a NUL
  };
  for (const CatalogueCase& c : cases) {
    unsigned char header[kImageHeaderSize] = {};
    memcpy(header, c.header, strlen(c.header));
    ProductProfile p;
    memset(&p, 0x55, sizeof p);
    IdentifyProduct(header, &p);
    EXPECT_STREQ(p.displayName, c.displayName) << "header " << c.header;
    EXPECT_EQ(p.phoneFamily, c.phoneFamily) << "header " << c.header;
  }
}

TEST(FirmwareImages, TargetStageBuildNeverLooksUpTheTransitionImage) {
  int before = PlatTestResourceLookups(kTransitionImageId);
  LoadFirmwareImages(kStageTarget);
  EXPECT_EQ(PlatTestResourceLookups(kTransitionImageId), before);
  EXPECT_GE(PlatTestResourceLookups(kTargetImageId), 1);
  EXPECT_EQ(gTargetImage.size, 4054270u);
  EXPECT_EQ(0, memcmp(gTargetImage.header, gTargetImage.bytes, 128));
}

TEST(FirmwareImages, VersionTextThatFillsTheFieldIsShownWhole) {
  FirmwareImage image;
  memset(image.header, 'A', sizeof image.header);  // no NUL anywhere
  std::string version(35, '7');
  memcpy(image.header + kImageVersionOffset, version.data(), version.size());
  image.header[127] = 0;
  EXPECT_EQ(std::string(ImageVersionText(&image)), version);
}

// The default build carries the generated image: exact size, the tag of the
// default product, a version text at offset 92, and the same bytes that the
// generator makes again from the same seed.
TEST(FirmwareImages, DefaultImageIsEmbeddedByteForByte) {
  const unsigned char* bytes = nullptr;
  uint32_t size = 0;
  ASSERT_EQ(PlatFindResource("DUX_FIRMWARE", kTargetImageId, &bytes, &size), 1);
  ASSERT_EQ(size, 4054270u);
  EXPECT_EQ(0, memcmp(bytes, "XzElVaT ", 8));
  EXPECT_STREQ(reinterpret_cast<const char*>(bytes + 92), "7.2.19c");
  EXPECT_EQ(PlatFindResource("DUX_FIRMWARE", kTransitionImageId, &bytes, &size),
            0);
  EXPECT_EQ(PlatFindResource("OTHER_TYPE", kTargetImageId, &bytes, &size), 0);

  std::string out = testing::TempDir() + "/regenerated.bin";
  std::string command = std::string(DUX_MAKE_IMAGE) +
                        " --size 4054270 --tag 'XzElVaT ' --version 7.2.19c "
                        "--seed 1 --output " +
                        out;
  ASSERT_EQ(system(command.c_str()), 0);
  FILE* f = fopen(out.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::vector<unsigned char> regenerated(size + 1);
  size_t n = fread(regenerated.data(), 1, regenerated.size(), f);
  fclose(f);
  ASSERT_EQ(PlatFindResource("DUX_FIRMWARE", kTargetImageId, &bytes, &size), 1);
  EXPECT_EQ(n, size);
  EXPECT_EQ(0, memcmp(regenerated.data(), bytes, size));
}

}  // namespace
