#pragma once
// The questions of the imports (tab-separated and CSV): --yes takes every
// card; otherwise each answer is read as every other answer is (a prompt on
// a terminal, else the next line of standard input). An answer that is not
// yes, no or cancel is asked again on a terminal and taken as cancel from a
// pipe; answers running out end the import as cancel does. Errors and
// warnings go to standard error, notes to standard output.
#include "cli/session.h"

namespace tb::cli {

class ImportPrompter : public storage::Prompter {
 public:
  ImportPrompter(Session& s, bool assumeYes) : s_(s), assumeYes_(assumeYes) {}

  storage::Answer Show(const storage::Message& message) override;
  bool RanOut() const { return ranOut_; }

 private:
  Session& s_;
  bool assumeYes_;
  bool ranOut_ = false;
};

}  // namespace tb::cli
