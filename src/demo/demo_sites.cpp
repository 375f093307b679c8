#include "demo/demo_sites.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace korvane {
namespace {

constexpr const char* kHtml = "text/html; charset=gbk";
constexpr const char* kPlain = "text/plain; charset=utf-8";
constexpr const char* kBindAddress = "127.0.0.1";
// Enough workers for a search's five page threads and many stalled pages.
constexpr size_t kWorkerThreads = 64;

bool contains_ignoring_ascii_case(std::string_view text, std::string_view word) {
  auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
  auto it = std::search(text.begin(), text.end(), word.begin(), word.end(),
                        [&](char a, char b) { return lower(a) == lower(b); });
  return it != text.end();
}

void answer(httplib::Response& res, int status, const std::string& text) {
  res.status = status;
  res.set_content(text, kPlain);
}

// Sends the head and half of the body, then gives up: the connection closes
// with the body short of its announced length.
void answer_cut_short(httplib::Response& res, std::string body) {
  res.status = 200;
  const size_t length = body.size();
  res.set_content_provider(
      length, kHtml, [body = std::move(body)](size_t offset, size_t, httplib::DataSink& sink) {
        if (offset > 0) return false;
        sink.write(body.data(), body.size() / 2);
        return true;
      });
}

}  // namespace

struct DemoSites::Server {
  explicit Server(DemoOptions o) : options(std::move(o)) {}

  DemoOptions options;
  httplib::Server http;
  std::thread thread;
  std::atomic<bool> listen_ended{false};
  int port = 0;

  mutable std::mutex mutex;
  std::condition_variable stopping_changed;
  bool stopping = false;
  bool running = false;
  int stalled = 0;
  std::vector<DemoPageRequest> log;

  int hits_for(int engine, std::string_view keyword) const {
    if (!options.no_hits_word.empty() &&
        contains_ignoring_ascii_case(keyword, options.no_hits_word)) {
      return 0;
    }
    return options.hits[static_cast<size_t>(engine - 1)];
  }

  // Waits for `delay` (forever when nullopt) or until stop(); false when
  // stop() ended the wait.
  bool hold(std::optional<std::chrono::milliseconds> delay, bool count_as_stalled) {
    std::unique_lock lock(mutex);
    if (count_as_stalled) ++stalled;
    const auto stopped = [this] { return stopping; };
    if (delay) {
      stopping_changed.wait_for(lock, *delay, stopped);
    } else {
      stopping_changed.wait(lock, stopped);
    }
    if (count_as_stalled) --stalled;
    return !stopping;
  }

  void handle(const httplib::Request& req, httplib::Response& res) {
    if (req.method != "GET" && req.method != "HEAD") return answer(res, 405, "GET only\n");
    std::optional<DemoPageRequest> page = parse_demo_target(req.target);
    if (!page) return answer(res, 404, "no such page\n");
    {
      std::lock_guard lock(mutex);
      log.push_back(*page);
    }
    if (options.stall_pages.contains(page->page)) {
      hold(std::nullopt, true);
      return answer(res, 503, "stopping\n");
    }
    if (options.latency.count() > 0 && !hold(options.latency, false)) {
      return answer(res, 503, "stopping\n");
    }
    if (options.fail_pages.contains(page->page)) return answer(res, 500, "server error\n");
    std::string body =
        demo_page(page->engine, page->keyword, page->page, hits_for(page->engine, page->keyword));
    if (options.drop_pages.contains(page->page)) return answer_cut_short(res, std::move(body));
    res.status = 200;
    res.set_content(std::move(body), kHtml);
  }
};

DemoSites::DemoSites() = default;

DemoSites::~DemoSites() { stop(); }

bool DemoSites::start(DemoOptions options, int port) {
  stop();
  auto server = std::make_unique<Server>(std::move(options));
  Server& s = *server;
  s.http.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
  s.http.set_keep_alive_timeout(1);
  // The library's default adds SO_REUSEPORT, with which a second server binds
  // a port already in use and silently takes part of its connections.
  s.http.set_socket_options([](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  s.http.set_pre_routing_handler([&s](const httplib::Request& req, httplib::Response& res) {
    s.handle(req, res);
    return httplib::Server::HandlerResponse::Handled;
  });
  const int bound = port == 0 ? s.http.bind_to_any_port(kBindAddress)
                              : (s.http.bind_to_port(kBindAddress, port) ? port : -1);
  if (bound <= 0) {
    server_.reset();
    return false;
  }
  s.port = bound;
  s.thread = std::thread([&s] {
    s.http.listen_after_bind();
    s.listen_ended = true;
  });
  // stop() only reaches a server whose accept loop has begun.
  while (!s.http.is_running() && !s.listen_ended) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  s.running = !s.listen_ended;
  server_ = std::move(server);
  if (!server_->running) {
    server_->thread.join();
    server_.reset();
    return false;
  }
  return true;
}

void DemoSites::stop() {
  if (!server_ || !server_->thread.joinable()) return;
  {
    std::lock_guard lock(server_->mutex);
    server_->stopping = true;
    server_->running = false;
  }
  server_->stopping_changed.notify_all();
  server_->http.stop();
  server_->thread.join();
}

bool DemoSites::running() const {
  if (!server_) return false;
  std::lock_guard lock(server_->mutex);
  return server_->running;
}

int DemoSites::port() const { return running() ? server_->port : 0; }

std::string DemoSites::host() const {
  return running() ? std::string(kBindAddress) + ":" + std::to_string(server_->port) : "";
}

HostOverrides DemoSites::host_overrides() const {
  HostOverrides hosts;
  for (int engine = 1; engine <= kDemoEngineCount; ++engine) hosts[engine] = host();
  return hosts;
}

std::vector<DemoPageRequest> DemoSites::request_log() const {
  if (!server_) return {};
  std::lock_guard lock(server_->mutex);
  return server_->log;
}

int DemoSites::fetch_count(int engine, std::string_view keyword, int page) const {
  if (!server_) return 0;
  std::lock_guard lock(server_->mutex);
  return static_cast<int>(std::count_if(server_->log.begin(), server_->log.end(), [&](auto& r) {
    return r.engine == engine && r.keyword == keyword && r.page == page;
  }));
}

int DemoSites::stalled_requests() const {
  if (!server_) return 0;
  std::lock_guard lock(server_->mutex);
  return server_->stalled;
}

}  // namespace korvane
