// A small JSON reader for the expectation files beside the shared test drawings: objects,
// arrays, strings, numbers, true, false and null. Test-only; enough for files an independent
// program wrote, not a general parser.
#pragma once

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace dxf_test {

struct Json {
  enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
  double number = 0;
  std::string text;
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> members;  // in file order

  const Json* get(const std::string& key) const {
    for (const auto& m : members)
      if (m.first == key) return &m.second;
    return nullptr;
  }
};

class JsonReader {
 public:
  explicit JsonReader(const std::string& text) : t_(text) {}
  bool parse(Json* out) {
    bool ok = value(out);
    space();
    return ok && p_ == t_.size();
  }

 private:
  void space() {
    while (p_ < t_.size() && (t_[p_] == ' ' || t_[p_] == '\n' || t_[p_] == '\r' || t_[p_] == '\t'))
      ++p_;
  }
  bool literal(const char* word) {
    size_t n = std::char_traits<char>::length(word);
    if (t_.compare(p_, n, word) != 0) return false;
    p_ += n;
    return true;
  }
  bool string(std::string* out) {
    if (p_ >= t_.size() || t_[p_] != '"') return false;
    ++p_;
    while (p_ < t_.size() && t_[p_] != '"') {
      char c = t_[p_++];
      if (c == '\\' && p_ < t_.size()) {
        char e = t_[p_++];
        if (e == 'u' && p_ + 4 <= t_.size()) {
          long cp = std::strtol(t_.substr(p_, 4).c_str(), nullptr, 16);
          p_ += 4;
          // Latin-1 range only: the expectation files name layers in it.
          out->push_back(cp < 256 ? static_cast<char>(cp) : '?');
          continue;
        }
        c = e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
      }
      out->push_back(c);
    }
    if (p_ >= t_.size()) return false;
    ++p_;
    return true;
  }
  bool value(Json* out) {
    space();
    if (p_ >= t_.size()) return false;
    char c = t_[p_];
    if (c == '{') {
      out->kind = Json::Object;
      ++p_;
      space();
      if (p_ < t_.size() && t_[p_] == '}') return ++p_, true;
      for (;;) {
        space();
        std::string key;
        if (!string(&key)) return false;
        space();
        if (p_ >= t_.size() || t_[p_++] != ':') return false;
        Json v;
        if (!value(&v)) return false;
        out->members.emplace_back(key, std::move(v));
        space();
        if (p_ < t_.size() && t_[p_] == ',') {
          ++p_;
          continue;
        }
        return p_ < t_.size() && t_[p_++] == '}';
      }
    }
    if (c == '[') {
      out->kind = Json::Array;
      ++p_;
      space();
      if (p_ < t_.size() && t_[p_] == ']') return ++p_, true;
      for (;;) {
        Json v;
        if (!value(&v)) return false;
        out->items.push_back(std::move(v));
        space();
        if (p_ < t_.size() && t_[p_] == ',') {
          ++p_;
          continue;
        }
        return p_ < t_.size() && t_[p_++] == ']';
      }
    }
    if (c == '"') {
      out->kind = Json::String;
      return string(&out->text);
    }
    if (literal("true")) return out->kind = Json::Bool, out->number = 1, true;
    if (literal("false")) return out->kind = Json::Bool, true;
    if (literal("null")) return true;
    char* end = nullptr;
    out->number = std::strtod(t_.c_str() + p_, &end);
    if (end == t_.c_str() + p_) return false;
    p_ = static_cast<size_t>(end - t_.c_str());
    out->kind = Json::Number;
    return true;
  }

  const std::string& t_;
  size_t p_ = 0;
};

}  // namespace dxf_test
