#include "search/engine_hosts.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

namespace korvane {
namespace {

TEST(HostOverride, AcceptsHostsAndPortsOnly) {
  struct {
    const char* text;
    bool ok;
  } cases[] = {{"1=example.org", true},
               {"3=127.0.0.1:8080", true},
               {"2=[::1]:99", true},
               {"2=localhost", true},
               {"4=example.org", false},
               {"0=example.org", false},
               {"1=", false},
               {"1=a b", false},
               {"1=http://x", false},
               {"1=x/y", false},
               {"1=x:0", false},
               {"1=x:70000", false},
               {"example.org", false},
               {"12=x", false},
               {"1=x:", false}};
  for (const auto& c : cases) {
    HostOverrides out;
    EXPECT_EQ(parse_host_override(c.text, 3, out), c.ok) << c.text;
    EXPECT_EQ(out.size(), c.ok ? 1u : 0u) << c.text;
  }
}

TEST(HostOverride, FileThenEnvironmentThenCaller) {
  const auto dir = std::filesystem::temp_directory_path() / "korvane_hosts_test";
  std::filesystem::create_directories(dir / "korvane");
  std::ofstream(dir / "korvane" / "engines.json")
      << R"({"hosts": {"1": "file-one:81", "2": "file-two", "3": "bad host"}})";
  setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
  setenv("KORVANE_ENGINE2_HOST", "env-two:82", 1);
  unsetenv("KORVANE_ENGINE3_HOST");

  EngineCatalogue engines = configured_engines();
  EXPECT_EQ(engines[0].host, "file-one:81");
  EXPECT_EQ(engines[1].host, "env-two:82");
  EXPECT_EQ(engines[2].host, builtin_engines()[2].host);

  HostOverrides caller;
  ASSERT_TRUE(parse_host_override("2=cli-two", 3, caller));
  apply_host_overrides(engines, caller);
  EXPECT_EQ(engines[1].host, "cli-two");
  EXPECT_EQ(engines[1].label, "引擎2");

  unsetenv("KORVANE_ENGINE2_HOST");
  unsetenv("XDG_CONFIG_HOME");
  std::filesystem::remove_all(dir);
}

TEST(HostOverride, UnreadableFileGivesNothing) {
  EXPECT_TRUE(hosts_from_config_file("/nonexistent/engines.json", 3).empty());
  const auto path = std::filesystem::temp_directory_path() / "korvane_bad.json";
  std::ofstream(path) << "{not json";
  EXPECT_TRUE(hosts_from_config_file(path, 3).empty());
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace korvane
