#pragma once
// The small client of the social network's Graph API used after the login: the
// session built from the access token, the current user, the friend list, and the
// address builders of the authorisation and logout pages.
//
// Requests are blocking (libcurl, http and https only, certificates checked, with
// time-outs); callers run them on the main thread with the splash window up.
// Access tokens never reach a log line: only paths are logged, never addresses.
#include <cstddef>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace Json {
class Value;
}

namespace Facebook {

class UnexpectedException : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};
class InvalidArgument : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};
// An error object in a Graph answer.
class FacebookException : public std::runtime_error {
 public:
  FacebookException(const std::string& type, const std::string& message)
      : std::runtime_error(message), m_type(type) {}
  const std::string& Type() const { return m_type; }

 private:
  std::string m_type;
};

// Transfer limits of the Graph requests.
struct HttpOptions {
  long connect_timeout_ms = 10000;
  long total_timeout_ms = 20000;
  size_t max_body_bytes = 1u << 20;
  std::string ca_file;  // empty: the system store
};

// GETs whole answers. Tests replace it with a recorder.
class HttpRequester {
 public:
  virtual ~HttpRequester() = default;
  // The body of a 2xx answer, or throws InvalidArgument("http") on failure.
  virtual std::string Get(const std::string& url);
  HttpOptions options;
};

// base + path, then "?" and key=value pairs (both URL-encoded) in key order.
std::string BuildRequestUrl(const std::string& base, const std::string& path,
                            const std::map<std::string, std::string>& params);
// The OAuth authorisation page address of the login dialog.
std::string AuthenticationUrl(const std::string& authorize_base, const std::string& app_id,
                              const std::string& redirect_uri);
// The social network's logout page, returning to `next`.
std::string LogoutUrl(const std::string& logout_base, const std::string& next, const std::string& access_token);

// Graph user ids are digits only, 1 to 29 of them.
bool IsGraphId(const std::string& id);
// The id left-padded with "0" to 20 characters; empty when it is not a Graph id.
std::string PadSocialId(const std::string& id);

// The user fields the client reads.
struct User {
  static const char* const kFields[17];
  std::map<std::string, std::string> fields;
  std::string Get(const std::string& name) const;
};

struct Friend {
  std::string id;
  std::string name;
};

class Session {
 public:
  // Throws UnexpectedException when the token is empty.
  Session(const std::string& access_token, HttpRequester* requester, const std::string& graph_base);

  // GET base/path with the token added; the parsed object. Throws InvalidArgument
  // ("json") for a body that is not JSON and FacebookException for an error answer.
  Json::Value Request(const std::string& path, std::map<std::string, std::string> params);
  User getCurrentUser();
  // One page of the friends of `user_id` from `offset`; refuses ids that are not
  // Graph ids (InvalidArgument).
  std::vector<Friend> LoadFriends(const std::string& user_id, size_t offset);

 private:
  std::string m_token;
  HttpRequester* m_requester;
  std::string m_graph_base;
};

}  // namespace Facebook
