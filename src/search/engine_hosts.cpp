#include "search/engine_hosts.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>

namespace korvane {
namespace {

bool host_char(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-' || c == '_';
}

bool valid_port(std::string_view port) {
  if (port.empty() || port.size() > 5) return false;
  int value = 0;
  for (char c : port) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return value >= 1 && value <= 65535;
}

// host, [v6-address], each with an optional :port.
bool valid_host(std::string_view text) {
  std::string_view name = text;
  std::string_view rest;
  if (text.starts_with('[')) {
    size_t close = text.find(']');
    if (close == std::string_view::npos || close == 1) return false;
    for (char c : text.substr(1, close - 1)) {
      if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ':' && c != '.') return false;
    }
    rest = text.substr(close + 1);
    if (rest.empty()) return true;
    return rest.front() == ':' && valid_port(rest.substr(1));
  }
  size_t colon = text.find(':');
  if (colon != std::string_view::npos) {
    name = text.substr(0, colon);
    if (!valid_port(text.substr(colon + 1))) return false;
  }
  if (name.empty()) return false;
  for (char c : name) {
    if (!host_char(c)) return false;
  }
  return true;
}

std::string config_path() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    return std::string(xdg) + "/korvane/engines.json";
  }
  if (const char* home = std::getenv("HOME"); home && *home) {
    return std::string(home) + "/.config/korvane/engines.json";
  }
  return "";
}

}  // namespace

bool parse_host_override(std::string_view text, int engine_count, HostOverrides& out) {
  size_t equals = text.find('=');
  if (equals == std::string_view::npos || equals != 1) return false;
  int number = text[0] - '0';
  if (number < 1 || number > engine_count) return false;
  std::string_view host = text.substr(equals + 1);
  if (!valid_host(host)) return false;
  out[number] = std::string(host);
  return true;
}

HostOverrides hosts_from_environment(int engine_count) {
  HostOverrides out;
  for (int n = 1; n <= engine_count; ++n) {
    std::string name = "KORVANE_ENGINE" + std::to_string(n) + "_HOST";
    const char* value = std::getenv(name.c_str());
    if (value && valid_host(value)) out[n] = value;
  }
  return out;
}

HostOverrides hosts_from_config_file(const std::string& path, int engine_count) {
  HostOverrides out;
  std::ifstream in(path);
  if (!in) return out;
  nlohmann::json doc = nlohmann::json::parse(in, nullptr, /*allow_exceptions=*/false);
  if (!doc.is_object() || !doc.contains("hosts") || !doc["hosts"].is_object()) return out;
  for (const auto& [key, value] : doc["hosts"].items()) {
    if (value.is_string())
      parse_host_override(key + "=" + value.get<std::string>(), engine_count, out);
  }
  return out;
}

void apply_host_overrides(EngineCatalogue& engines, const HostOverrides& overrides) {
  for (const auto& [number, host] : overrides) {
    if (number >= 1 && number <= static_cast<int>(engines.size())) engines[number - 1].host = host;
  }
}

EngineCatalogue configured_engines() {
  EngineCatalogue engines = builtin_engines();
  const int count = static_cast<int>(engines.size());
  if (std::string path = config_path(); !path.empty()) {
    apply_host_overrides(engines, hosts_from_config_file(path, count));
  }
  apply_host_overrides(engines, hosts_from_environment(count));
  return engines;
}

}  // namespace korvane
