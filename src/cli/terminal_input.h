#pragma once
// Answers from standard input's descriptor: read with read(2) a byte at a
// time into wiping storage, since a stream's buffer would keep a copy of
// every answer, and with the terminal's echo off for secrets.
#include <termios.h>

#include "storage/cipher/secure.h"

namespace tb::cli {

// One line from fd without its LF. False at the end of the input with
// nothing read, or on a read error.
bool ReadLineFrom(int fd, storage::SecureString* line);

// While it lives, the terminal at fd does not echo what is typed (a line
// break still shows). Ctrl-C, Ctrl-\, SIGTERM and SIGHUP give the terminal
// its echo back before the process ends; Ctrl-Z gives it back before the
// process stops, and ReadLineFrom turns it off again when the process
// goes on.
class HiddenInput {
 public:
  explicit HiddenInput(int fd);
  ~HiddenInput();
  HiddenInput(const HiddenInput&) = delete;
  HiddenInput& operator=(const HiddenInput&) = delete;

  bool Active() const { return active_; }

 private:
  bool active_ = false;
};

}  // namespace tb::cli
