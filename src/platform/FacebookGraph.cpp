#include "platform/FacebookGraph.h"

#include <curl/curl.h>
#include <json/json.h>

#include <cctype>
#include <memory>

#include "framework/Log.h"
#include "web/WebAddress.h"

namespace Facebook {

namespace {

struct Body {
  std::string data;
  size_t limit = 0;
  bool too_long = false;
};

size_t Collect(char* ptr, size_t size, size_t count, void* user) {
  auto* b = static_cast<Body*>(user);
  const size_t n = size * count;
  if (b->data.size() + n > b->limit) {
    b->too_long = true;
    return 0;
  }
  b->data.append(ptr, n);
  return n;
}

std::string TextMember(const Json::Value& obj, const char* key) {
  if (!obj.isObject() || !obj.isMember(key)) {
    Log(LOG_TRACE, "Info: json_%s is missing", key);
    return std::string();
  }
  const Json::Value& v = obj[key];
  if (v.isString()) return v.asString();
  if (v.isIntegral()) return v.asString();
  return std::string();
}

}  // namespace

std::string HttpRequester::Get(const std::string& url) {
  if (!IsWebAddress(url)) throw InvalidArgument("http");
  CURL* easy = curl_easy_init();
  if (!easy) throw InvalidArgument("http");
  Body body;
  body.limit = options.max_body_bytes;
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!options.ca_file.empty()) curl_easy_setopt(easy, CURLOPT_CAINFO, options.ca_file.c_str());
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, options.connect_timeout_ms);
  curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, options.total_timeout_ms);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Collect);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
  const CURLcode rc = curl_easy_perform(easy);
  long status = 0;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_cleanup(easy);
  if (rc != CURLE_OK || body.too_long) {
    Log(LOG_WARNING, "[WARNING]: Facebook::HttpRequester| %s", body.too_long ? "answer too long" : curl_easy_strerror(rc));
    throw InvalidArgument("http");
  }
  // Graph errors come with 4xx codes and an error object: the caller reads it.
  if (status >= 500 || status == 0) throw InvalidArgument("http");
  return body.data;
}

std::string BuildRequestUrl(const std::string& base, const std::string& path,
                            const std::map<std::string, std::string>& params) {
  std::string url = base + path;
  char sep = '?';
  for (const auto& [key, value] : params) {  // std::map walks in key order
    url += sep;
    url += UrlEncode(key) + "=" + UrlEncode(value);
    sep = '&';
  }
  return url;
}

std::string AuthenticationUrl(const std::string& authorize_base, const std::string& app_id,
                              const std::string& redirect_uri) {
  return authorize_base + "?client_id=" + UrlEncode(app_id) + "&redirect_uri=" + UrlEncode(redirect_uri) +
         "&type=" + UrlEncode("user_agent") + "&display=" + UrlEncode("popup") + "&scope=user_friends";
}

std::string LogoutUrl(const std::string& logout_base, const std::string& next, const std::string& access_token) {
  return logout_base + "?next=" + UrlEncode(next) + "&access_token=" + UrlEncode(access_token);
}

bool IsGraphId(const std::string& id) {
  if (id.empty() || id.size() > 29) return false;
  for (unsigned char c : id)
    if (!std::isdigit(c)) return false;
  return true;
}

std::string PadSocialId(const std::string& id) {
  if (!IsGraphId(id)) return std::string();
  return id.size() >= 20 ? id : std::string(20 - id.size(), '0') + id;
}

const char* const User::kFields[17] = {"id",       "first_name",  "last_name", "name",  "link",
                                       "about",    "birthday",    "work",      "email", "website",
                                       "gender",   "meeting_for", "relationship_status",
                                       "religion", "political",   "verified",  "significant_other"};

std::string User::Get(const std::string& name) const {
  auto it = fields.find(name);
  return it == fields.end() ? std::string() : it->second;
}

Session::Session(const std::string& access_token, HttpRequester* requester, const std::string& graph_base)
    : m_token(access_token), m_requester(requester), m_graph_base(graph_base) {
  Log(LOG_TRACE, "Info: Initializing Session");
  if (m_token.empty()) {
    Log(LOG_TRACE, "Info: No access_token found");
    throw UnexpectedException("Unable to find access token from redirected URL");
  }
}

Json::Value Session::Request(const std::string& path, std::map<std::string, std::string> params) {
  params["access_token"] = m_token;
  Log(LOG_TRACE, "Info: Graph request %s", path.c_str());
  const std::string body = m_requester->Get(BuildRequestUrl(m_graph_base, path, params));
  Json::CharReaderBuilder builder;
  builder["stackLimit"] = 64;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value doc;
  std::string errors;
  bool ok = false;
  try {
    ok = reader->parse(body.data(), body.data() + body.size(), &doc, &errors);
  } catch (const std::exception&) {
    ok = false;
  }
  if (!ok || !doc.isObject()) throw InvalidArgument("json");
  if (doc.isMember("error")) {
    const Json::Value& e = doc["error"];
    throw FacebookException(TextMember(e, "type"), TextMember(e, "message"));
  }
  return doc;
}

User Session::getCurrentUser() {
  const Json::Value doc = Request("/me", {});
  User u;
  for (const char* f : User::kFields)
    if (doc.isMember(f)) u.fields[f] = TextMember(doc, f);
  return u;
}

std::vector<Friend> Session::LoadFriends(const std::string& user_id, size_t offset) {
  if (!IsGraphId(user_id)) throw InvalidArgument("id");
  const Json::Value doc = Request("/" + UrlEncode(user_id) + "/friends", {{"offset", std::to_string(offset)}});
  std::vector<Friend> out;
  if (!doc.isMember("data") || !doc["data"].isArray()) {
    Log(LOG_TRACE, "Info: object is missing");
    return out;
  }
  for (const Json::Value& f : doc["data"]) {
    if (!f.isObject()) continue;
    out.push_back({TextMember(f, "id"), TextMember(f, "name")});
  }
  return out;
}

}  // namespace Facebook
