#pragma once
// JSON bodies of the web side's answers, as the tests read them.
#include <json/json.h>

#include <memory>
#include <string>

// The parsed text, or a null value when it is not JSON.
inline Json::Value ParseJson(const std::string& text) {
  Json::Value v;
  Json::CharReaderBuilder b;
  std::string errs;
  std::unique_ptr<Json::CharReader> r(b.newCharReader());
  if (!r->parse(text.data(), text.data() + text.size(), &v, &errs)) return Json::Value();
  return v;
}
