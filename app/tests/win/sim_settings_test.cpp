#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/win/sim_settings.h"

namespace {

TEST(SimSettings, CatalogueHostComesFromTheEnvironment) {
  SetEnvironmentVariableA("ZOR70_CATALOGUE_HOST", nullptr);
  EXPECT_EQ(CatalogueHostFromEnvironment("compiled.example"), "compiled.example");
  SetEnvironmentVariableA("ZOR70_CATALOGUE_HOST", "127.0.0.1:8070");
  EXPECT_EQ(CatalogueHostFromEnvironment("compiled.example"), "127.0.0.1:8070");
  SetEnvironmentVariableA("ZOR70_CATALOGUE_HOST", nullptr);
}

}  // namespace
