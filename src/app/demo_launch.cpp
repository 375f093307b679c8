#include "app/demo_launch.h"

#include "demo/demo_sites.h"

namespace korvane {

struct DemoLaunch::Sites {
  DemoSites sites;
};

DemoLaunch::DemoLaunch() = default;
DemoLaunch::~DemoLaunch() = default;

bool DemoLaunch::start(int engine_count, HostOverrides& hosts, QString& error) {
  sites_ = std::make_unique<Sites>();
  if (!sites_->sites.start()) {
    sites_.reset();
    error = QStringLiteral("the demo sites cannot listen on 127.0.0.1");
    return false;
  }
  for (const auto& [engine, host] : sites_->sites.host_overrides()) {
    if (engine <= engine_count) hosts[engine] = host;
  }
  return true;
}

}  // namespace korvane
