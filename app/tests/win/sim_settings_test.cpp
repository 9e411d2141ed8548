#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/sim_settings.h"
#include "catalogue/catalogue_host.h"

namespace {

TEST(SimSettings, CatalogueHostComesFromTheEnvironment) {
  const std::string before = CatalogueHost();
  SetEnvironmentVariableA("ZOR70_CATALOGUE_HOST", nullptr);
  EXPECT_FALSE(UseCatalogueHostFromEnvironment());
  EXPECT_EQ(CatalogueHost(), before);

  SetEnvironmentVariableA("ZOR70_CATALOGUE_HOST", "127.0.0.1:8070");
  EXPECT_TRUE(UseCatalogueHostFromEnvironment());
  EXPECT_EQ(CatalogueHost(), "127.0.0.1:8070");
  EXPECT_EQ(CataloguePageUrl(), "http://127.0.0.1:8070/index.php?mod=dirtst");

  SetEnvironmentVariableA("ZOR70_CATALOGUE_HOST", nullptr);
  SetCatalogueHost(before);
}

}  // namespace
