// What web_access() makes of a response: status text, header block, cookies,
// location, redirects and the page text.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "testing/local_http_server.h"
#include "testing/raw_http_server.h"
#include "web/web_access.h"

namespace korvane {
namespace {

using ::korvane::test_servers::LocalHttpServer;
using ::korvane::test_servers::RawHttpServer;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

// Performs one GET against a server that answers with `raw` and closes.
std::string fetch(std::string raw, WebResponse* response, WebRequest request = {}) {
  RawHttpServer server(RawHttpServer::respond_with(std::move(raw)));
  request.url = server.url("/");
  return web_access(request, response);
}

TEST(WebAccessResponse, GivesStatusHeadersAndBodyOfAnyStatus) {
  WebResponse response;
  std::string page = fetch(
      "HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\nX-A: 1\r\nConnection: close\r\n\r\ngone",
      &response);
  EXPECT_EQ(page, "gone");
  EXPECT_EQ(response.error_code, 0);
  EXPECT_EQ(response.status_text, "404 Not Found");
  EXPECT_EQ(response.status_code, 404);
  EXPECT_EQ(response.returned_headers,
            "HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\nX-A: 1\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(response.response_bytes, "gone");
}

TEST(WebAccessResponse, BodyIsNotDecodedByTheTransport) {
  std::string compressed("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10);
  WebResponse response;
  fetch("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 10\r\n\r\n" + compressed,
        &response);
  EXPECT_EQ(response.error_code, 0);
  EXPECT_EQ(response.response_bytes, compressed);
}

TEST(WebAccessResponse, HeaderLinesEndInCrLfWhateverTheServerSent) {
  WebResponse response;
  EXPECT_EQ(fetch("HTTP/1.0 200 OK\nContent-Length: 2\nX-A: 1\n\nok", &response), "ok");
  EXPECT_EQ(response.status_text, "200 OK");
  EXPECT_EQ(response.returned_headers, "HTTP/1.0 200 OK\r\nContent-Length: 2\r\nX-A: 1\r\n\r\n");
}

TEST(WebAccessResponse, StatusTextWithoutReason) {
  WebResponse response;
  fetch("HTTP/1.1 204\r\n\r\n", &response);
  EXPECT_EQ(response.status_text, "204");
  EXPECT_EQ(response.status_code, 204);
}

struct CookieCase {
  const char* name;
  std::string header_lines;  // each ending in CR LF
  std::string returned_cookies;
};

void PrintTo(const CookieCase& c, std::ostream* os) { *os << c.name; }

class SetCookieLines : public ::testing::TestWithParam<CookieCase> {};

TEST_P(SetCookieLines, GiveNameValuePieces) {
  const CookieCase& c = GetParam();
  WebResponse response{.returned_cookies = "stale"};
  fetch("HTTP/1.1 200 OK\r\n" + c.header_lines + "Content-Length: 2\r\n\r\nok", &response);
  EXPECT_EQ(response.returned_cookies, c.returned_cookies);
  EXPECT_THAT(response.returned_headers, Not(HasSubstr("et-cookie")));
  EXPECT_THAT(response.returned_headers, Not(HasSubstr("SET-COOKIE")));
}

INSTANTIATE_TEST_SUITE_P(
    WebAccess, SetCookieLines,
    ::testing::Values(CookieCase{"none", "X-A: 1\r\n", ""},
                      CookieCase{"attributes_dropped_any_case",
                                 "set-cookie: sid=abc; Path=/; HttpOnly\r\nSet-Cookie: lang=zh\r\n",
                                 "sid=abc; lang=zh"},
                      CookieCase{"upper_case_full_width_spaces", "SET-COOKIE:\u3000a=1\u3000 \r\n",
                                 "a=1"},
                      CookieCase{"value_up_to_first_semicolon", "Set-Cookie: a=1;b=2\r\n", "a=1"},
                      CookieCase{"gbk_value", "Set-Cookie: name=\xD6\xD0\xCE\xC4; path=/\r\n",
                                 "name=\u4E2D\u6587"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WebAccessResponse, SetCookieNamesAreNormalisedInTheHeaderBlock) {
  WebResponse response;
  fetch("HTTP/1.1 200 OK\r\nset-cookie: a=1; Path=/\r\nSET-Cookie: b=2\r\n\r\n", &response);
  EXPECT_EQ(response.returned_headers,
            "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; Path=/\r\nSet-Cookie: b=2\r\n\r\n");
}

TEST(WebAccessResponse, MergesResponseCookiesIntoSuppliedOnes) {
  std::string cookies = "lang=en; old=1; gone=1";
  WebRequest request{.cookies = &cookies};
  WebResponse response;
  fetch(
      "HTTP/1.1 200 OK\r\nSet-Cookie: lang=zh; Path=/\r\nSet-Cookie: gone=deleted\r\n"
      "Set-Cookie: n=a b; Path=/\r\nContent-Length: 0\r\n\r\n",
      &response, request);
  EXPECT_EQ(cookies, "lang=zh; n=ab; old=1");
  EXPECT_EQ(response.returned_cookies, "lang=zh;gone=deleted;n=ab");
}

TEST(WebAccessResponse, LocationIsTheLastLocationLine) {
  WebResponse response{.location = "keep"};
  WebRequest request{.disable_redirects = true};
  fetch("HTTP/1.1 302 Found\r\nLocation: /one\r\nlocation: /two\r\nContent-Length: 0\r\n\r\n",
        &response, request);
  EXPECT_EQ(response.location, "/two");

  WebResponse without{.location = "keep"};
  fetch("HTTP/1.1 200 OK\r\nX-Location: /x\r\nContent-Length: 0\r\n\r\n", &without);
  EXPECT_EQ(without.location, "keep");
}

class Redirects : public ::testing::Test {
 protected:
  LocalHttpServer server_{[](httplib::Server& server) {
    server.Get("/r", [](const httplib::Request&, httplib::Response& res) {
      res.status = 302;
      res.set_header("Location", "/final");
      res.set_header("Set-Cookie", "hop=1");
      res.set_content("moved", "text/plain");
    });
    server.Get("/final", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("done", "text/plain");
    });
    server.Get("/loop", [](const httplib::Request&, httplib::Response& res) {
      res.status = 302;
      res.set_header("Location", "/loop");
    });
    server.Get("/ftp", [](const httplib::Request&, httplib::Response& res) {
      res.status = 301;
      res.set_header("Location", "ftp://127.0.0.1/x");
    });
  }};
};

TEST_F(Redirects, AreFollowedToTheFinalResponse) {
  WebRequest request{.url = server_.url("/r")};
  WebResponse response{.location = "keep"};
  EXPECT_EQ(web_access(request, &response), "done");
  EXPECT_EQ(response.status_text, "200 OK");
  EXPECT_THAT(response.returned_headers, StartsWith("HTTP/1.1 200 OK\r\n"));
  EXPECT_THAT(response.returned_headers, Not(HasSubstr("hop=1")));
  EXPECT_EQ(response.returned_cookies, "");
  EXPECT_EQ(response.location, "keep");
}

TEST_F(Redirects, WhenDisabledGiveTheRedirectResponse) {
  WebRequest request{.url = server_.url("/r"), .disable_redirects = true};
  WebResponse response;
  EXPECT_EQ(web_access(request, &response), "moved");
  EXPECT_EQ(response.status_text, "302 Found");
  EXPECT_EQ(response.status_code, 302);
  EXPECT_EQ(response.location, "/final");
  EXPECT_EQ(response.returned_cookies, "hop=1");
}

TEST_F(Redirects, EndlessOrToOtherSchemesFail) {
  for (const char* path : {"/loop", "/ftp"}) {
    WebRequest request{.url = server_.url(path)};
    WebResponse response;
    EXPECT_EQ(web_access(request, &response), "") << path;
    EXPECT_EQ(response.error_code, kWebNoResponse) << path;
    EXPECT_EQ(response.status_text, "712 服务器未响应!") << path;
  }
}

TEST(WebAccessResponse, CallsOnManyThreadsAtOnceKeepTheirOwnAnswers) {
  LocalHttpServer server([](httplib::Server& s) {
    s.Get("/n", [](const httplib::Request& req, httplib::Response& res) {
      res.set_header("Set-Cookie", "n=" + req.get_param_value("i"));
      res.set_content(req.get_param_value("i"), "text/plain");
    });
  });
  std::vector<std::string> mismatches[5];
  {
    std::vector<std::jthread> threads;
    for (int t = 0; t < 5; ++t) {
      threads.emplace_back([&, t] {
        for (int i = 0; i < 10; ++i) {
          std::string id = std::to_string(t * 100 + i);
          WebResponse response;
          std::string page = web_access(WebRequest{.url = server.url("/n?i=" + id)}, &response);
          if (page != id || response.returned_cookies != "n=" + id) {
            mismatches[t].push_back(id + ": " + page + " " + response.status_text);
          }
        }
      });
    }
  }
  for (const auto& list : mismatches) EXPECT_THAT(list, ::testing::IsEmpty());
}

struct PageCase {
  const char* name;
  std::string body;
  std::string page;
};

void PrintTo(const PageCase& c, std::ostream* os) { *os << c.name; }

class PageText : public ::testing::TestWithParam<PageCase> {};

TEST_P(PageText, IsTheBodyDecodedInItsCharset) {
  const PageCase& c = GetParam();
  LocalHttpServer server([&](httplib::Server& s) {
    s.Get("/", [&](const httplib::Request&, httplib::Response& res) {
      res.set_content(c.body, "text/html");
    });
  });
  WebResponse response;
  EXPECT_EQ(web_access(WebRequest{.url = server.url("/")}, &response), c.page);
  EXPECT_EQ(response.response_bytes, c.body);
}

INSTANTIATE_TEST_SUITE_P(
    WebAccess, PageText,
    ::testing::Values(PageCase{"gbk_without_declaration", "<p>\xD6\xD0\xCE\xC4</p>",
                               "<p>\u4E2D\u6587</p>"},
                      PageCase{"declared_big5", "<meta charset=\"big5\"><p>\xA4\xA4\xA4\xE5</p>",
                               "<meta charset=\"big5\"><p>\u4E2D\u6587</p>"},
                      PageCase{"zero_byte_kept", std::string("a\0b", 3), std::string("a\0b", 3)}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvane
