#include "framework/ZBWebDownload.h"

#include <curl/curl.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "framework/Clock.h"
#include "framework/Log.h"
#include "framework/ZBThreadManager.h"

namespace {

// How often a running transfer checks whether its worker was asked to stop.
constexpr int kStopCheckMs = 100;
// The body size is kept in a 32-bit field, with room for the trailing NUL.
constexpr size_t kLargestBody = static_cast<size_t>(INT_MAX) - 1;

// The reply body while it arrives: grown geometrically, always NUL-terminated.
struct BodyBuffer {
  char* data = nullptr;
  size_t size = 0;
  size_t capacity = 0;
  size_t limit = 0;
  bool too_large = false;
  bool out_of_memory = false;
};

size_t WriteBody(char* chunk, size_t item_size, size_t item_count, void* user) {
  auto* b = static_cast<BodyBuffer*>(user);
  const size_t n = item_size * item_count;
  if (n > b->limit - b->size) {
    b->too_large = true;
    return 0;  // anything but n ends the transfer with a write error
  }
  const size_t need = b->size + n + 1;
  if (need > b->capacity) {
    size_t cap = std::max<size_t>(b->capacity * 2, 4096);
    cap = std::max(cap, need);
    cap = std::min(cap, b->limit + 1);
    char* p = static_cast<char*>(std::realloc(b->data, cap));
    if (!p) {
      b->out_of_memory = true;
      return 0;
    }
    b->data = p;
    b->capacity = cap;
  }
  std::memcpy(b->data + b->size, chunk, n);
  b->size += n;
  b->data[b->size] = '\0';
  return n;
}

bool AddressIsUsable(const WebDownloadRequest* r) {
  const void* end = std::memchr(r->address, '\0', sizeof(r->address));
  return end && r->address[0] != '\0';
}

}  // namespace

WebDownloadRequest::~WebDownloadRequest() { std::free(data); }

ZBWebDownload_thread::~ZBWebDownload_thread() { End(); }

int ZBWebDownload_thread::Run(ZBTHREAD_PARAM_HEADER* param) {
  WebDownloadRequest* r = m_request;
  if (!r) return 1;
  const uint32_t start = GetTickMs();
  r->elapsed = start;

  BodyBuffer body;
  body.limit = std::min(m_options.max_body_bytes, kLargestBody);
  char error[CURL_ERROR_SIZE] = {};
  CURLcode result = CURLE_FAILED_INIT;
  long status = 0;
  bool stopped = false;

  CURL* easy = curl_easy_init();
  CURLM* multi = easy ? curl_multi_init() : nullptr;
  if (easy && multi) {
    curl_easy_setopt(easy, CURLOPT_URL, r->address);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &WriteBody);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(easy, CURLOPT_HEADER, 0L);
    // Only web addresses: an address taken from a downloaded document must not reach
    // local files or other protocols.
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!m_options.ca_file.empty()) curl_easy_setopt(easy, CURLOPT_CAINFO, m_options.ca_file.c_str());
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_options.connect_timeout_ms));
    if (m_options.stall_timeout_s) {
      curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
      curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, static_cast<long>(m_options.stall_timeout_s));
    }
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(body.limit));
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, error);

    // The easy handle is driven step by step so that End can stop a transfer promptly
    // instead of leaving the thread inside libcurl.
    curl_multi_add_handle(multi, easy);
    int still_running = 1;
    for (;;) {
      CURLMcode mc = curl_multi_perform(multi, &still_running);
      if (mc != CURLM_OK) {
        std::snprintf(error, sizeof(error), "%s", curl_multi_strerror(mc));
        break;
      }
      if (!still_running) break;
      if (!param->running.load()) {
        stopped = true;
        break;
      }
      mc = curl_multi_poll(multi, nullptr, 0, kStopCheckMs, nullptr);
      if (mc != CURLM_OK) {
        std::snprintf(error, sizeof(error), "%s", curl_multi_strerror(mc));
        break;
      }
    }
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
      if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy) result = msg->data.result;
    }
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    curl_multi_remove_handle(multi, easy);
  }
  if (multi) curl_multi_cleanup(multi);
  if (easy) curl_easy_cleanup(easy);

  const char* failure = nullptr;
  if (stopped) {
    failure = "stopped";
  } else if (body.too_large) {
    failure = "reply too large";
  } else if (body.out_of_memory) {
    failure = "out of memory";
  } else if (result != CURLE_OK) {
    failure = error[0] ? error : curl_easy_strerror(result);
  } else if (status >= 400) {
    failure = "error status";
  } else if (body.size == 0) {
    failure = "empty reply";
  }

  r->http_status = static_cast<int32_t>(status);
  r->elapsed = GetTickMs() - start;
  if (failure) {
    Log(LOG_WARNING, "[WARNING]: ZBWebDownload_thread::Run | %s : %s (status %ld)", r->address, failure, status);
    std::free(body.data);
    r->data = nullptr;
    r->size = 0;
    r->state.store(-1);
  } else {
    r->data = body.data;
    r->size = static_cast<int32_t>(body.size);
    r->state.store(2);
  }
  return 1;
}

ZBWebDownload::ZBWebDownload() {
  m_requests.reserve(16);
  m_deliver.reserve(16);
}

ZBWebDownload::~ZBWebDownload() {
  WebDownloadRequest* kept = nullptr;
  if (m_worker) {
    // End makes a running transfer stop at its next check, well within End's wait.
    m_worker->End();
    if (m_worker->WasAbandoned()) {
      kept = m_worker->m_request;
      ZBThreadManager::KeepAbandoned(m_worker);
    } else {
      delete m_worker;
    }
    m_worker = nullptr;
  }
  CSGuard g(&m_lock);
  for (WebDownloadRequest* r : m_requests) {
    if (r != kept) delete r;
  }
  m_requests.clear();
}

int ZBWebDownload::StartWorker() {
  // libcurl's global set-up is not safe to run from two threads at once; do it here,
  // on the main thread, before the first transfer.
  static const CURLcode init = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (init != CURLE_OK) Log(LOG_FATAL, "[ERROR]: ZBWebDownload::StartWorker | curl_global_init failed (%d)", init);
  ZBThreadManager::Instance();
  CSGuard g(&m_lock);
  if (!m_worker) m_worker = new ZBWebDownload_thread();
  return 1;
}

void ZBWebDownload::SetOptions(const WebDownloadOptions& options) {
  CSGuard g(&m_lock);
  m_options = options;
}

WebDownloadOptions ZBWebDownload::Options() {
  CSGuard g(&m_lock);
  return m_options;
}

int ZBWebDownload::AddRequest(WebDownloadRequest* request) {
  if (!request) return 0;
  const bool usable = AddressIsUsable(request);
  CSGuard g(&m_lock);
  request->worker_index = -1;
  if (!usable) {
    request->address[sizeof(request->address) - 1] = '\0';
    Log(LOG_WARNING, "[WARNING]: ZBWebDownload::AddRequest | unusable address \"%s\"", request->address);
  }
  request->state.store(usable ? 0 : -1);
  m_requests.push_back(request);
  return usable ? 1 : 0;
}

WebDownloadRequest* ZBWebDownload::Download(const char* url, WebDownloadCallback callback, void* user_data,
                                            void* context) {
  if (!url || !url[0] || std::strlen(url) >= WebDownloadRequest::kAddressSize) {
    Log(LOG_WARNING, "[WARNING]: ZBWebDownload::Download | address empty or longer than %zu bytes",
        WebDownloadRequest::kAddressSize - 1);
    return nullptr;
  }
  auto* r = new WebDownloadRequest();
  std::memcpy(r->address, url, std::strlen(url) + 1);
  r->callback = callback;
  r->user_data = user_data;
  r->context = context;
  AddRequest(r);
  return r;
}

void ZBWebDownload::ProcessRequests() {
  if (m_in_process) return;  // a callback called back into the step
  m_in_process = true;
  {
    CSGuard g(&m_lock);
    size_t keep = 0;
    for (size_t i = 0; i < m_requests.size(); ++i) {
      WebDownloadRequest* r = m_requests[i];
      const int32_t state = r->state.load();
      if (state == 3) {
        delete r;
        continue;
      }
      if (state == 0) {
        if (!m_worker) m_worker = new ZBWebDownload_thread();
        if (m_worker->State() != 1) {
          r->worker_index = 0;
          m_worker->m_request = r;
          m_worker->m_options = m_options;
          r->state.store(1);
          if (!m_worker->Begin()) {
            r->worker_index = -1;
            r->state.store(-1);
          }
        }
      } else if (state == 2 || state == -1) {
        m_deliver.push_back(r);
      }
      m_requests[keep++] = r;
    }
    m_requests.resize(keep);
  }
  // Outside the lock, so callbacks may queue further requests. The records stay listed
  // (state 3) and are freed by a later step.
  // Only this step changes a finished record's state, and it does not run twice at once,
  // so each record is delivered exactly once.
  for (WebDownloadRequest* r : m_deliver) {
    if (r->callback && r->user_data) r->callback(r->user_data, r);
    r->state.store(3);
  }
  m_deliver.clear();
  m_in_process = false;
}

int ZBWebDownload::RequestCount() {
  CSGuard g(&m_lock);
  return static_cast<int>(m_requests.size());
}
