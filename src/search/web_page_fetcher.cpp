// The search's page fetcher over web_access: a plain GET with the time-out
// and the cancel flag of the search.
#include "search/search_run.h"
#include "web/web_access.h"

namespace korvane {

PageFetcher web_page_fetcher() {
  return [](const std::string& url, int timeout_seconds, const std::atomic<bool>& cancel) {
    WebRequest request;
    request.url = url;
    request.timeout_seconds = timeout_seconds;
    request.cancel = &cancel;
    WebResponse response;
    PageFetch fetch;
    fetch.text = web_access(request, &response);
    fetch.status = response.status_text;
    fetch.failed = response.error_code != 0 || response.status_code >= 400;
    return fetch;
  };
}

}  // namespace korvane
