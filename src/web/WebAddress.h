#pragma once
#include <string>

// Checks and pieces of web addresses, parsed with libcurl's URL parser.

// True for an absolute http or https address with a host and nothing that a program
// started with it could take for an option or a second argument (no leading "-", no
// spaces or control characters).
bool IsWebAddress(const std::string& url);

// "scheme://host[:port]" of an http or https address, lower-case, with the port only
// when it is not the scheme's default; empty for anything else.
std::string WebOrigin(const std::string& url);

// Percent-encodes every byte except the unreserved ones (A-Z a-z 0-9 - . _ ~).
std::string UrlEncode(const std::string& text);
