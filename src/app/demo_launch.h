// korvane --demo: the demo sites started inside the program on a loopback
// port, with every engine pointed at them.
#ifndef KORVANE_APP_DEMO_LAUNCH_H_
#define KORVANE_APP_DEMO_LAUNCH_H_

#include <QString>
#include <memory>

#include "search/engine_hosts.h"

namespace korvane {

class DemoLaunch {
 public:
  DemoLaunch();
  // Stops the demo sites.
  ~DemoLaunch();
  DemoLaunch(const DemoLaunch&) = delete;
  DemoLaunch& operator=(const DemoLaunch&) = delete;

  // Starts the demo sites and sets the host of each of the `engine_count`
  // engines in `hosts` to them. False with `error` set when they cannot run.
  bool start(int engine_count, HostOverrides& hosts, QString& error);

 private:
  struct Sites;
  std::unique_ptr<Sites> sites_;
};

}  // namespace korvane

#endif  // KORVANE_APP_DEMO_LAUNCH_H_
