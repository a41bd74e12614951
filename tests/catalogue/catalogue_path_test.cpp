// The catalogue path: folder and name within 260 characters, or no path at all.
#include "catalogue/catalogue_path.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "catalogue/catalogue_seams.h"
#include "catalogue/fetch_catalogue.h"
#include "catalogue/load_catalogue.h"
#include "catalogue_test_support.h"

namespace {

std::string g_folder;
unsigned FromString(unsigned size, char* buffer) {
  if (g_folder.size() + 1 > size) return static_cast<unsigned>(g_folder.size() + 1);
  std::memcpy(buffer, g_folder.c_str(), g_folder.size() + 1);
  return static_cast<unsigned>(g_folder.size());
}
unsigned Failing(unsigned, char*) { return 0; }

struct SeamScope {
  explicit SeamScope(catalogue_seams::TempFolderFn fn) { catalogue_seams::SetTempFolder(fn); }
  ~SeamScope() { catalogue_seams::SetTempFolder(nullptr); }
};

TEST(CataloguePath, FolderFollowedDirectlyByTheName) {
  SeamScope seam(&FromString);
  g_folder = "C:\\Temp\\";
  char path[kCataloguePathSize];
  ASSERT_TRUE(FormCataloguePath(path));
  EXPECT_STREQ(path, "C:\\Temp\\PID.ini");
}

TEST(CataloguePath, LongestFolderFitsAndOneMoreDoesNot) {
  SeamScope seam(&FromString);
  char path[kCataloguePathSize];
  g_folder = std::string(251, 'd') + "\\";  // 252 characters + 7 + terminator = 260
  ASSERT_TRUE(FormCataloguePath(path));
  EXPECT_EQ(std::strlen(path), 259u);
  g_folder = std::string(252, 'd') + "\\";
  EXPECT_FALSE(FormCataloguePath(path));
  EXPECT_STREQ(path, "");
  g_folder = std::string(400, 'd') + "\\";
  EXPECT_FALSE(FormCataloguePath(path));
}

TEST(CataloguePath, FailingPlatformGivesNoPath) {
  SeamScope seam(&Failing);
  char path[kCataloguePathSize];
  EXPECT_FALSE(FormCataloguePath(path));
  EXPECT_STREQ(path, "");
}

TEST(CataloguePath, WithoutAPathTheLoadFailsWithTheMessageAndReleaseIsHarmless) {
  SeamScope seam(&Failing);
  FakeOwner owner;
  StderrCapture capture;
  // The lookup fails first, so the download writes its line and nothing else.
  EXPECT_EQ(LoadCatalogue(owner, "no-such-host.invalid"), 0);
  ReleaseCatalogue();
  EXPECT_EQ(capture.Stop().rfind(AsWritten("\ngethostbyname(): "), 0), 0u);
  ASSERT_EQ(owner.events.size(), 2u);
  EXPECT_EQ(owner.events[0], "hide");
}

}  // namespace
