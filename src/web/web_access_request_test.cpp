// What web_access() sends: header lines, methods and bodies, request targets,
// credentials and proxies.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "testing/forward_proxy.h"
#include "testing/local_http_server.h"
#include "testing/raw_http_server.h"
#include "web/web_access.h"

namespace korvane {
namespace {

using ::korvane::test_servers::ForwardProxy;
using ::korvane::test_servers::header_value;
using ::korvane::test_servers::LocalHttpServer;
using ::korvane::test_servers::RawHttpServer;
using ::korvane::test_servers::request_head_lines;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr char kOk[] = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";

const std::string kUserAgent =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)";
const std::string kAccept = "Accept: text/html, application/xhtml+xml, */*";
const std::string kEncoding = "Accept-Encoding: gbk, GB2312";
const std::string kLanguage = "Accept-Language: zh-cn";
const std::string kType = "Content-Type: application/x-www-form-urlencoded";
const std::string kCache = "Cache-Control: no-cache";

// Sends `request` to a server answering "ok" at `path` (unless request.url is
// set) and returns the request as the server received it.
std::string request_received(WebRequest request, std::string_view path = "/") {
  RawHttpServer server(RawHttpServer::respond_with(kOk));
  if (request.url.empty()) request.url = server.url(path);
  WebResponse response;
  web_access(request, &response);
  EXPECT_EQ(response.status_text, "200 OK");
  std::vector<std::string> requests = server.requests();
  return requests.empty() ? "" : requests.front();
}

// The header lines of a request, without the request line and the lines the
// transport adds (Host, Content-Length).
std::vector<std::string> header_lines(std::string_view request) {
  std::vector<std::string> lines = request_head_lines(request);
  std::erase_if(lines, [](const std::string& line) {
    return line.starts_with("Host:") || line.starts_with("Content-Length:");
  });
  if (!lines.empty()) lines.erase(lines.begin());
  return lines;
}

struct HeaderCase {
  const char* name;
  std::string extra_headers;
  const char* cookies;  // nullptr: not supplied
  std::vector<std::string> expected;
};

void PrintTo(const HeaderCase& c, std::ostream* os) { *os << c.name; }

class DefaultHeaders : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(DefaultHeaders, AreAppendedInOrderUnlessTheTextHasThem) {
  const HeaderCase& c = GetParam();
  WebRequest request;
  request.extra_headers = c.extra_headers;
  std::string cookies = c.cookies != nullptr ? c.cookies : "";
  if (c.cookies != nullptr) request.cookies = &cookies;
  EXPECT_THAT(header_lines(request_received(request)), ElementsAreArray(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    WebAccess, DefaultHeaders,
    ::testing::Values(
        HeaderCase{
            "none_given", "", nullptr, {kUserAgent, kAccept, kEncoding, kLanguage, kType, kCache}},
        HeaderCase{"user_agent_given",
                   "User-Agent: korvane",
                   nullptr,
                   {"User-Agent: korvane", kAccept, kEncoding, kLanguage, kType, kCache}},
        HeaderCase{"search_ignores_letter_case",
                   "accept-language: en",
                   nullptr,
                   {"accept-language: en", kUserAgent, kAccept, kEncoding, kType, kCache}},
        // The content-type search keeps letter case; the default line then
        // replaces the caller's line of the same name.
        HeaderCase{"lower_case_content_type",
                   "content-type: text/plain",
                   nullptr,
                   {kUserAgent, kAccept, kEncoding, kLanguage, kType, kCache}},
        HeaderCase{"content_type_given",
                   "Content-Type: text/plain",
                   nullptr,
                   {"Content-Type: text/plain", kUserAgent, kAccept, kEncoding, kLanguage, kCache}},
        HeaderCase{
            "several_lines_first",
            "X-One: 1\r\nAccept: text/plain",
            nullptr,
            {"X-One: 1", "Accept: text/plain", kUserAgent, kEncoding, kLanguage, kType, kCache}},
        HeaderCase{
            "search_covers_the_whole_text",
            "X-Note: Accept-Encoding: none",
            nullptr,
            {"X-Note: Accept-Encoding: none", kUserAgent, kAccept, kLanguage, kType, kCache}},
        HeaderCase{"later_line_of_same_name_wins",
                   "X-A: 1\r\nx-a: 2",
                   nullptr,
                   {"x-a: 2", kUserAgent, kAccept, kEncoding, kLanguage, kType, kCache}},
        HeaderCase{"empty_value_is_sent",
                   "X-Empty: ",
                   nullptr,
                   {"X-Empty:", kUserAgent, kAccept, kEncoding, kLanguage, kType, kCache}},
        HeaderCase{"cookie_line_last",
                   "",
                   "a=1; b=2",
                   {kUserAgent, kAccept, kEncoding, kLanguage, kType, kCache, "Cookie: a=1; b=2"}},
        HeaderCase{"empty_cookies_add_no_line",
                   "",
                   "",
                   {kUserAgent, kAccept, kEncoding, kLanguage, kType, kCache}},
        HeaderCase{"caller_cookie_line_wins",
                   "cookie: z=9",
                   "a=1",
                   {"cookie: z=9", kUserAgent, kAccept, kEncoding, kLanguage, kType, kCache}}),
    [](const auto& info) { return std::string(info.param.name); });

struct MethodCase {
  const char* name;
  int method;
  std::string post_data;
  std::string verb;
  std::string body_sent;
};

void PrintTo(const MethodCase& c, std::ostream* os) { *os << c.name; }

class Methods : public ::testing::TestWithParam<MethodCase> {};

TEST_P(Methods, SendTheirVerbAndBody) {
  const MethodCase& c = GetParam();
  WebRequest request;
  request.method = c.method;
  request.post_data = c.post_data;
  std::string received = request_received(request, "/m");
  ASSERT_FALSE(received.empty());
  EXPECT_EQ(request_head_lines(received)[0], c.verb + " /m HTTP/1.1");
  EXPECT_EQ(received.substr(received.find("\r\n\r\n") + 4), c.body_sent);
  EXPECT_EQ(header_value(received, "Expect"), "");
  if (c.verb == "POST" || c.verb == "PUT") {
    EXPECT_EQ(header_value(received, "Content-Length"), std::to_string(c.body_sent.size()));
  }
}

INSTANTIATE_TEST_SUITE_P(
    WebAccess, Methods,
    ::testing::Values(MethodCase{"get", 0, "", "GET", ""},
                      MethodCase{"post", 1, "a=1&b=2", "POST", "a=1&b=2"},
                      MethodCase{"post_with_zero_byte", 1, std::string("a\0b", 3), "POST",
                                 std::string("a\0b", 3)},
                      MethodCase{"post_large_body", 1, std::string(100000, 'x'), "POST",
                                 std::string(100000, 'x')},
                      MethodCase{"post_empty", 1, "", "POST", ""},
                      MethodCase{"head", 2, "", "HEAD", ""}, MethodCase{"put", 3, "x", "PUT", "x"},
                      MethodCase{"put_empty", 3, "", "PUT", ""},
                      MethodCase{"get_with_body", 0, "q=1", "GET", "q=1"},
                      MethodCase{"seven_is_get", 7, "", "GET", ""},
                      MethodCase{"negative_is_get", -1, "", "GET", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WebAccess, HeadReturnsHeadersAndNoText) {
  RawHttpServer server(RawHttpServer::respond_with(
      "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n"));
  WebRequest request{.url = server.url("/"), .method = 2};
  WebResponse response;
  EXPECT_EQ(web_access(request, &response), "");
  EXPECT_EQ(response.error_code, 0);
  EXPECT_EQ(response.status_text, "200 OK");
  EXPECT_THAT(response.returned_headers, HasSubstr("Content-Length: 1000\r\n"));
}

TEST(WebAccess, RequestTargetComesFromTheAddress) {
  RawHttpServer server(RawHttpServer::respond_with(kOk));
  std::string base = "http://127.0.0.1:" + std::to_string(server.port());
  struct {
    std::string url;
    std::string request_line;
  } cases[] = {
      {base, "GET / HTTP/1.1"},
      // The query of a path-less address is kept.
      {base + "?b=1", "GET /?b=1 HTTP/1.1"},
      {base + "/a?b=1", "GET /a?b=1 HTTP/1.1"},
      {base + "/a/%E4%B8%AD?k=%D6%D0", "GET /a/%E4%B8%AD?k=%D6%D0 HTTP/1.1"},
      {base + "/a#part", "GET /a HTTP/1.1"},
      {"HTTP://127.0.0.1:" + std::to_string(server.port()) + "/up", "GET /up HTTP/1.1"},
  };
  for (const auto& c : cases) {
    WebRequest request{.url = c.url};
    WebResponse response;
    EXPECT_EQ(web_access(request, &response), "ok") << c.url << " " << response.status_text;
  }
  std::vector<std::string> received = server.requests();
  ASSERT_EQ(received.size(), std::size(cases));
  for (size_t i = 0; i < received.size(); ++i) {
    EXPECT_EQ(request_head_lines(received[i])[0], cases[i].request_line) << cases[i].url;
    EXPECT_EQ(header_value(received[i], "Host"), "127.0.0.1:" + std::to_string(server.port()));
  }
}

TEST(WebAccess, SendsBasicCredentialsOnlyWhenBothAreGiven) {
  WebRequest both{.user_name = "user", .password = "pa:ss"};
  EXPECT_EQ(header_value(request_received(both), "Authorization"), "Basic dXNlcjpwYTpzcw==");
  WebRequest user_only{.user_name = "user"};
  EXPECT_EQ(header_value(request_received(user_only), "Authorization"), "");
  WebRequest password_only{.password = "pass"};
  EXPECT_EQ(header_value(request_received(password_only), "Authorization"), "");
}

TEST(WebAccess, GoesThroughTheProxyWithItsCredentials) {
  std::string origin_saw;
  LocalHttpServer origin([&](httplib::Server& server) {
    server.Get("/p", [&](const httplib::Request& req, httplib::Response& res) {
      origin_saw = req.get_header_value("User-Agent");
      res.set_content("via proxy", "text/plain");
    });
  });
  ForwardProxy proxy;
  WebRequest request{.url = origin.url("/p?q=1"),
                     .proxy = proxy.address(),
                     .proxy_user_name = "pu",
                     .proxy_password = "pp"};
  WebResponse response;
  EXPECT_EQ(web_access(request, &response), "via proxy") << response.status_text;
  ASSERT_EQ(proxy.requests().size(), 1u);
  EXPECT_EQ(proxy.requests()[0].request_line, "GET " + origin.url("/p?q=1") + " HTTP/1.1");
  EXPECT_EQ(proxy.requests()[0].proxy_authorization, "Basic cHU6cHA=");
  EXPECT_EQ(origin_saw, kUserAgent.substr(std::string_view("User-Agent: ").size()));
}

TEST(WebAccess, SendsProxyCredentialsOnlyWhenBothAreGiven) {
  LocalHttpServer origin([](httplib::Server& server) {
    server.Get("/", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("ok", "text/plain");
    });
  });
  ForwardProxy proxy;
  WebRequest request{.url = origin.url("/"), .proxy = proxy.address(), .proxy_user_name = "pu"};
  EXPECT_EQ(web_access(request), "ok");
  ASSERT_EQ(proxy.requests().size(), 1u);
  EXPECT_EQ(proxy.requests()[0].proxy_authorization, "");
}

TEST(WebAccess, TunnelsHttpsThroughTheProxy) {
  ForwardProxy proxy;  // refuses every tunnel
  WebRequest request{.url = "https://korvane.invalid/x", .proxy = proxy.address()};
  WebResponse response;
  EXPECT_EQ(web_access(request, &response), "");
  EXPECT_EQ(response.error_code, kWebNoConnection);
  ASSERT_EQ(proxy.requests().size(), 1u);
  EXPECT_EQ(proxy.requests()[0].request_line, "CONNECT korvane.invalid:443 HTTP/1.1");
}

// Sets environment variables for one scope, then restores them.
class ScopedEnvironment {
 public:
  explicit ScopedEnvironment(const std::vector<std::pair<std::string, std::string>>& values) {
    for (const auto& [name, value] : values) {
      const char* old = std::getenv(name.c_str());
      saved_.push_back({name, old != nullptr ? std::optional<std::string>(old) : std::nullopt});
      setenv(name.c_str(), value.c_str(), 1);
    }
  }
  ~ScopedEnvironment() {
    for (const auto& [name, old] : saved_) {
      if (old) {
        setenv(name.c_str(), old->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(WebAccess, IgnoresProxySettingsOfTheEnvironment) {
  ForwardProxy proxy;
  ScopedEnvironment environment({{"http_proxy", "http://" + proxy.address()},
                                 {"all_proxy", "http://" + proxy.address()},
                                 {"no_proxy", "127.0.0.1,localhost"}});
  EXPECT_THAT(request_received(WebRequest{}), HasSubstr("GET / HTTP/1.1"));
  EXPECT_TRUE(proxy.requests().empty());

  LocalHttpServer origin([](httplib::Server& server) {
    server.Get("/", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("ok", "text/plain");
    });
  });
  WebRequest named{.url = origin.url("/"), .proxy = proxy.address()};
  EXPECT_EQ(web_access(named), "ok");
  EXPECT_EQ(proxy.requests().size(), 1u);
}

TEST(WebAccess, SendsNoCookieOfAnEarlierCall) {
  RawHttpServer server(RawHttpServer::respond_with(
      "HTTP/1.1 200 OK\r\nSet-Cookie: sid=1; Path=/\r\nContent-Length: 2\r\n\r\nok"));
  std::string cookies;
  WebRequest request{.url = server.url("/"), .cookies = &cookies};
  EXPECT_EQ(web_access(request), "ok");
  EXPECT_EQ(cookies, "sid=1");
  EXPECT_EQ(web_access(WebRequest{.url = server.url("/")}), "ok");
  ASSERT_EQ(server.requests().size(), 2u);
  EXPECT_THAT(server.requests()[1], Not(HasSubstr("sid=1")));
}

}  // namespace
}  // namespace korvane
