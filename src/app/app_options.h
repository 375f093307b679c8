// The command line of korvane.
#ifndef KORVANE_APP_APP_OPTIONS_H_
#define KORVANE_APP_APP_OPTIONS_H_

#include <QString>
#include <QStringList>

#include "search/engine_hosts.h"

namespace korvane {

struct AppOptions {
  bool demo = false;    // --demo: start the demo sites and search them
  HostOverrides hosts;  // --host N=HOST[:PORT], repeatable
};

// Reads `arguments` (the program name first). False with `error` set for an
// unknown option or a malformed --host; `engine_count` bounds N.
bool parse_app_options(const QStringList& arguments, int engine_count, AppOptions& options,
                       QString& error);

// The usage text for --help.
QString app_usage();

}  // namespace korvane

#endif  // KORVANE_APP_APP_OPTIONS_H_
