// Where the engines' hosts come from. The built-in hosts are placeholders; a
// user points an engine at its site with, from weakest to strongest, the
// configuration file, the environment (KORVANE_ENGINE1_HOST ...) or an
// override given by a front end (the command line's --host, the demo).
#ifndef KORVANE_SEARCH_ENGINE_HOSTS_H_
#define KORVANE_SEARCH_ENGINE_HOSTS_H_

#include <map>
#include <string>
#include <string_view>

#include "search/search_engine.h"

namespace korvane {

// Engine number (1-based) to host[:port].
using HostOverrides = std::map<int, std::string>;

// Reads "N=HOST[:PORT]"; false for anything else (N outside the catalogue,
// an empty host, a host with a path, spaces or a scheme).
bool parse_host_override(std::string_view text, int engine_count, HostOverrides& out);

// KORVANE_ENGINEn_HOST for each engine n that has it set and non-empty.
HostOverrides hosts_from_environment(int engine_count);

// The "hosts" object of a JSON file such as {"hosts": {"1": "example.org:8080"}};
// nothing for a missing or unreadable file, and invalid entries are skipped.
HostOverrides hosts_from_config_file(const std::string& path, int engine_count);

// Sets the host of each engine named in `overrides`.
void apply_host_overrides(EngineCatalogue& engines, const HostOverrides& overrides);

// The built-in engines with the hosts of $XDG_CONFIG_HOME/korvane/engines.json
// (else ~/.config/korvane/engines.json) and then of the environment applied.
EngineCatalogue configured_engines();

}  // namespace korvane

#endif  // KORVANE_SEARCH_ENGINE_HOSTS_H_
