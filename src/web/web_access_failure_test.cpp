// How web_access() fails: unusable addresses, unreachable hosts, bad header
// text, missing or broken responses, time-outs, the body cap and cancelling.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "testing/local_http_server.h"
#include "testing/raw_http_server.h"
#include "web/web_access.h"

namespace korvane {
namespace {

using ::korvane::test_servers::LocalHttpServer;
using ::korvane::test_servers::LocalHttpsServer;
using ::korvane::test_servers::RawHttpServer;
using ::testing::HasSubstr;

using Connection = RawHttpServer::Connection;

// A response whose every field reads "keep", to show which fields a call wrote.
WebResponse kept_response() {
  return WebResponse{.returned_cookies = "keep",
                     .returned_headers = "keep",
                     .location = "keep",
                     .status_text = "keep",
                     .response_bytes = "keep",
                     .status_code = 1};
}

// Checks that a call failed with `code` and wrote nothing but its error.
void expect_failure(const std::string& page, const WebResponse& response, int code) {
  EXPECT_EQ(page, "");
  EXPECT_EQ(response.error_code, code);
  EXPECT_EQ(response.status_text, web_error_text(code));
  EXPECT_EQ(response.returned_cookies, "keep");
  EXPECT_EQ(response.returned_headers, "keep");
  EXPECT_EQ(response.location, "keep");
  EXPECT_EQ(response.response_bytes, "keep");
  EXPECT_EQ(response.status_code, 1);
}

TEST(WebAccessFailure, ErrorTextsAreTheNumberedOnes) {
  EXPECT_EQ(web_error_text(700), "700 当前系统不支持WinHttp服务!");
  EXPECT_EQ(web_error_text(701), "701 解析URL地址失败!");
  EXPECT_EQ(web_error_text(702), "702 创建WinHttp会话失败!");
  EXPECT_EQ(web_error_text(703), "703 创建WinHttp连接失败!");
  EXPECT_EQ(web_error_text(704), "704 创建WinHttp请求失败!");
  EXPECT_EQ(web_error_text(705), "705 设置超时时间失败!");
  EXPECT_EQ(web_error_text(706), "");
  EXPECT_EQ(web_error_text(707), "707 设置代理凭证失败!");
  EXPECT_EQ(web_error_text(708), "708 禁止自动设置Cookies失败!");
  EXPECT_EQ(web_error_text(709), "709 重定向设置失败!");
  EXPECT_EQ(web_error_text(710), "710 设置协议头失败!");
  EXPECT_EQ(web_error_text(711), "711 发送请求失败!");
  EXPECT_EQ(web_error_text(712), "712 服务器未响应!");
  EXPECT_EQ(web_error_text(713), "713 读取数据失败!");
}

TEST(WebAccessFailure, UnusableAddresses) {
  const std::string addresses[] = {
      "",
      "not a url",
      "127.0.0.1/x",
      "ftp://127.0.0.1/",
      "file:///etc/passwd",
      "http://",
      "http://[::1",
      "http://127.0.0.1/a b",
      "http://127.0.0.1/a\r\nX-Injected: 1",
      std::string("http://127.0.0.1/a\0b", 20),
  };
  for (const std::string& url : addresses) {
    WebResponse response = kept_response();
    std::string page = web_access(WebRequest{.url = url}, &response);
    SCOPED_TRACE(url);
    expect_failure(page, response, kWebBadUrl);
  }
}

// A port on 127.0.0.1 where nothing listens.
int closed_port() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), size);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  ::close(fd);
  return ntohs(address.sin_port);
}

TEST(WebAccessFailure, UnreachableHosts) {
  const std::string addresses[] = {
      "http://127.0.0.1:" + std::to_string(closed_port()) + "/",
      "http://korvane.invalid/",
  };
  for (const std::string& url : addresses) {
    WebResponse response = kept_response();
    std::string page = web_access(WebRequest{.url = url, .timeout_seconds = 2}, &response);
    SCOPED_TRACE(url);
    expect_failure(page, response, kWebNoConnection);
  }
}

TEST(WebAccessFailure, UntrustedCertificateIs703) {
  std::atomic<bool> served{false};
  LocalHttpsServer server([&](httplib::Server& s) {
    s.Get("/", [&](const httplib::Request&, httplib::Response& res) {
      served = true;
      res.set_content("secret", "text/plain");
    });
  });
  WebResponse response = kept_response();
  expect_failure(web_access(WebRequest{.url = server.url("/")}, &response), response,
                 kWebNoConnection);
  EXPECT_FALSE(served);
}

TEST(WebAccessFailure, UnreachableProxy) {
  RawHttpServer origin(RawHttpServer::respond_with("HTTP/1.1 200 OK\r\n\r\n"));
  WebRequest request{.url = origin.url("/"), .proxy = "127.0.0.1:" + std::to_string(closed_port())};
  WebResponse response = kept_response();
  expect_failure(web_access(request, &response), response, kWebNoConnection);
  EXPECT_EQ(origin.connections_accepted(), 0);
}

TEST(WebAccessFailure, MalformedHeaderText) {
  RawHttpServer server(RawHttpServer::respond_with("HTTP/1.1 200 OK\r\n\r\n"));
  for (const char* extra : {"NoColon", ": no name", "X A: 1", "X-A: 1\nX-B: 2", "X-A: 1\rX-B"}) {
    WebResponse response = kept_response();
    std::string page =
        web_access(WebRequest{.url = server.url("/"), .extra_headers = extra}, &response);
    SCOPED_TRACE(extra);
    expect_failure(page, response, kWebBadHeaders);
  }
  EXPECT_EQ(server.connections_accepted(), 0);
}

TEST(WebAccessFailure, EmptyLinesInHeaderTextAreSkipped) {
  RawHttpServer server(
      RawHttpServer::respond_with("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"));
  WebRequest request{.url = server.url("/"), .extra_headers = "X-A: 1\r\n\r\nX-B: 2\r\n"};
  EXPECT_EQ(web_access(request), "ok");
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_THAT(server.requests()[0], HasSubstr("\r\nX-A: 1\r\nX-B: 2\r\n"));
}

// Server behaviours, each reading the request first.
void close_without_answer(Connection& c) { c.read_request(); }

void answer_no_http(Connection& c) {
  c.read_request();
  c.send("garbage\r\n\r\n");
}

void stall_before_answer(Connection& c) {
  c.read_request();
  c.wait_until_closed();
}

void stall_inside_headers(Connection& c) {
  c.read_request();
  c.send("HTTP/1.1 200 OK\r\nContent-Le");
  c.wait_until_closed();
}

void close_inside_headers(Connection& c) {
  c.read_request();
  c.send("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n");
}

// A redirect's body is not the final body: a stall there means no response.
void stall_in_followed_redirect(Connection& c) {
  c.read_request();
  c.send("HTTP/1.1 302 Found\r\nLocation: /next\r\nContent-Length: 9\r\n\r\nmov");
  c.wait_until_closed();
}

constexpr char kPartialHead[] =
    "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; Path=/\r\nLocation: /next\r\nContent-Length: 100\r\n\r\n";
constexpr char kChunkedHead[] =
    "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; Path=/\r\nLocation: /next\r\n"
    "Transfer-Encoding: chunked\r\n\r\n";

void close_mid_body(Connection& c) {
  c.read_request();
  c.send(kPartialHead);
  c.send("part");
}

void stall_mid_body(Connection& c) {
  close_mid_body(c);
  c.wait_until_closed();
}

void close_mid_chunks(Connection& c) {
  c.read_request();
  c.send(kChunkedHead);
  c.send("4\r\npart\r\n1");
}

struct BrokenServer {
  const char* name;
  void (*handler)(Connection&);
};

void PrintTo(const BrokenServer& c, std::ostream* os) { *os << c.name; }

std::string case_name(const ::testing::TestParamInfo<BrokenServer>& info) {
  return info.param.name;
}

class NoResponse : public ::testing::TestWithParam<BrokenServer> {};

TEST_P(NoResponse, Is712) {
  RawHttpServer server(GetParam().handler);
  WebResponse response = kept_response();
  std::string page =
      web_access(WebRequest{.url = server.url("/"), .timeout_seconds = 1}, &response);
  expect_failure(page, response, kWebNoResponse);
}

INSTANTIATE_TEST_SUITE_P(
    WebAccess, NoResponse,
    ::testing::Values(BrokenServer{"closes_without_answer", close_without_answer},
                      BrokenServer{"answers_no_http", answer_no_http},
                      BrokenServer{"stalls_before_answer", stall_before_answer},
                      BrokenServer{"stalls_inside_headers", stall_inside_headers},
                      BrokenServer{"closes_inside_headers", close_inside_headers},
                      BrokenServer{"stalls_in_followed_redirect", stall_in_followed_redirect}),
    case_name);

class BrokenBody : public ::testing::TestWithParam<BrokenServer> {};

// The body read so far still gives headers, cookies and page text; the status
// text is the response's.
TEST_P(BrokenBody, Is713WithThePartialPage) {
  RawHttpServer server(GetParam().handler);
  WebResponse response;
  std::string page =
      web_access(WebRequest{.url = server.url("/"), .timeout_seconds = 1}, &response);
  EXPECT_EQ(page, "part");
  EXPECT_EQ(response.error_code, kWebReadFailed);
  EXPECT_EQ(response.status_text, "200 OK");
  EXPECT_EQ(response.response_bytes, "part");
  EXPECT_EQ(response.returned_cookies, "a=1");
  EXPECT_EQ(response.location, "/next");
}

INSTANTIATE_TEST_SUITE_P(WebAccess, BrokenBody,
                         ::testing::Values(BrokenServer{"closes_mid_body", close_mid_body},
                                           BrokenServer{"stalls_mid_body", stall_mid_body},
                                           BrokenServer{"closes_mid_chunks", close_mid_chunks}),
                         case_name);

TEST(WebAccessFailure, ConnectionResetWhileSendingIs711) {
  RawHttpServer server([](Connection& c) {
    char head[1024];
    ::recv(c.fd(), head, sizeof head, 0);  // closing with unread bytes resets
  });
  WebRequest request{.url = server.url("/"), .method = 1, .post_data = std::string(32 << 20, 'x')};
  WebResponse response = kept_response();
  expect_failure(web_access(request, &response), response, kWebSendFailed);
}

TEST(WebAccessFailure, SlowButSteadyBodyIsNoTimeout) {
  RawHttpServer server([](Connection& c) {
    c.read_request();
    c.send("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n");
    for (char byte : std::string("slow")) {
      std::this_thread::sleep_for(std::chrono::milliseconds(400));
      c.send(std::string(1, byte));
    }
  });
  WebResponse response;
  EXPECT_EQ(web_access(WebRequest{.url = server.url("/"), .timeout_seconds = 1}, &response),
            "slow");
  EXPECT_EQ(response.error_code, 0);
}

struct CapCase {
  const char* name;
  bool chunked;
  size_t max_body_bytes;
  int error_code;
};

void PrintTo(const CapCase& c, std::ostream* os) { *os << c.name; }

class BodyCap : public ::testing::TestWithParam<CapCase> {};

TEST_P(BodyCap, StopsALargerBodyAfterTheCap) {
  const CapCase& c = GetParam();
  const std::string body(1000, 'x');
  LocalHttpServer server([&](httplib::Server& s) {
    s.Get("/", [&](const httplib::Request&, httplib::Response& res) {
      if (!c.chunked) return res.set_content(body, "text/plain");
      res.set_chunked_content_provider("text/plain", [&](size_t, httplib::DataSink& sink) {
        for (size_t i = 0; i < body.size(); i += 100) sink.write(body.data() + i, 100);
        sink.done();
        return true;
      });
    });
  });
  WebRequest request{.url = server.url("/"), .max_body_bytes = c.max_body_bytes};
  WebResponse response;
  std::string page = web_access(request, &response);
  size_t kept = std::min(body.size(), c.max_body_bytes);
  EXPECT_EQ(response.error_code, c.error_code);
  EXPECT_EQ(response.status_text, "200 OK");
  EXPECT_EQ(response.response_bytes, body.substr(0, kept));
  EXPECT_EQ(page, body.substr(0, kept));
}

INSTANTIATE_TEST_SUITE_P(WebAccess, BodyCap,
                         ::testing::Values(CapCase{"length_over_cap", false, 150, kWebReadFailed},
                                           CapCase{"chunked_over_cap", true, 150, kWebReadFailed},
                                           CapCase{"length_at_cap", false, 1000, 0},
                                           CapCase{"chunked_at_cap", true, 1000, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// Sets `flag` once `ready` returns true, checking every 10 ms.
std::jthread set_when(std::atomic<bool>* flag, std::function<bool()> ready) {
  return std::jthread([flag, ready = std::move(ready)](std::stop_token stop) {
    while (!stop.stop_requested() && !ready()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    *flag = true;
  });
}

// Cancelling ends a stalled call long before its 60-second time-out.
constexpr auto kWellBeforeTimeout = std::chrono::seconds(30);

TEST(WebAccessCancel, AbortsAStallBeforeTheAnswerAs712) {
  RawHttpServer server([](Connection& c) {
    c.read_request();
    c.wait_until_closed();
  });
  std::atomic<bool> cancel{false};
  std::jthread canceller = set_when(&cancel, [&] { return !server.requests().empty(); });
  WebResponse response = kept_response();
  auto start = std::chrono::steady_clock::now();
  std::string page = web_access(
      WebRequest{.url = server.url("/"), .timeout_seconds = 60, .cancel = &cancel}, &response);
  EXPECT_LT(std::chrono::steady_clock::now() - start, kWellBeforeTimeout);
  expect_failure(page, response, kWebNoResponse);
}

TEST(WebAccessCancel, AbortsAStallMidBodyAs713WithoutOutputs) {
  std::atomic<bool> body_sent{false};
  RawHttpServer server([&](Connection& c) {
    c.read_request();
    c.send(kPartialHead);
    c.send("part");
    body_sent = true;
    c.wait_until_closed();
  });
  std::atomic<bool> cancel{false};
  std::jthread canceller = set_when(&cancel, [&] {
    // Give the client a moment to read what was sent.
    if (body_sent) std::this_thread::sleep_for(std::chrono::seconds(1));
    return body_sent.load();
  });
  WebResponse response = kept_response();
  auto start = std::chrono::steady_clock::now();
  std::string page = web_access(
      WebRequest{.url = server.url("/"), .timeout_seconds = 60, .cancel = &cancel}, &response);
  EXPECT_LT(std::chrono::steady_clock::now() - start, kWellBeforeTimeout);
  expect_failure(page, response, kWebReadFailed);
}

TEST(WebAccessCancel, AlreadySetFlagMakesNoConnection) {
  RawHttpServer server(RawHttpServer::respond_with("HTTP/1.1 200 OK\r\n\r\n"));
  std::atomic<bool> cancel{true};
  WebResponse response = kept_response();
  std::string page = web_access(WebRequest{.url = server.url("/"), .cancel = &cancel}, &response);
  expect_failure(page, response, kWebNoResponse);
  EXPECT_EQ(server.connections_accepted(), 0);
}

TEST(WebAccessFailure, ACallAfterAFailureStartsAfresh) {
  RawHttpServer server(
      RawHttpServer::respond_with("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"));
  WebResponse failed;
  web_access(WebRequest{.url = "http://127.0.0.1:" + std::to_string(closed_port()) + "/"}, &failed);
  ASSERT_EQ(failed.error_code, kWebNoConnection);
  web_access(WebRequest{.url = server.url("/"), .extra_headers = "bad"}, &failed);
  ASSERT_EQ(failed.error_code, kWebBadHeaders);
  WebResponse response;
  EXPECT_EQ(web_access(WebRequest{.url = server.url("/")}, &response), "ok");
  EXPECT_EQ(response.error_code, 0);
}

}  // namespace
}  // namespace korvane
