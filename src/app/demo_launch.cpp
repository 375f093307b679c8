#include "app/demo_launch.h"

namespace korvane {

struct DemoLaunch::Sites {};

DemoLaunch::DemoLaunch() = default;
DemoLaunch::~DemoLaunch() = default;

bool DemoLaunch::start(int engine_count, HostOverrides& hosts, QString& error) {
  (void)engine_count;
  (void)hosts;
  error = QStringLiteral("this build has no demo sites");
  return false;
}

}  // namespace korvane
