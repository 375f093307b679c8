#include "testing/local_http_server.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace korvane::testing {

LocalHttpServer::LocalHttpServer(const std::function<void(httplib::Server&)>& set_routes) {
  set_routes(server_);
  server_.set_keep_alive_max_count(1);
  port_ = server_.bind_to_any_port("127.0.0.1");
  if (port_ <= 0) {
    std::fputs("LocalHttpServer: cannot bind to 127.0.0.1\n", stderr);
    std::abort();
  }
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

LocalHttpServer::~LocalHttpServer() {
  server_.stop();
  thread_.join();
}

std::string LocalHttpServer::host() const { return "127.0.0.1:" + std::to_string(port_); }

std::string LocalHttpServer::url(std::string_view path) const {
  return "http://" + host() + std::string(path);
}

}  // namespace korvane::testing
