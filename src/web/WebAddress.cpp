#include "web/WebAddress.h"

#include <curl/curl.h>

#include <cctype>
#include <memory>

namespace {

struct UrlHandle {
  CURLU* url = curl_url();
  ~UrlHandle() { curl_url_cleanup(url); }
};

std::string Part(CURLU* url, CURLUPart part, unsigned flags = 0) {
  char* text = nullptr;
  if (curl_url_get(url, part, &text, flags) != CURLUE_OK || !text) return std::string();
  std::string out(text);
  curl_free(text);
  return out;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The parsed address when it is http or https with a host; null otherwise.
std::unique_ptr<UrlHandle> ParseWeb(const std::string& text) {
  if (text.empty() || text[0] == '-') return nullptr;
  for (unsigned char c : text)
    if (c <= 0x20 || c == 0x7F) return nullptr;
  auto h = std::make_unique<UrlHandle>();
  if (!h->url || curl_url_set(h->url, CURLUPART_URL, text.c_str(), 0) != CURLUE_OK) return nullptr;
  const std::string scheme = Lower(Part(h->url, CURLUPART_SCHEME));
  if (scheme != "http" && scheme != "https") return nullptr;
  // The text itself must name the scheme: the parser would add one to "host/path".
  if (Lower(text.substr(0, scheme.size() + 3)) != scheme + "://") return nullptr;
  if (Part(h->url, CURLUPART_HOST).empty()) return nullptr;
  return h;
}

}  // namespace

bool IsWebAddress(const std::string& url) { return ParseWeb(url) != nullptr; }

std::string WebOrigin(const std::string& url) {
  std::unique_ptr<UrlHandle> h = ParseWeb(url);
  if (!h) return std::string();
  std::string origin = Lower(Part(h->url, CURLUPART_SCHEME)) + "://" + Lower(Part(h->url, CURLUPART_HOST));
  const std::string port = Part(h->url, CURLUPART_PORT, CURLU_NO_DEFAULT_PORT);
  if (!port.empty()) origin += ":" + port;
  return origin;
}

std::string UrlEncode(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}
