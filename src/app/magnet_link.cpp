#include "app/magnet_link.h"

#include <algorithm>

#include "search/result_row.h"

namespace korvane {
namespace {

bool is_hex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool is_base32(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '2' && c <= '7');
}

}  // namespace

bool is_well_formed_magnet(std::string_view link) {
  if (!link.starts_with(kMagnetPrefix)) return false;
  const std::string_view hash = link.substr(kMagnetPrefix.size());
  if (hash.size() == 40) return std::all_of(hash.begin(), hash.end(), is_hex);
  if (hash.size() == 32) return std::all_of(hash.begin(), hash.end(), is_base32);
  return false;
}

}  // namespace korvane
