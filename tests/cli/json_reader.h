#pragma once
// Just enough of a JSON reader to check tbwallet's output structurally and
// to read the fixtures' descriptions: objects keep their members in order,
// numbers are kept as doubles, strings are UTF-8.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tb::test {

struct Json {
  enum class Type { Null, Bool, Number, String, Array, Object } type = Type::Null;
  bool boolean = false;
  double number = 0;
  std::string string;
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> members;

  const Json& operator[](const std::string& key) const {
    static const Json missing;
    for (const auto& [k, v] : members)
      if (k == key) return v;
    return missing;
  }
  const Json& operator[](size_t i) const { return items.at(i); }
  std::vector<std::string> Keys() const {
    std::vector<std::string> keys;
    for (const auto& m : members) keys.push_back(m.first);
    return keys;
  }
  bool IsNull() const { return type == Type::Null; }
};

class JsonReader {
 public:
  // False when the text is not exactly one JSON value (white space around it allowed).
  static bool Parse(const std::string& text, Json* out) {
    JsonReader r(text);
    r.Space();
    if (!r.Value(out, 0)) return false;
    r.Space();
    return r.pos_ == text.size();
  }

 private:
  explicit JsonReader(const std::string& text) : s_(text) {}
  void Space() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\n' || s_[pos_] == '\t' || s_[pos_] == '\r')) ++pos_;
  }
  bool Literal(const char* word) {
    const std::string w(word);
    if (s_.compare(pos_, w.size(), w) != 0) return false;
    pos_ += w.size();
    return true;
  }
  bool String(std::string* out) {
    if (pos_ >= s_.size() || s_[pos_] != '"') return false;
    ++pos_;
    while (pos_ < s_.size()) {
      const unsigned char c = static_cast<unsigned char>(s_[pos_++]);
      if (c == '"') return true;
      if (c < 0x20) return false;  // control characters must be escaped
      if (c != '\\') {
        out->push_back(char(c));
        continue;
      }
      if (pos_ >= s_.size()) return false;
      const char e = s_[pos_++];
      switch (e) {
        case '"':
        case '\\':
        case '/': out->push_back(e); break;
        case 'n': out->push_back('\n'); break;
        case 't': out->push_back('\t'); break;
        case 'r': out->push_back('\r'); break;
        case 'b': out->push_back('\b'); break;
        case 'f': out->push_back('\f'); break;
        case 'u': {
          uint32_t code = 0;
          if (!Hex4(&code)) return false;
          // A surrogate pair is one character.
          if (code >= 0xD800 && code <= 0xDBFF && s_.compare(pos_, 2, "\\u") == 0) {
            pos_ += 2;
            uint32_t low = 0;
            if (!Hex4(&low) || low < 0xDC00 || low > 0xDFFF) return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          }
          AppendUtf8(out, code);
          break;
        }
        default: return false;
      }
    }
    return false;
  }
  bool Hex4(uint32_t* code) {
    if (pos_ + 4 > s_.size()) return false;
    for (size_t i = 0; i < 4; ++i) {
      const char h = s_[pos_ + i];
      const int d = h >= '0' && h <= '9'   ? h - '0'
                    : h >= 'a' && h <= 'f' ? h - 'a' + 10
                    : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                           : -1;
      if (d < 0) return false;
      *code = *code * 16 + uint32_t(d);
    }
    pos_ += 4;
    return true;
  }
  static void AppendUtf8(std::string* out, uint32_t c) {
    if (c < 0x80) {
      out->push_back(char(c));
    } else if (c < 0x800) {
      out->push_back(char(0xC0 | (c >> 6)));
      out->push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out->push_back(char(0xE0 | (c >> 12)));
      out->push_back(char(0x80 | ((c >> 6) & 0x3F)));
      out->push_back(char(0x80 | (c & 0x3F)));
    } else {
      out->push_back(char(0xF0 | (c >> 18)));
      out->push_back(char(0x80 | ((c >> 12) & 0x3F)));
      out->push_back(char(0x80 | ((c >> 6) & 0x3F)));
      out->push_back(char(0x80 | (c & 0x3F)));
    }
  }
  bool Value(Json* v, int depth) {
    if (depth > 64 || pos_ >= s_.size()) return false;
    const char c = s_[pos_];
    if (c == '{') {
      v->type = Json::Type::Object;
      ++pos_;
      Space();
      if (pos_ < s_.size() && s_[pos_] == '}') return ++pos_, true;
      for (;;) {
        std::string key;
        Space();
        if (!String(&key)) return false;
        Space();
        if (pos_ >= s_.size() || s_[pos_++] != ':') return false;
        Space();
        Json member;
        if (!Value(&member, depth + 1)) return false;
        v->members.emplace_back(std::move(key), std::move(member));
        Space();
        if (pos_ >= s_.size()) return false;
        if (s_[pos_] == ',') {
          ++pos_;
          continue;
        }
        if (s_[pos_] == '}') return ++pos_, true;
        return false;
      }
    }
    if (c == '[') {
      v->type = Json::Type::Array;
      ++pos_;
      Space();
      if (pos_ < s_.size() && s_[pos_] == ']') return ++pos_, true;
      for (;;) {
        Space();
        Json item;
        if (!Value(&item, depth + 1)) return false;
        v->items.push_back(std::move(item));
        Space();
        if (pos_ >= s_.size()) return false;
        if (s_[pos_] == ',') {
          ++pos_;
          continue;
        }
        if (s_[pos_] == ']') return ++pos_, true;
        return false;
      }
    }
    if (c == '"') {
      v->type = Json::Type::String;
      return String(&v->string);
    }
    if (Literal("null")) return v->type = Json::Type::Null, true;
    if (Literal("true")) return v->type = Json::Type::Bool, v->boolean = true, true;
    if (Literal("false")) return v->type = Json::Type::Bool, v->boolean = false, true;
    const size_t start = pos_;
    if (pos_ < s_.size() && s_[pos_] == '-') ++pos_;
    while (pos_ < s_.size() && ((s_[pos_] >= '0' && s_[pos_] <= '9') || s_[pos_] == '.' || s_[pos_] == 'e' ||
                                s_[pos_] == 'E' || s_[pos_] == '+'))
      ++pos_;
    if (pos_ == start) return false;
    v->type = Json::Type::Number;
    v->number = std::stod(s_.substr(start, pos_ - start));
    return true;
  }

  const std::string& s_;
  size_t pos_ = 0;
};

}  // namespace tb::test
