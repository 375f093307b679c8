// One complete HTTP or HTTPS request on the calling thread, over libcurl.
//
// web_access() sends a request with a fixed set of default header lines,
// optional body, cookies, Basic credentials and proxy, and returns the
// response body decoded to UTF-8 page text (decode_page). It can also hand
// back the raw body, the response header block, the cookies the response set,
// its "Location: " value and its status text.
//
// Thread-safety: web_access() may run on any number of threads at once. Each
// thread keeps one libcurl handle of its own, so a thread may reuse an open
// connection from its previous call; nothing else carries over between calls
// (no cookie store, no cache, no credentials). Nothing is shared between
// threads.
#ifndef KORVANE_WEB_WEB_ACCESS_H_
#define KORVANE_WEB_WEB_ACCESS_H_

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace korvane {

inline constexpr std::size_t kDefaultMaxBodyBytes = std::size_t{64} << 20;

// Failure codes written, with their texts, into WebResponse::status_text.
enum WebError : int {
  kWebNoService = 700,       // libcurl cannot be initialised
  kWebBadUrl = 701,          // empty or unusable address, or a scheme other than http/https
  kWebNoSession = 702,       // not raised by this implementation
  kWebNoConnection = 703,    // the host, the proxy or the TLS handshake cannot be reached
  kWebNoRequest = 704,       // the request cannot be set up
  kWebNoTimeouts = 705,      // the time-out cannot be set
  kWebNoCredentials = 707,   // the server or proxy credentials cannot be set
  kWebNoCookieSwitch = 708,  // not raised by this implementation
  kWebNoRedirectSwitch = 709,
  kWebBadHeaders = 710,  // a header line is not "Name: value" or holds a line break
  kWebSendFailed = 711,
  kWebNoResponse = 712,  // no complete response header block arrived (time-out included)
  kWebReadFailed = 713,  // the body broke off, hit max_body_bytes, or stalled
};

// "701 解析URL地址失败!" and so on; "" for a number that is no failure code.
std::string_view web_error_text(int code);

struct WebRequest {
  // An http:// or https:// address. Raw spaces or line breaks make it unusable.
  std::string url{};
  // 0 "GET", 1 "POST", 2 "HEAD", 3 "PUT"; any other value "GET".
  int method = 0;
  // The request body, sent as its bytes for every method but HEAD; nothing
  // when empty (POST and PUT then send an empty body).
  std::string post_data{};
  // Not owned. When non-null its text goes into a "Cookie: " line (if
  // non-empty), and after a response the response's cookies are merged into
  // it (merge_cookies).
  std::string* cookies = nullptr;
  // Header lines joined by CR LF, without a final CR LF. A line replaces an
  // earlier line (or default) of the same name.
  std::string extra_headers{};
  // When false, redirects are followed (at most 10, http and https only) and
  // the response read is the final one.
  bool disable_redirects = false;
  // Basic credentials for the server; used when both are non-empty.
  std::string user_name{};
  std::string password{};
  // "host:port" of an HTTP proxy used for http and https addresses alike; ""
  // means a direct connection (proxy settings in the environment are ignored).
  std::string proxy{};
  // Basic credentials for the proxy; used when both are non-empty.
  std::string proxy_user_name{};
  std::string proxy_password{};
  // Seconds allowed for the connection (resolving, TCP, TLS, proxy tunnel) and,
  // separately, for any stretch without a byte sent or received. 0 or less
  // means 30. There is no cap on the total time of a transfer that progresses.
  int timeout_seconds = 0;
  // Not owned. When it becomes true the transfer is aborted within about a
  // second; see web_access() for the result.
  const std::atomic<bool>* cancel = nullptr;
  // A body larger than this fails with 713 after its first max_body_bytes.
  std::size_t max_body_bytes = kDefaultMaxBodyBytes;
};

// Outputs of web_access(). A call assigns a field only at the step that
// produces it; every field it does not reach keeps its former value, except
// error_code, which every call writes.
struct WebResponse {
  // name=value pieces of the response's set-cookie lines, joined by "; "
  // (without spaces once merged into WebRequest::cookies).
  std::string returned_cookies{};
  // The final response's header block: status line and header lines, each
  // ending in CR LF, then the empty line. Every "set-cookie" in any letter
  // case reads "Set-Cookie". UTF-8; a block that is not UTF-8 is read as GBK.
  std::string returned_headers{};
  // The rest of the block's last line that begins with "Location: " (any
  // letter case); untouched when there is none.
  std::string location{};
  // The status code and reason of the response ("200 OK"), or the failure
  // text ("712 服务器未响应!").
  std::string status_text{};
  // The body as received, without any content decoding.
  std::string response_bytes{};
  // The response's status code, set with status_text from the response.
  int status_code = 0;
  // 0, or the failure code. Unlike status_text it still reads 713 when the
  // body broke off after the headers.
  int error_code = 0;
};

// Performs `request` and returns the page text: decode_page of the body.
//
// Failures 700 to 712 return "" and write only status_text and error_code. A
// body that breaks off (713: connection closed or stalled mid-body, or larger
// than max_body_bytes) still yields its headers, cookies, location, the bytes
// received and their page text; status_text then holds the response's status
// text and error_code 713. A response with any status code (404, 500, a
// redirect that is not followed) is no failure.
//
// A call cancelled through request.cancel returns "" and writes only
// status_text and error_code: 712 when the final response's headers had not
// yet arrived, 713 after. Throws nothing but std::bad_alloc.
std::string web_access(const WebRequest& request, WebResponse* response = nullptr);

// The shape of web_access(), for code that takes the request routine as a
// replaceable part.
using WebAccessFunction = std::function<std::string(const WebRequest&, WebResponse*)>;

}  // namespace korvane

#endif  // KORVANE_WEB_WEB_ACCESS_H_
