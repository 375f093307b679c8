#include "app/instance_guard.h"

namespace korvane {

bool single_instance_guard(const QString& instance_name) {
  (void)instance_name;
  return true;
}

}  // namespace korvane
