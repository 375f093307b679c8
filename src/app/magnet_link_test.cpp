#include "app/magnet_link.h"

#include <gtest/gtest.h>

#include <string>

namespace korvane {
namespace {

TEST(MagnetLink, OnlyTheBareHashFormsAreWellFormed) {
  const std::string hex40 = "0123456789abcdefABCDEF0123456789abcdef01";
  const std::string b32 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
  const std::string prefix = "magnet:?xt=urn:btih:";
  struct Case {
    std::string link;
    bool well_formed;
  };
  const Case cases[] = {
      {prefix + hex40, true},
      {prefix + b32, true},
      {prefix + "abcdefghijklmnopqrstuvwxyz234567", true},
      {"", false},
      {prefix, false},
      {prefix + hex40.substr(0, 39), false},
      {prefix + hex40 + "0", false},
      {prefix + hex40 + "&tr=http://example.org/announce", false},
      {prefix + hex40 + "\r\n", false},
      {prefix + " " + hex40.substr(1), false},
      {prefix + "0123456789abcdefABCDEF0123456789abcdefgg", false},
      {prefix + "ABCDEFGHIJKLMNOPQRSTUVWXYZ234518", false},  // 1 and 8 are no base-32 digits
      {"MAGNET:?xt=urn:btih:" + hex40, false},
      {"http://example.org/?" + prefix + hex40, false},
  };
  for (const Case& c : cases) EXPECT_EQ(is_well_formed_magnet(c.link), c.well_formed) << c.link;
}

}  // namespace
}  // namespace korvane
