// A cpp-httplib server on 127.0.0.1 at a port chosen by the system, serving
// on a thread of its own from construction to destruction.
//
// The routes are set by the function given to the constructor, before the
// server starts. Each connection carries one request (the server closes it
// after answering), so the destructor never waits for idle keep-alive
// connections of the clients.
#ifndef KORVANE_TESTING_LOCAL_HTTP_SERVER_H_
#define KORVANE_TESTING_LOCAL_HTTP_SERVER_H_

#include <httplib.h>

#include <functional>
#include <string>
#include <string_view>
#include <thread>

namespace korvane::testing {

class LocalHttpServer {
 public:
  explicit LocalHttpServer(const std::function<void(httplib::Server&)>& set_routes);
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;
  ~LocalHttpServer();

  int port() const { return port_; }
  // "127.0.0.1:PORT".
  std::string host() const;
  // "http://127.0.0.1:PORT" followed by `path`.
  std::string url(std::string_view path = "/") const;

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
};

}  // namespace korvane::testing

#endif  // KORVANE_TESTING_LOCAL_HTTP_SERVER_H_
