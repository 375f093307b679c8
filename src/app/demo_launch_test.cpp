#include "app/demo_launch.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

TEST(DemoLaunch, PointsEveryEngineAtTheDemoSitesOnLoopback) {
  DemoLaunch demo;
  HostOverrides hosts;
  QString error;
  ASSERT_TRUE(demo.start(3, hosts, error)) << error.toStdString();
  ASSERT_EQ(hosts.size(), 3u);
  for (const auto& [engine, host] : hosts) {
    EXPECT_TRUE(host.starts_with("127.0.0.1:")) << engine << " " << host;
    EXPECT_EQ(host, hosts.at(1));
  }
}

}  // namespace
}  // namespace korvane
