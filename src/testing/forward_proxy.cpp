#include "testing/forward_proxy.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cctype>
#include <string_view>

namespace korvane::test_servers {
namespace {

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i]))) {
      return false;
    }
  }
  return true;
}

// A connected socket to host:port, or -1.
int connect_to(const std::string& host, const std::string& port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0) return -1;
  int fd = -1;
  for (addrinfo* entry = found; entry != nullptr && fd < 0; entry = entry->ai_next) {
    fd = ::socket(entry->ai_family, entry->ai_socktype | SOCK_CLOEXEC, entry->ai_protocol);
    if (fd >= 0 && ::connect(fd, entry->ai_addr, entry->ai_addrlen) != 0) {
      ::close(fd);
      fd = -1;
    }
  }
  ::freeaddrinfo(found);
  if (fd >= 0) {
    timeval limit{10, 0};  // a stalled origin must not hold the proxy forever
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  }
  return fd;
}

bool send_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(sent));
  }
  return true;
}

// Rewrites an absolute-form request for its origin; sets host and port.
std::string origin_request(std::string_view request, std::string* host, std::string* port) {
  std::vector<std::string> lines = request_head_lines(request);
  std::string_view line = lines[0];
  size_t method_end = line.find(' ');
  size_t target_end = line.rfind(' ');
  std::string_view target = line.substr(method_end + 1, target_end - method_end - 1);
  target.remove_prefix(std::string_view("http://").size());
  size_t path_start = target.find('/');
  std::string_view authority = target.substr(0, path_start);
  std::string path(path_start == std::string_view::npos ? "/" : target.substr(path_start));
  size_t colon = authority.rfind(':');
  *host = std::string(authority.substr(0, colon));
  *port = colon == std::string_view::npos ? "80" : std::string(authority.substr(colon + 1));

  std::string out = std::string(line.substr(0, method_end)) + " " + path + " " +
                    std::string(line.substr(target_end + 1)) + "\r\n";
  for (size_t i = 1; i < lines.size(); ++i) {
    if (starts_with_ignoring_case(lines[i], "Proxy-") ||
        starts_with_ignoring_case(lines[i], "Connection:")) {
      continue;
    }
    out += lines[i] + "\r\n";
  }
  out += "Connection: close\r\n\r\n";
  out += request.substr(request.find("\r\n\r\n") + 4);
  return out;
}

void forward(RawHttpServer::Connection& client) {
  std::string request = client.read_request();
  if (request.empty()) return;
  if (request.starts_with("CONNECT ")) {
    client.send("HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n");
    return;
  }
  std::string host;
  std::string port;
  std::string upstream_request = origin_request(request, &host, &port);
  int upstream = connect_to(host, port);
  if (upstream < 0 || !send_all(upstream, upstream_request)) {
    client.send("HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n");
  } else {
    char buffer[16384];
    ssize_t got;
    while ((got = ::recv(upstream, buffer, sizeof buffer, 0)) > 0) {
      if (!client.send(std::string_view(buffer, static_cast<size_t>(got)))) break;
    }
  }
  if (upstream >= 0) ::close(upstream);
}

}  // namespace

ForwardProxy::ForwardProxy() : server_(forward) {}

std::string ForwardProxy::address() const { return "127.0.0.1:" + std::to_string(port()); }

std::vector<ForwardProxy::Seen> ForwardProxy::requests() const {
  std::vector<Seen> seen;
  for (const std::string& request : server_.requests()) {
    seen.push_back({request_head_lines(request)[0], header_value(request, "Proxy-Authorization")});
  }
  return seen;
}

}  // namespace korvane::test_servers
