// cpp-httplib servers on 127.0.0.1 at a port chosen by the system, serving
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
#include <memory>
#include <string>
#include <string_view>
#include <thread>

namespace korvane::test_servers {

class LocalHttpServer {
 public:
  explicit LocalHttpServer(const std::function<void(httplib::Server&)>& set_routes);
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;
  virtual ~LocalHttpServer();

  int port() const { return port_; }
  // "127.0.0.1:PORT".
  std::string host() const;
  // "http://127.0.0.1:PORT" followed by `path` ("https://" for the TLS server).
  std::string url(std::string_view path = "/") const;

 protected:
  LocalHttpServer(std::unique_ptr<httplib::Server> server,
                  const std::function<void(httplib::Server&)>& set_routes, std::string scheme);

 private:
  void start(const std::function<void(httplib::Server&)>& set_routes);

  std::unique_ptr<httplib::Server> server_;
  std::string scheme_ = "http";
  int port_ = 0;
  std::thread thread_;
};

// The same over TLS, with a self-signed certificate for 127.0.0.1 made at
// construction, which no client trusts unless told to.
class LocalHttpsServer : public LocalHttpServer {
 public:
  explicit LocalHttpsServer(const std::function<void(httplib::Server&)>& set_routes);
};

}  // namespace korvane::test_servers

#endif  // KORVANE_TESTING_LOCAL_HTTP_SERVER_H_
