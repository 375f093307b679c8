// The demo sites: a loopback web server that plays the three engine sites on
// one port, serving result pages in each engine's layout (see demo_pages.h)
// for any keyword, with optional latency and faults. Used by the front ends'
// --demo, by the korvane-demo-sites program, the tests and the benchmarks.
//
// Thread-safety: start(), stop() and the destructor are called by the one
// thread that owns the object. The readers (port, host, the request log) may
// be called from any thread while the server runs.
#ifndef KORVANE_DEMO_DEMO_SITES_H_
#define KORVANE_DEMO_DEMO_SITES_H_

#include <array>
#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "demo/demo_pages.h"
#include "search/engine_hosts.h"

namespace korvane {

struct DemoOptions {
  // Hits of engines 1, 2 and 3 for every keyword.
  std::array<int, kDemoEngineCount> hits = {137, 95, 64};
  // How long each page is held before it is answered.
  std::chrono::milliseconds latency{0};
  // Page numbers (of every engine and keyword) that fail: answered with HTTP
  // 500; answered with a body cut off midway and the connection closed; or
  // held until stop().
  std::set<int> fail_pages;
  std::set<int> drop_pages;
  std::set<int> stall_pages;
  // A keyword that contains this text (ASCII letters in any case) has no
  // hits: its pages carry no count markers. Empty: every keyword has hits.
  std::string no_hits_word = "nohits";
};

class DemoSites {
 public:
  DemoSites();
  ~DemoSites();  // stops the server
  DemoSites(const DemoSites&) = delete;
  DemoSites& operator=(const DemoSites&) = delete;

  // Listens on 127.0.0.1:port (0: an ephemeral port) and serves on threads of
  // its own; returns once connections are accepted, false when the port
  // cannot be bound. A running server is stopped first; the request log
  // starts empty.
  bool start(DemoOptions options = {}, int port = 0);

  // Releases stalled and delayed requests (they are answered with HTTP 503),
  // closes the port and joins every server thread. A connection kept alive
  // by a client may hold it up to a second. Does nothing when not running.
  void stop();

  bool running() const;
  // The port listened on; 0 when not running.
  int port() const;
  // "127.0.0.1:PORT", or "" when not running.
  std::string host() const;
  // Every engine pointed at host(), for apply_host_overrides.
  HostOverrides host_overrides() const;

  // The result-page requests received since start(), in arrival order
  // (requests for other paths are answered 404 and not logged).
  std::vector<DemoPageRequest> request_log() const;
  // How often page `page` of `engine` for `keyword` was requested.
  int fetch_count(int engine, std::string_view keyword, int page) const;
  // Requests held right now by a stall page.
  int stalled_requests() const;

 private:
  struct Server;
  std::unique_ptr<Server> server_;
};

}  // namespace korvane

#endif  // KORVANE_DEMO_DEMO_SITES_H_
