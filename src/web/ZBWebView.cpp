#include "web/ZBWebView.h"

#include <SDL.h>

#include <cctype>
#include <cstring>
#include <random>

#include "framework/Clock.h"
#include "framework/Log.h"
#include "web/WebAddress.h"

#if defined(__has_include)
#if __has_include(<webkit2/webkit2.h>)
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>
#define TOLVAN_HAVE_WEBKIT 1
#endif
#endif

namespace {
bool g_modal_open = false;
}

// ---------------------------------------------------------------- rules

bool ZBWebView::AcceptCall(const std::string& page_uri, const std::string& trusted_origin, size_t argument_bytes) {
  if (argument_bytes > kMaxArgumentBytes) return false;
  const std::string origin = WebOrigin(page_uri);
  return !origin.empty() && origin == trusted_origin;
}

bool ZBWebView::AllowNavigation(const std::string& uri) { return uri == "about:blank" || IsWebAddress(uri); }

bool ZBWebView::IsCallbackName(const std::string& name) {
  if (name.empty() || name.size() > 64 || std::isdigit(static_cast<unsigned char>(name[0]))) return false;
  for (unsigned char c : name)
    if (!std::isalnum(c) && c != '_') return false;
  return true;
}

ZBWebView::ZBWebView(const std::string& title) : m_title(title) {}

ZBWebView::~ZBWebView() = default;

bool ZBWebView::AddCallback(const std::string& name, Callback fn, void* context) {
  if (!IsCallbackName(name) || !fn) return false;
  m_callbacks.push_back({name, fn, context});
  return true;
}

void ZBWebView::OnScriptMessage(size_t index, const std::string& page_uri, const std::string& argument) {
  if (index >= m_callbacks.size()) return;
  const Entry& e = m_callbacks[index];
  if (argument.size() > kMaxArgumentBytes) {
    Log(LOG_WARNING, "[WARNING]: ZBWebView| a call of %s with %zu bytes is ignored", e.name.c_str(), argument.size());
    return;
  }
  if (!AcceptCall(page_uri, m_trusted_origin, argument.size())) {
    const std::string origin = WebOrigin(page_uri);
    Log(LOG_WARNING, "[WARNING]: ZBWebView| a call of %s from another origin (%s) is ignored", e.name.c_str(),
        origin.empty() ? "not a web page" : origin.c_str());
    return;
  }
  Log(LOG_TRACE, "ZBWebView| page call %s (%zu bytes)", e.name.c_str(), argument.size());
  e.fn(e.context, this, argument);
}

#ifdef TOLVAN_HAVE_WEBKIT

// ---------------------------------------------------------------- GTK

bool GtkModal::Init() {
  static int state = 0;  // 0 not tried, 1 ready, -1 unavailable
  if (state) return state > 0;
  gtk_disable_setlocale();  // the game's number formatting stays as it is
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || std::strcmp(driver, "x11") == 0) gdk_set_allowed_backends("x11");
  state = gtk_init_check(nullptr, nullptr) ? 1 : -1;
  // When a platform window closes, the focus comes back to the game window; a click
  // that follows at once must still count (SDL drops clicks just after a focus change).
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  if (state < 0) Log(LOG_WARNING, "[WARNING]: GtkModal::Init| no display for platform windows");
  return state > 0;
}

bool GtkModal::IsOpen() { return g_modal_open; }

WebViewArea GtkModal::CentredOnGameWindow(int width, int height) {
  WebViewArea a;
  a.width = width;
  a.height = height;
  if (SDL_Window* game = SDL_GL_GetCurrentWindow()) {
    int gx = 0, gy = 0, gw = 0, gh = 0;
    SDL_GetWindowPosition(game, &gx, &gy);
    SDL_GetWindowSize(game, &gw, &gh);
    a.x = gx + (gw - width) / 2;
    a.y = gy + (gh - height) / 2;
  }
  return a;
}

namespace {
gboolean OnDeleteEvent(GtkWidget*, GdkEvent*, gpointer finished) {
  *static_cast<bool*>(finished) = true;
  return TRUE;  // the loop destroys the window itself
}
}  // namespace

void GtkModal::Run(void* gtk_window, const WebViewArea& area, bool* finished) {
  GtkWidget* window = static_cast<GtkWidget*>(gtk_window);
  SDL_Window* game = SDL_GL_GetCurrentWindow();
  SDL_GLContext gl = SDL_GL_GetCurrentContext();
  const uint32_t game_id = game ? SDL_GetWindowID(game) : 0;
  g_signal_connect(window, "delete-event", G_CALLBACK(OnDeleteEvent), finished);
  gtk_window_set_default_size(GTK_WINDOW(window), area.width, area.height);
  gtk_window_set_keep_above(GTK_WINDOW(window), TRUE);
  // Without a window manager nothing places the window: put it over the game.
  gtk_window_move(GTK_WINDOW(window), area.x, area.y);
  gtk_widget_show_all(window);
  gtk_window_present(GTK_WINDOW(window));

  g_modal_open = true;
  bool quit_requested = false;
  int ignored = 0;
  while (!*finished) {
    while (g_main_context_iteration(nullptr, FALSE)) {
      if (*finished) break;
    }
    SDL_Event ev;
    while (SDL_PollEvent(&ev)) {
      if (ev.type == SDL_QUIT ||
          (ev.type == SDL_WINDOWEVENT && ev.window.windowID == game_id && ev.window.event == SDL_WINDOWEVENT_CLOSE)) {
        quit_requested = true;
        *finished = true;
      } else if (ev.type == SDL_WINDOWEVENT && ev.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
        gtk_window_present(GTK_WINDOW(window));
      } else if (ev.type == SDL_MOUSEBUTTONDOWN || ev.type == SDL_KEYDOWN) {
        ++ignored;
        Log(LOG_TRACE, "GtkModal| input to the game window ignored while a platform window is open");
      }
    }
    if (!*finished) SleepMs(5);
  }
  g_modal_open = false;
  gtk_widget_destroy(window);
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
  // The X server must see the window go before the game takes the pointer again.
  if (GdkDisplay* display = gdk_display_get_default()) gdk_display_sync(display);
  if (game && gl) SDL_GL_MakeCurrent(game, gl);
  if (game) SDL_RaiseWindow(game);
  Log(LOG_TRACE, "GtkModal| closed (%d input events ignored)", ignored);
  if (quit_requested) {
    // The game's own loop carries out the close it asked for.
    SDL_Event q{};
    q.type = SDL_QUIT;
    SDL_PushEvent(&q);
  }
}

// ---------------------------------------------------------------- the web view

namespace {

struct Bridge {
  ZBWebView* view;
  WebKitWebView* web;
  size_t index;
};

void OnMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data) {
  auto* b = static_cast<Bridge*>(data);
  JSCValue* value = webkit_javascript_result_get_js_value(result);
  std::string argument;
  if (value && jsc_value_is_string(value)) {
    char* text = jsc_value_to_string(value);
    if (text) {
      argument = text;
      g_free(text);
    }
  }
  const char* uri = webkit_web_view_get_uri(b->web);
  b->view->OnScriptMessage(b->index, uri ? uri : "", argument);
}

gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type, gpointer) {
  if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
    Log(LOG_WARNING, "[WARNING]: ZBWebView| a new window is refused");
    webkit_policy_decision_ignore(decision);
    return TRUE;
  }
  if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
    WebKitNavigationAction* action =
        webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
    if (!uri || !ZBWebView::AllowNavigation(uri)) {
      Log(LOG_WARNING, "[WARNING]: ZBWebView| navigation to a non-web address is refused");
      webkit_policy_decision_ignore(decision);
      return TRUE;
    }
  }
  return FALSE;
}

GtkWidget* OnCreate(WebKitWebView*, WebKitNavigationAction*, gpointer) { return nullptr; }

std::string RandomHex(size_t n) {
  std::random_device rd;
  static const char kHex[] = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < n; ++i) s += kHex[rd() & 15];
  return s;
}

}  // namespace

int ZBWebView::Open(const std::string& url, const WebViewArea& area) {
  if (!IsWebAddress(url)) {
    Log(LOG_WARNING, "[WARNING]: ZBWebView::Open| not a web address");
    return 0;
  }
  if (GtkModal::IsOpen() || !GtkModal::Init()) return 0;
  if (m_trusted_origin.empty()) m_trusted_origin = WebOrigin(url);
  m_finished = false;

  WebKitWebContext* context = webkit_web_context_new_ephemeral();
  WebKitUserContentManager* content = webkit_user_content_manager_new();
  // The handlers have names no page can guess; a script put into the top frame only
  // binds them to window.external under the game's names.
  const std::string prefix = "tolvan_" + RandomHex(24) + "_";
  std::string script =
      "(function () {\n"
      "  var handlers = window.webkit && window.webkit.messageHandlers;\n"
      "  if (!handlers) return;\n"
      "  var ext = window.external;\n"
      "  if (!ext) { try { ext = window.external = {}; } catch (e) { return; } }\n"
      "  function bind(name, handler) {\n"
      "    var h = handlers[handler];\n"
      "    ext[name] = function (text) { h.postMessage(text === undefined || text === null ? '' : String(text)); };\n"
      "  }\n";
  std::vector<Bridge*> bridges;
  for (size_t i = 0; i < m_callbacks.size(); ++i) {
    const std::string handler = prefix + std::to_string(i);
    webkit_user_content_manager_register_script_message_handler(content, handler.c_str());
    auto* b = new Bridge{this, nullptr, i};
    bridges.push_back(b);
    g_signal_connect(content, ("script-message-received::" + handler).c_str(), G_CALLBACK(OnMessage), b);
    // Both names are identifiers checked by AddCallback and made here.
    script += "  bind('" + m_callbacks[i].name + "', '" + handler + "');\n";
  }
  script += "})();\n";
  WebKitUserScript* user_script = webkit_user_script_new(script.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                                         WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(content, user_script);
  webkit_user_script_unref(user_script);

  GtkWidget* web = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, "user-content-manager",
                                           content, nullptr));
  WebKitWebView* wv = WEBKIT_WEB_VIEW(web);
  for (Bridge* b : bridges) b->web = wv;
  WebKitSettings* settings = webkit_web_view_get_settings(wv);
  webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);
  webkit_settings_set_enable_developer_extras(settings, FALSE);
  g_signal_connect(web, "decide-policy", G_CALLBACK(OnDecidePolicy), nullptr);
  g_signal_connect(web, "create", G_CALLBACK(OnCreate), nullptr);

  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), m_title.c_str());
  gtk_container_add(GTK_CONTAINER(window), web);
  webkit_web_view_load_uri(wv, url.c_str());
  gtk_widget_grab_focus(web);
  Log(LOG_TRACE, "ZBWebView::Open| \"%s\" on %s", m_title.c_str(), WebOrigin(url).c_str());

  GtkModal::Run(window, area, &m_finished);

  for (size_t i = 0; i < bridges.size(); ++i) {
    g_signal_handlers_disconnect_by_data(content, bridges[i]);
    webkit_user_content_manager_unregister_script_message_handler(content, (prefix + std::to_string(i)).c_str());
    delete bridges[i];
  }
  g_object_unref(content);
  g_object_unref(context);
  return 1;
}

#else  // no WebKitGTK in this build

bool GtkModal::Init() { return false; }
bool GtkModal::IsOpen() { return g_modal_open; }
WebViewArea GtkModal::CentredOnGameWindow(int width, int height) { return WebViewArea{0, 0, width, height}; }
void GtkModal::Run(void*, const WebViewArea&, bool* finished) { *finished = true; }
int ZBWebView::Open(const std::string&, const WebViewArea&) {
  Log(LOG_WARNING, "[WARNING]: ZBWebView::Open| this build has no web view");
  return 0;
}

#endif
