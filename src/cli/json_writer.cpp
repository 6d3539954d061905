#include "cli/json_writer.h"

#include "cli/session.h"

namespace tb::cli {

void AppendJsonQuoted(storage::SecureString& out, std::string_view utf8) {
  static const char kDigits[] = "0123456789abcdef";
  out.reserve(out.size() + utf8.size() + 2);
  out.push_back('"');
  for (char ch : utf8) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(ch);
    } else if (c < 0x20 || c == 0x7F) {
      out += "\\u00";
      out.push_back(kDigits[c >> 4]);
      out.push_back(kDigits[c & 15]);
    } else {
      out.push_back(ch);
    }
  }
  out.push_back('"');
}

void JsonWriter::WriteLine(std::ostream& out) const {
  WriteInPieces(out, out_);
  WriteInPieces(out, "\n");
}

void JsonWriter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (!hasMember_.empty()) {
    if (hasMember_.back()) out_.push_back(',');
    hasMember_.back() = true;
  }
}

void JsonWriter::Quoted(std::string_view utf8) { AppendJsonQuoted(out_, utf8); }

JsonWriter& JsonWriter::BeginObject() {
  BeforeValue();
  out_.push_back('{');
  hasMember_.push_back(false);
  return *this;
}

JsonWriter& JsonWriter::EndObject() {
  out_.push_back('}');
  if (!hasMember_.empty()) hasMember_.pop_back();
  return *this;
}

JsonWriter& JsonWriter::BeginArray() {
  BeforeValue();
  out_.push_back('[');
  hasMember_.push_back(false);
  return *this;
}

JsonWriter& JsonWriter::EndArray() {
  out_.push_back(']');
  if (!hasMember_.empty()) hasMember_.pop_back();
  return *this;
}

JsonWriter& JsonWriter::Key(std::string_view name) {
  BeforeValue();
  Quoted(name);
  out_.push_back(':');
  afterKey_ = true;
  return *this;
}

JsonWriter& JsonWriter::String(std::u16string_view text) {
  // Ill-formed UTF-16 (a lone surrogate) comes out as U+FFFD.
  return Utf8(SecretUtf8(text));
}

JsonWriter& JsonWriter::Utf8(std::string_view text) {
  BeforeValue();
  Quoted(text);
  return *this;
}

JsonWriter& JsonWriter::Number(int64_t value) {
  BeforeValue();
  out_ += std::to_string(value);
  return *this;
}

JsonWriter& JsonWriter::Unsigned(uint64_t value) {
  BeforeValue();
  out_ += std::to_string(value);
  return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
  BeforeValue();
  out_ += value ? "true" : "false";
  return *this;
}

JsonWriter& JsonWriter::Null() {
  BeforeValue();
  out_ += "null";
  return *this;
}

}  // namespace tb::cli
