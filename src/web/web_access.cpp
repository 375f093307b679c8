#include "web/web_access.h"

#include <curl/curl.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <chrono>
#include <initializer_list>
#include <mutex>
#include <vector>

#include "search/text_utils.h"
#include "web/cookies.h"
#include "web/text_encoding.h"

namespace korvane {
namespace {

constexpr long kMaxRedirects = 10;
constexpr int kDefaultTimeoutSeconds = 30;

struct DefaultHeader {
  std::string_view search;
  bool ignore_case;
  std::string_view line;
};

// Appended in this order after the caller's lines, each only when the header
// text does not yet contain its search text.
constexpr DefaultHeader kDefaultHeaders[] = {
    {"User-Agent: ", true,
     "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n"},
    {"Accept: ", true, "Accept: text/html, application/xhtml+xml, */*\r\n"},
    {"Accept-Encoding: ", true, "Accept-Encoding: gbk, GB2312\r\n"},
    {"Accept-Language: ", true, "Accept-Language: zh-cn\r\n"},
    {"Content-Type:", false, "Content-Type: application/x-www-form-urlencoded\r\n"},
    {"Cache-Control: ", true, "Cache-Control: no-cache\r\n"},
};

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return ascii_lower(x) == ascii_lower(y);
         });
}

bool contains(std::string_view text, std::string_view search, bool ignore_case) {
  if (!ignore_case) return text.find(search) != std::string_view::npos;
  auto it = std::search(text.begin(), text.end(), search.begin(), search.end(),
                        [](char x, char y) { return ascii_lower(x) == ascii_lower(y); });
  return it != text.end() || search.empty();
}

// The request header text: the caller's lines, then the defaults.
std::string request_header_text(const WebRequest& request) {
  std::string text;
  if (!request.extra_headers.empty()) text = request.extra_headers + "\r\n";
  for (const DefaultHeader& header : kDefaultHeaders) {
    if (!contains(text, header.search, header.ignore_case)) text += header.line;
  }
  if (request.cookies != nullptr && !request.cookies->empty() &&
      !contains(text, "Cookie: ", true)) {
    text += "Cookie: " + *request.cookies + "\r\n";
  }
  return text;
}

std::string_view header_name(std::string_view line) { return line.substr(0, line.find(':')); }

// Splits the header text into the lines handed to libcurl. A line replaces an
// earlier one of the same name. False when a line is not "Name: value" or
// holds a stray CR, LF or NUL.
bool header_lines(std::string_view text, std::vector<std::string>* lines) {
  for (const std::string& line : split_pieces(text, "\r\n")) {
    if (line.empty()) continue;
    std::string_view name = header_name(line);
    if (name.empty() || name.size() == line.size() ||
        name.find_first_of(" \t") != std::string_view::npos ||
        line.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
      return false;
    }
    std::erase_if(*lines, [&](const std::string& earlier) {
      return equal_ignoring_case(header_name(earlier), name);
    });
    // libcurl drops "Name:" with no value; "Name;" sends it empty.
    std::string_view value = std::string_view(line).substr(name.size() + 1);
    bool blank = value.find_first_not_of(" \t") == std::string_view::npos;
    lines->push_back(blank ? std::string(name) + ";" : line);
  }
  // Without this libcurl would add "Expect: 100-continue" to larger bodies.
  bool has_expect = std::any_of(lines->begin(), lines->end(), [](const std::string& line) {
    return equal_ignoring_case(header_name(line), "Expect");
  });
  if (!has_expect) lines->push_back("Expect:");
  return true;
}

bool usable_url(const std::string& url) {
  if (url.empty() || url.find('\0') != std::string::npos) return false;
  CURLU* parts = curl_url();
  if (parts == nullptr) return false;
  bool usable = false;
  char* scheme = nullptr;
  if (curl_url_set(parts, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
      curl_url_get(parts, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK) {
    std::string_view name(scheme);
    usable = name == "http" || name == "https";
  }
  curl_free(scheme);
  curl_url_cleanup(parts);
  return usable;
}

// What the callbacks see of one call.
struct Transfer {
  const WebRequest* request = nullptr;
  bool follow = true;
  std::string headers;  // the latest response's header block
  long status = 0;
  bool has_location = false;   // the latest response names a non-empty Location
  bool final_headers = false;  // the final response's header block has ended
  bool connected = false;      // a connection was ready to carry a request
  bool over_cap = false;
  bool cancelled = false;
  std::string body;
  // The stall clock: the transfer fails when nothing has moved for `idle_limit`.
  std::chrono::steady_clock::duration idle_limit{};
  std::chrono::steady_clock::time_point last_activity = std::chrono::steady_clock::now();
  curl_off_t bytes_moved = 0;
  bool stalled = false;
  // No response came and the request body had not all gone out.
  bool body_unsent = false;

  void note_activity() { last_activity = std::chrono::steady_clock::now(); }
};

size_t on_header(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  transfer->note_activity();
  std::string_view line(data, size * count);
  try {
    if (line.starts_with("HTTP/")) {
      transfer->headers.clear();
      transfer->final_headers = false;
      transfer->has_location = false;
      transfer->status = 0;
      for (char c : line.substr(std::min<size_t>(9, line.size()), 3)) {
        if (c < '0' || c > '9') break;
        transfer->status = transfer->status * 10 + (c - '0');
      }
    } else if (transfer->final_headers) {
      return line.size();  // trailers of a chunked body
    }
    if (line.ends_with("\n")) line.remove_suffix(1);
    if (line.ends_with("\r")) line.remove_suffix(1);
    transfer->headers.append(line).append("\r\n");
    if (equal_ignoring_case(header_name(line), "Location") &&
        line.find_first_not_of(" \t", 9) != std::string_view::npos) {
      transfer->has_location = true;
    }
    // libcurl follows every 3xx response that names a Location.
    if (line.empty() && transfer->status >= 200) {
      bool redirect = transfer->status >= 300 && transfer->status < 400;
      transfer->final_headers = !(transfer->follow && redirect && transfer->has_location);
    }
  } catch (...) {
    return 0;
  }
  return size * count;
}

size_t on_body(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  transfer->note_activity();
  size_t length = size * count;
  size_t room = transfer->request->max_body_bytes - transfer->body.size();
  try {
    if (length > room) {
      transfer->body.append(data, room);
      transfer->over_cap = true;
      return 0;
    }
    transfer->body.append(data, length);
  } catch (...) {
    return 0;
  }
  return length;
}

// Called by libcurl many times a second while bytes move and about once a
// second while none do.
int on_progress(void* user, curl_off_t, curl_off_t received, curl_off_t, curl_off_t sent) {
  auto* transfer = static_cast<Transfer*>(user);
  const std::atomic<bool>* cancel = transfer->request->cancel;
  if (cancel != nullptr && cancel->load()) transfer->cancelled = true;
  if (received + sent != transfer->bytes_moved) {
    transfer->bytes_moved = received + sent;
    transfer->note_activity();
  }
  if (std::chrono::steady_clock::now() - transfer->last_activity >= transfer->idle_limit) {
    transfer->stalled = true;
  }
  return transfer->cancelled || transfer->stalled ? 1 : 0;
}

int on_connected(void* user, char*, char*, int, int) {
  auto* transfer = static_cast<Transfer*>(user);
  transfer->connected = true;
  // The idle clock starts anew: connecting has its own time-out.
  transfer->note_activity();
  return CURL_PREREQFUNC_OK;
}

bool all_set(std::initializer_list<CURLcode> results) {
  return std::all_of(results.begin(), results.end(),
                     [](CURLcode result) { return result == CURLE_OK; });
}

// The handle of the calling thread, reset to libcurl's defaults; it keeps its
// open connections and DNS cache. Null when libcurl cannot be initialised.
CURL* thread_handle() {
  static std::once_flag once;
  static bool initialised = false;
  std::call_once(once, [] { initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
  if (!initialised) return nullptr;
  struct Holder {
    CURL* handle = nullptr;
    ~Holder() {
      if (handle != nullptr) curl_easy_cleanup(handle);
    }
  };
  thread_local Holder holder;
  if (holder.handle == nullptr) {
    holder.handle = curl_easy_init();
  } else {
    curl_easy_reset(holder.handle);
  }
  return holder.handle;
}

// POST and PUT always send a body, even an empty one; GET a non-empty one;
// HEAD never.
bool sends_body(const WebRequest& request) {
  return request.method == 1 || request.method == 3 ||
         (request.method != 2 && !request.post_data.empty());
}

int set_request(CURL* curl, const WebRequest& request, Transfer* transfer) {
  bool ok = all_set({
      curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str()),
      curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https"),
      curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https"),
      curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1),
      curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L),
      // Without it an aborted transfer waits for a hung name lookup to end,
      // past both the time-out and the cancel flag.
      curl_easy_setopt(curl, CURLOPT_QUICK_EXIT, 1L),
      curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L),
      curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L),
      curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, on_header),
      curl_easy_setopt(curl, CURLOPT_HEADERDATA, transfer),
      curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, on_body),
      curl_easy_setopt(curl, CURLOPT_WRITEDATA, transfer),
      curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, on_progress),
      curl_easy_setopt(curl, CURLOPT_XFERINFODATA, transfer),
      curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L),
      curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, on_connected),
      curl_easy_setopt(curl, CURLOPT_PREREQDATA, transfer),
  });
  if (!ok) return kWebNoRequest;
  // An empty proxy text also keeps libcurl from taking one from the
  // environment; a named proxy is used even for hosts the environment exempts.
  ok = all_set({
      curl_easy_setopt(curl, CURLOPT_PROXY, request.proxy.c_str()),
      curl_easy_setopt(curl, CURLOPT_NOPROXY, ""),
      curl_easy_setopt(curl, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP)),
      curl_easy_setopt(curl, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L),
  });
  if (!ok) return kWebNoRequest;
  switch (request.method) {
    case 1:
      ok = all_set({curl_easy_setopt(curl, CURLOPT_POST, 1L)});
      break;
    case 2:
      ok = all_set({curl_easy_setopt(curl, CURLOPT_NOBODY, 1L)});
      break;
    case 3:
      ok = all_set({curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, "PUT")});
      break;
    default:
      if (!request.post_data.empty()) {
        ok = all_set({curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, "GET")});
      }
  }
  if (ok && sends_body(request)) {
    ok = all_set({
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request.post_data.size())),
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.post_data.data()),
    });
  }
  return ok ? 0 : kWebNoRequest;
}

// One time-out for every phase: the connection (resolving, TCP, TLS, proxy
// tunnel) must be made within it, and afterwards no stretch without a byte
// sent or received may last as long (the stall clock of on_progress). A
// transfer that keeps moving has no time limit.
int set_timeouts(CURL* curl, int timeout_seconds, Transfer* transfer) {
  long seconds = timeout_seconds > 0 ? timeout_seconds : kDefaultTimeoutSeconds;
  transfer->idle_limit = std::chrono::seconds(seconds);
  bool ok = all_set({curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, seconds)});
  return ok ? 0 : kWebNoTimeouts;
}

int set_credentials(CURL* curl, const WebRequest& request) {
  bool ok = true;
  if (!request.user_name.empty() && !request.password.empty()) {
    ok = all_set({
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_BASIC),
        curl_easy_setopt(curl, CURLOPT_USERNAME, request.user_name.c_str()),
        curl_easy_setopt(curl, CURLOPT_PASSWORD, request.password.c_str()),
    });
  }
  if (ok && !request.proxy_user_name.empty() && !request.proxy_password.empty()) {
    ok = all_set({
        curl_easy_setopt(curl, CURLOPT_PROXYAUTH, CURLAUTH_BASIC),
        curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, request.proxy_user_name.c_str()),
        curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, request.proxy_password.c_str()),
    });
  }
  return ok ? 0 : kWebNoCredentials;
}

int set_redirects(CURL* curl, bool disable_redirects) {
  bool ok = all_set({
      curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, disable_redirects ? 0L : 1L),
      curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects),
  });
  return ok ? 0 : kWebNoRedirectSwitch;
}

// Owns the header list handed to libcurl.
struct HeaderList {
  curl_slist* list = nullptr;
  HeaderList() = default;
  HeaderList(const HeaderList&) = delete;
  HeaderList& operator=(const HeaderList&) = delete;
  ~HeaderList() { curl_slist_free_all(list); }
};

int set_headers(CURL* curl, const WebRequest& request, HeaderList* headers) {
  std::vector<std::string> lines;
  if (!header_lines(request_header_text(request), &lines)) return kWebBadHeaders;
  for (const std::string& line : lines) {
    curl_slist* longer = curl_slist_append(headers->list, line.c_str());
    if (longer == nullptr) return kWebBadHeaders;
    headers->list = longer;
  }
  bool ok = all_set({curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers->list)});
  return ok ? 0 : kWebBadHeaders;
}

// The failure code of a transfer that ended with `result`.
int transfer_error(CURLcode result, const Transfer& transfer) {
  if (transfer.cancelled) return transfer.final_headers ? kWebReadFailed : kWebNoResponse;
  if (result == CURLE_OK) return 0;
  if (transfer.over_cap || transfer.final_headers) return kWebReadFailed;
  if (!transfer.connected) {
    bool bad_url = result == CURLE_URL_MALFORMAT || result == CURLE_UNSUPPORTED_PROTOCOL;
    return bad_url ? kWebBadUrl : kWebNoConnection;
  }
  return result == CURLE_SEND_ERROR || transfer.body_unsent ? kWebSendFailed : kWebNoResponse;
}

// The header block as UTF-8: kept when it is UTF-8, else read as GBK.
std::string header_text(const std::string& block) {
  const char* bytes = block.data();
  int32_t length = static_cast<int32_t>(block.size());
  for (int32_t i = 0; i < length;) {
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    if (c < 0) return gbk_to_utf8(block);
  }
  return block;
}

// "200 OK": the first line from its 10th byte up to CR LF.
std::string status_of(std::string_view headers) {
  if (headers.size() <= 9) return "";
  std::string_view rest = headers.substr(9);
  return std::string(rest.substr(0, rest.find("\r\n")));
}

// The cookie piece of a header line that contains "Set-Cookie".
std::string cookie_piece(const std::string& line) {
  std::string piece = line.find(';') != std::string::npos
                          ? text_between(line, "Set-Cookie:", ";")
                          : replace_pairs(line, false, {{"Set-Cookie:", ""}});
  return trim_spaces(piece);
}

// Header steps: status text, header block, cookies and location.
void read_headers(const std::string& block, const WebRequest& request, WebResponse* out) {
  std::string text = header_text(block);
  out->status_text = status_of(text);
  text = replace_pairs(text, false, {{"Set-Cookie", "Set-Cookie"}});
  out->returned_headers = text;
  std::string cookies;
  for (const std::string& line : split_pieces(text, "\r\n")) {
    if (line.find("Set-Cookie") != std::string::npos) cookies += cookie_piece(line) + "; ";
    if (line.size() >= 10 &&
        equal_ignoring_case(std::string_view(line).substr(0, 10), "Location: ")) {
      out->location = line.substr(10);
    }
  }
  if (cookies.ends_with("; ")) cookies.resize(cookies.size() - 2);
  out->returned_cookies = cookies;
  if (request.cookies != nullptr) merge_cookies(*request.cookies, out->returned_cookies);
}

int configure(CURL* curl, const WebRequest& request, Transfer* transfer, HeaderList* headers) {
  int error = set_request(curl, request, transfer);
  if (error == 0) error = set_timeouts(curl, request.timeout_seconds, transfer);
  if (error == 0) error = set_credentials(curl, request);
  if (error == 0) error = set_redirects(curl, request.disable_redirects);
  if (error == 0) error = set_headers(curl, request, headers);
  return error;
}

// Runs the configured transfer; returns its failure code or 0.
int perform(CURL* curl, const WebRequest& request, Transfer* transfer) {
  transfer->note_activity();
  CURLcode result = curl_easy_perform(curl);
  curl_off_t uploaded = 0;
  curl_easy_getinfo(curl, CURLINFO_SIZE_UPLOAD_T, &uploaded);
  transfer->body_unsent = transfer->headers.empty() && sends_body(request) &&
                          static_cast<size_t>(uploaded) < request.post_data.size();
  // The handle must not keep pointers into this call's data.
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
  return transfer_error(result, *transfer);
}

std::string fail(int error, WebResponse* out) {
  out->error_code = error;
  out->status_text = web_error_text(error);
  return "";
}

}  // namespace

std::string_view web_error_text(int code) {
  switch (code) {
    case kWebNoService:
      return "700 当前系统不支持WinHttp服务!";
    case kWebBadUrl:
      return "701 解析URL地址失败!";
    case kWebNoSession:
      return "702 创建WinHttp会话失败!";
    case kWebNoConnection:
      return "703 创建WinHttp连接失败!";
    case kWebNoRequest:
      return "704 创建WinHttp请求失败!";
    case kWebNoTimeouts:
      return "705 设置超时时间失败!";
    case kWebNoCredentials:
      return "707 设置代理凭证失败!";
    case kWebNoCookieSwitch:
      return "708 禁止自动设置Cookies失败!";
    case kWebNoRedirectSwitch:
      return "709 重定向设置失败!";
    case kWebBadHeaders:
      return "710 设置协议头失败!";
    case kWebSendFailed:
      return "711 发送请求失败!";
    case kWebNoResponse:
      return "712 服务器未响应!";
    case kWebReadFailed:
      return "713 读取数据失败!";
    default:
      return "";
  }
}

std::string web_access(const WebRequest& request, WebResponse* response) {
  WebResponse scratch;
  WebResponse* out = response != nullptr ? response : &scratch;
  out->error_code = 0;
  CURL* curl = thread_handle();
  if (curl == nullptr) return fail(kWebNoService, out);
  if (!usable_url(request.url)) return fail(kWebBadUrl, out);
  if (request.cancel != nullptr && request.cancel->load()) return fail(kWebNoResponse, out);

  Transfer transfer;
  transfer.request = &request;
  transfer.follow = !request.disable_redirects;
  HeaderList headers;
  int error = configure(curl, request, &transfer, &headers);
  if (error == 0) error = perform(curl, request, &transfer);
  if (error != 0 && (error != kWebReadFailed || transfer.cancelled)) return fail(error, out);
  if (error != 0) {
    out->error_code = error;
    out->status_text = web_error_text(error);
  }
  if (transfer.headers.empty()) return "";
  read_headers(transfer.headers, request, out);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  out->status_code = static_cast<int>(status);
  std::string page = decode_page(transfer.body);
  out->response_bytes = std::move(transfer.body);
  return page;
}

}  // namespace korvane
