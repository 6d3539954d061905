#pragma once
// A small JSON writer for the machine-readable output of tbwallet. Wallet
// texts are UTF-16; they are written as UTF-8 with every control character
// escaped, so a name or value can never break the structure. The output
// may hold passwords (show --reveal, dump), so it is built in wiping
// storage and handed to the stream in pieces.
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "storage/cipher/secure.h"

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
  JsonWriter& Utf8(std::string_view text);  // already UTF-8
  JsonWriter& Number(int64_t value);
  JsonWriter& Unsigned(uint64_t value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();

  std::string_view Text() const { return out_; }
  // The text and a line break, written to out in pieces.
  void WriteLine(std::ostream& out) const;

 private:
  void BeforeValue();
  void Quoted(std::string_view utf8);
  storage::SecureString out_;
  // One entry per open object or array: whether it has a member yet.
  std::vector<bool> hasMember_;
  bool afterKey_ = false;
};

// Appends the quoted, escaped JSON form of a UTF-8 text.
void AppendJsonQuoted(storage::SecureString& out, std::string_view utf8);

}  // namespace tb::cli
