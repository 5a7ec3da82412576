#pragma once
#include <cstddef>
#include <string>
#include <vector>

// Screen rectangle of a platform window, in pixels.
struct WebViewArea {
  int x = 0, y = 0, width = 0, height = 0;
};

// Helpers shared by the platform's modal GTK windows (the web view and the small
// dialogs). GTK is started lazily, after SDL, on X11, without touching the process
// locale. All calls are main-thread only.
namespace GtkModal {
// Starts GTK once; false when there is no display for it.
bool Init();
// True while a modal platform window runs its loop.
bool IsOpen();
// A w x h rectangle centred on the game window (the window the GL context belongs to).
WebViewArea CentredOnGameWindow(int width, int height);
// Shows `gtk_window` at `area` and runs its loop until `*finished` becomes true or the
// window is closed: GTK is iterated without blocking, every event of the game window
// is drained and dropped (a close request of the game window ends the loop and is
// handed back to the game afterwards), the view is brought back to the front when the
// game window takes the focus. The GL context of the game is current again on return.
void Run(void* gtk_window, const WebViewArea& area, bool* finished);
}  // namespace GtkModal

// A modal top-level window with a web page (WebKitGTK) whose script may call named
// functions of the game, each with one string: `window.external.<name>(text)`.
//
// Safety rules: a call is honoured only when the top-level page is on the trusted
// origin (by default the origin of the address opened) and comes from the top frame;
// its argument is capped at kMaxArgumentBytes. Navigation to anything but http and
// https is refused, and so are new windows. Web data lives only in memory. Script text
// is never built from received values.
//
// Threads: main thread only. Open blocks until the window is closed; callbacks run
// inside Open.
class ZBWebView {
 public:
  using Callback = void (*)(void* context, ZBWebView* view, const std::string& argument);
  static constexpr size_t kMaxArgumentBytes = 4096;

  explicit ZBWebView(const std::string& title);
  ~ZBWebView();
  ZBWebView(const ZBWebView&) = delete;
  ZBWebView& operator=(const ZBWebView&) = delete;

  // Names are identifiers (letters, digits, "_", not starting with a digit); false for
  // anything else.
  bool AddCallback(const std::string& name, Callback fn, void* context);
  // "scheme://host[:port]" whose pages may call the functions.
  void SetTrustedOrigin(const std::string& origin) { m_trusted_origin = origin; }
  const std::string& TrustedOrigin() const { return m_trusted_origin; }

  // Shows `url` modally at `area`; 1 when the window was shown (and is closed again),
  // 0 when the address is not http(s) or there is no display.
  int Open(const std::string& url, const WebViewArea& area);
  // Ends the modal loop once the running callback returns.
  void Close() { m_finished = true; }

  // The rules above, on their own.
  static bool AcceptCall(const std::string& page_uri, const std::string& trusted_origin, size_t argument_bytes);
  static bool AllowNavigation(const std::string& uri);
  static bool IsCallbackName(const std::string& name);

  // Called by the script bridge with the handler's index.
  void OnScriptMessage(size_t index, const std::string& page_uri, const std::string& argument);

 private:
  struct Entry {
    std::string name;
    Callback fn;
    void* context;
  };
  std::string m_title;
  std::string m_trusted_origin;
  std::vector<Entry> m_callbacks;
  bool m_finished = false;
};
