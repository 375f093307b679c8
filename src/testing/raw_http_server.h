// A loopback TCP server for tests that need answers no well-behaved HTTP
// server gives: exact bytes, a stall, a connection closed mid-body.
//
// Each accepted connection runs the handler on a thread of its own. The
// destructor stops accepting, wakes every handler that waits on its peer and
// joins all threads. Member functions are safe to call from any thread.
#ifndef KORVANE_TESTING_RAW_HTTP_SERVER_H_
#define KORVANE_TESTING_RAW_HTTP_SERVER_H_

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace korvane::test_servers {

class RawHttpServer {
 public:
  // One accepted connection, used by the handler's thread only.
  class Connection {
   public:
    Connection(int fd, RawHttpServer* server) : fd_(fd), server_(server) {}
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    // Reads one request: the head up to the empty line and a body of its
    // Content-Length. Records it with the server. "" when the peer closes or
    // the server stops first.
    std::string read_request();
    // Sends all bytes; false when the peer is gone.
    bool send(std::string_view bytes);
    // Waits, reading and dropping whatever arrives, until the peer closes the
    // connection or the server stops. This is how a handler stalls.
    void wait_until_closed();
    // Closes the connection now (also done when the handler returns).
    void close();
    // The socket, for a handler that talks to it directly.
    int fd() const { return fd_; }

   private:
    // Waits for data; false on close, error or server stop.
    bool wait_readable();

    int fd_;
    RawHttpServer* server_;
    std::string pending_;  // bytes read past the last request
  };

  using Handler = std::function<void(Connection&)>;

  // Listens on 127.0.0.1 at a port chosen by the system. Aborts the test
  // program when no socket can be had.
  explicit RawHttpServer(Handler handler);
  RawHttpServer(const RawHttpServer&) = delete;
  RawHttpServer& operator=(const RawHttpServer&) = delete;
  ~RawHttpServer();

  // A handler that reads one request, sends `response` and closes.
  static Handler respond_with(std::string response);

  int port() const { return port_; }
  // "http://127.0.0.1:PORT" followed by `path`.
  std::string url(std::string_view path = "/") const;

  // Every request read so far, in order, as received.
  std::vector<std::string> requests() const;
  // Waits until `count` requests have been read; false after `timeout`.
  bool wait_for_requests(size_t count, std::chrono::milliseconds timeout) const;
  int connections_accepted() const { return accepted_.load(); }

  bool stopping() const { return stopping_.load(); }

 private:
  void accept_loop();
  void record(std::string request);

  Handler handler_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> accepted_{0};
  mutable std::mutex mutex_;
  mutable std::condition_variable request_read_;
  std::vector<std::string> requests_;
  std::vector<std::thread> connection_threads_;
  std::thread accept_thread_;
};

// The lines of a request head, without their CR LF, the request line first.
std::vector<std::string> request_head_lines(std::string_view request);
// The value of the first header `name` (any letter case) in a request or
// response head, without leading spaces; "" when absent.
std::string header_value(std::string_view message, std::string_view name);

}  // namespace korvane::test_servers

#endif  // KORVANE_TESTING_RAW_HTTP_SERVER_H_
