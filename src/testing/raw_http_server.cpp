#include "testing/raw_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace korvane::test_servers {
namespace {

constexpr int kPollMilliseconds = 20;

bool same_ignoring_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

std::vector<std::string> request_head_lines(std::string_view request) {
  std::vector<std::string> lines;
  size_t end = request.find("\r\n\r\n");
  std::string_view head = request.substr(0, end);
  size_t start = 0;
  while (start <= head.size()) {
    size_t next = head.find("\r\n", start);
    if (next == std::string_view::npos) next = head.size();
    lines.emplace_back(head.substr(start, next - start));
    start = next + 2;
  }
  return lines;
}

std::string header_value(std::string_view message, std::string_view name) {
  std::vector<std::string> lines = request_head_lines(message);
  for (size_t i = 1; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    size_t colon = line.find(':');
    if (colon == std::string_view::npos || !same_ignoring_case(line.substr(0, colon), name)) {
      continue;
    }
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    return std::string(value);
  }
  return "";
}

RawHttpServer::Connection::~Connection() { close(); }

void RawHttpServer::Connection::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool RawHttpServer::Connection::wait_readable() {
  while (fd_ >= 0 && !server_->stopping()) {
    pollfd entry{fd_, POLLIN, 0};
    int ready = ::poll(&entry, 1, kPollMilliseconds);
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
  }
  return false;
}

std::string RawHttpServer::Connection::read_request() {
  std::string data = std::move(pending_);
  pending_.clear();
  size_t head_end;
  size_t wanted = std::string::npos;
  for (;;) {
    head_end = data.find("\r\n\r\n");
    if (head_end != std::string::npos && wanted == std::string::npos) {
      std::string length = header_value(data.substr(0, head_end + 4), "Content-Length");
      wanted = head_end + 4 + (length.empty() ? 0 : std::strtoul(length.c_str(), nullptr, 10));
    }
    if (wanted != std::string::npos && data.size() >= wanted) break;
    if (!wait_readable()) return "";
    char buffer[16384];
    ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
    if (got <= 0) return "";
    data.append(buffer, static_cast<size_t>(got));
  }
  pending_ = data.substr(wanted);
  data.resize(wanted);
  server_->record(data);
  return data;
}

bool RawHttpServer::Connection::send(std::string_view bytes) {
  while (!bytes.empty() && fd_ >= 0) {
    ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(sent));
  }
  return bytes.empty();
}

void RawHttpServer::Connection::wait_until_closed() {
  while (wait_readable()) {
    char buffer[4096];
    if (::recv(fd_, buffer, sizeof buffer, 0) <= 0) return;
  }
}

RawHttpServer::RawHttpServer(Handler handler) : handler_(std::move(handler)) {
  listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (listen_fd_ < 0 || ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      ::listen(listen_fd_, 64) != 0 ||
      ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    std::perror("RawHttpServer");
    std::abort();
  }
  port_ = ntohs(address.sin_port);
  accept_thread_ = std::thread([this] { accept_loop(); });
}

RawHttpServer::~RawHttpServer() {
  stopping_ = true;
  accept_thread_.join();
  for (std::thread& thread : connection_threads_) thread.join();
  ::close(listen_fd_);
}

RawHttpServer::Handler RawHttpServer::respond_with(std::string response) {
  return [response = std::move(response)](Connection& connection) {
    if (connection.read_request().empty()) return;
    connection.send(response);
  };
}

std::string RawHttpServer::url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<std::string> RawHttpServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

bool RawHttpServer::wait_for_requests(size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return request_read_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

void RawHttpServer::record(std::string request) {
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(std::move(request));
  }
  request_read_.notify_all();
}

void RawHttpServer::accept_loop() {
  while (!stopping_) {
    pollfd entry{listen_fd_, POLLIN, 0};
    if (::poll(&entry, 1, kPollMilliseconds) <= 0) continue;
    int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    ++accepted_;
    connection_threads_.emplace_back([this, fd] {
      Connection connection(fd, this);
      handler_(connection);
    });
  }
}

}  // namespace korvane::test_servers
