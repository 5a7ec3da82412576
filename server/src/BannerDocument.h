#pragma once
// The banner document the game downloads from "/web_content/profile.htm": the banners it
// draws in the lobby and the scenes, and the announcement over the lobby, with their
// pictures served from the kit's web_content/banner/ folder.
#include <string>

namespace tsrv {

// The document for a web side reached at `base_url` ("http://host:port"), which prefixes
// every picture and page address in it.
std::string BannerDocument(const std::string& base_url);

// "http://" and the request's Host header when it is a plain host name or address with an
// optional port; otherwise `fallback`. The header comes from the peer, so nothing else
// of it reaches the document.
std::string BaseUrlFromHost(const std::string& host_header, const std::string& fallback);

}  // namespace tsrv
