#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/CriticalSection.h"
#include "framework/ZBObject.h"
#include "framework/ZBSingleton.h"
#include "framework/ZBThread.h"

struct WebDownloadRequest;
// Called as callback(user data, request) on the main thread, once per request.
using WebDownloadCallback = void (*)(void* user_data, WebDownloadRequest* request);

// One download. The requester allocates it with `new`, fills address, context, callback
// and user data and queues it; the service frees it (with its data) after delivery.
struct WebDownloadRequest {
  static constexpr size_t kAddressSize = 256;

  WebDownloadRequest() = default;
  WebDownloadRequest(const WebDownloadRequest&) = delete;
  WebDownloadRequest& operator=(const WebDownloadRequest&) = delete;
  ~WebDownloadRequest();

  int32_t worker_index = -1;  // -1 until the worker takes it, then 0
  int32_t reserved = 0;
  void* context = nullptr;    // the requester's own reference; not used by the service
  char address[kAddressSize] = {};  // NUL-terminated URL (http or https)
  // 0 queued, 1 running, 2 done, -1 failed, 3 delivered (freed on a later frame).
  std::atomic<int32_t> state{0};
  uint32_t elapsed = 0;       // start time while running, then the duration in ms
  // The reply body followed by one NUL byte, when state is 2; null and size 0 on failure.
  char* data = nullptr;
  int32_t size = 0;
  WebDownloadCallback callback = nullptr;
  void* user_data = nullptr;
  int32_t http_status = 0;    // the final HTTP status, 0 when no reply arrived
};

// Transfer settings. Certificates are always verified; `ca_file` replaces the system
// certificate store (tests point it at their own local certificate).
struct WebDownloadOptions {
  uint32_t connect_timeout_ms = 10000;  // name lookup, TCP connect and TLS handshake
  uint32_t stall_timeout_s = 30;        // no bytes at all for this long fails the transfer
  size_t max_body_bytes = 64u << 20;    // a longer reply fails the request
  std::string ca_file;                  // empty: the system store
};

// The download worker: one transfer per thread start.
class ZBWebDownload_thread : public ZBThread {
 public:
  ~ZBWebDownload_thread() override;
  int Run(ZBTHREAD_PARAM_HEADER* param) override;

  WebDownloadRequest* m_request = nullptr;  // not owned
  WebDownloadOptions m_options;             // copied in before each start
};

// Fetches whole HTTP(S) resources into memory, one after another on one worker thread.
// Requests queue on the main thread; ProcessRequests, once per frame on the main thread,
// starts the next queued request when the worker is free and delivers finished ones to
// their callbacks exactly once.
class ZBWebDownload : public ZBObject, public ZBSingleton<ZBWebDownload> {
 public:
  ZBWebDownload();
  // Stops a running transfer, then frees every record still listed without calling it.
  ~ZBWebDownload() override;

  // Creates the worker object (no thread yet) and prepares libcurl. Returns 1.
  int StartWorker();
  void SetOptions(const WebDownloadOptions& options);
  WebDownloadOptions Options();

  // Queues a filled record; the service owns it from here. A record whose address is
  // empty or not NUL-terminated is queued as failed and delivered as such. Returns 1
  // when the record will be fetched, 0 when it was queued as failed (or is null).
  int AddRequest(WebDownloadRequest* request);
  // Convenience: allocates, fills and queues a record. Returns it (owned by the
  // service), or null when the address does not fit (nothing is queued then).
  WebDownloadRequest* Download(const char* url, WebDownloadCallback callback, void* user_data,
                               void* context = nullptr);

  // The per-frame step (main thread).
  void ProcessRequests();

  int RequestCount();

 private:
  CriticalSection m_lock;
  std::vector<WebDownloadRequest*> m_requests;  // arrival order
  std::vector<WebDownloadRequest*> m_deliver;   // taken out by the current step
  ZBWebDownload_thread* m_worker = nullptr;
  WebDownloadOptions m_options;
  bool m_in_process = false;
};
