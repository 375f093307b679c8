// The single-instance guard run by the main window's creation handler.
#ifndef KORVANE_APP_INSTANCE_GUARD_H_
#define KORVANE_APP_INSTANCE_GUARD_H_

#include <QString>

namespace korvane {

// True when this copy of the program may go on under `instance_name`.
// The guard against a second copy comes with its own change; until then every
// copy may go on.
bool single_instance_guard(const QString& instance_name);

}  // namespace korvane

#endif  // KORVANE_APP_INSTANCE_GUARD_H_
