#include "host/module_library.h"

#include <gtest/gtest.h>

namespace {

using oxhost::ModuleLibrary;

TEST(ModuleLibraryTest, FindsTheEntriesOfEachLibrary) {
  std::string error;
  auto drift = ModuleLibrary::Load(OX_DRIFT_LIBRARY, error);
  ASSERT_TRUE(drift) << error;
  EXPECT_NE(drift->Export("getModuleProperties", error), nullptr) << error;
  EXPECT_NE(drift->Export("makeModule", error), nullptr) << error;
  EXPECT_FALSE(drift->HasExport("main"));

  auto chorus = ModuleLibrary::Load(OX_CHORUS_LIBRARY, error);
  ASSERT_TRUE(chorus) << error;
  EXPECT_NE(chorus->Export("main", error), nullptr) << error;
  EXPECT_FALSE(chorus->HasExport("ox_main"));
}

TEST(ModuleLibraryTest, MissingExportIsNamed) {
  std::string error;
  auto chorus = ModuleLibrary::Load(OX_CHORUS_LIBRARY, error);
  ASSERT_TRUE(chorus) << error;
  EXPECT_EQ(chorus->Export("makeModule", error), nullptr);
  EXPECT_NE(error.find("has no export 'makeModule'"), std::string::npos) << error;
}

TEST(ModuleLibraryTest, MissingFileIsNamed) {
  std::string error;
  EXPECT_FALSE(ModuleLibrary::Load("no-such-module-library.bin", error));
  EXPECT_NE(error.find("cannot load module library 'no-such-module-library.bin'"), std::string::npos) << error;
}

}  // namespace
