#pragma once
// A small JSON writer for the machine-readable output of tbwallet. Wallet
// texts are UTF-16; they are written as UTF-8 with every control character
// escaped, so a name or value can never break the structure.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tb::cli {

class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  // The name of the next member of the object being written.
  JsonWriter& Key(std::string_view name);
  JsonWriter& String(std::u16string_view text);
  JsonWriter& Utf8(std::string_view text);   // already UTF-8
  JsonWriter& Number(int64_t value);
  JsonWriter& Unsigned(uint64_t value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();

  const std::string& Text() const { return out_; }

 private:
  void BeforeValue();
  std::string out_;
  // One entry per open object or array: whether it has a member yet.
  std::vector<bool> hasMember_;
  bool afterKey_ = false;
};

// The quoted, escaped JSON form of a UTF-8 text.
std::string JsonQuote(std::string_view utf8);

}  // namespace tb::cli
