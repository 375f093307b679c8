// A loopback HTTP forward proxy for tests. It records every request it gets,
// forwards an absolute-form request ("GET http://host:port/path HTTP/1.1") to
// its origin as an origin-form request without the Proxy-* lines, one request
// per connection, and answers CONNECT with 502 (it tunnels nothing).
// Thread-safety as RawHttpServer.
#ifndef KORVANE_TESTING_FORWARD_PROXY_H_
#define KORVANE_TESTING_FORWARD_PROXY_H_

#include <string>
#include <vector>

#include "testing/raw_http_server.h"

namespace korvane::test_servers {

class ForwardProxy {
 public:
  struct Seen {
    std::string request_line;         // as received, e.g. "GET http://127.0.0.1:80/ HTTP/1.1"
    std::string proxy_authorization;  // the Proxy-Authorization value, "" when absent
  };

  ForwardProxy();

  int port() const { return server_.port(); }
  // "127.0.0.1:PORT", as a proxy setting.
  std::string address() const;
  // Every request received so far, in order.
  std::vector<Seen> requests() const;

 private:
  RawHttpServer server_;
};

}  // namespace korvane::test_servers

#endif  // KORVANE_TESTING_FORWARD_PROXY_H_
