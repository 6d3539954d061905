#pragma once
// What the storage needs from the layers above it, handed in by the caller:
// texts by number (the language module), questions and notices (message
// boxes in the program, a terminal or flags on the command line, scripted
// answers in tests), and news of own icon pictures (the icon lists).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tb::storage {

class TextSource {
 public:
  virtual ~TextSource() = default;
  // The text of a string number; "?" when there is none.
  virtual std::u16string_view Text(uint32_t number) const = 0;
};

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageIcon { Information, Question, Warning, Stop };
enum class Answer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

struct Message {
  uint32_t textNumber = 0;     // 0 when the text is not a module string
  std::u16string text;         // already formatted
  uint32_t captionNumber = 0;  // 0 when the caption is given as text
  std::u16string caption;
  Buttons buttons = Buttons::Ok;
  MessageIcon icon = MessageIcon::Information;
};

class Prompter {
 public:
  virtual ~Prompter() = default;
  virtual Answer Show(const Message& message) = 0;
};

class IconObserver {
 public:
  virtual ~IconObserver() = default;
  // An own icon picture of a record was loaded or appended.
  virtual void OwnIconPicture(const uint8_t* id16, const uint8_t* bytes, size_t length) = 0;
};

}  // namespace tb::storage
