// tbwallet upgrade: opens a version-5 wallet, asks, and upgrades it to the
// current format with a progress bar on a terminal.
#include <cstring>
#include <ostream>
#include <string>

#include "cli/commands.h"

namespace tb::cli {

namespace {

constexpr int kBarWidth = 40;

void DrawBar(std::ostream& err, double fraction) {
  if (fraction < 0) fraction = 0;
  if (fraction > 1) fraction = 1;
  const int filled = int(fraction * kBarWidth + 0.5);
  const int percent = int(fraction * 100 + 0.5);
  std::string line = "\rUpgrading [" + std::string(size_t(filled), '#') + std::string(size_t(kBarWidth - filled), ' ') +
                     "] " + std::to_string(percent) + "%";
  err << line << std::flush;
}

// The answers of AnswerPrompter; on a terminal the progress bar is closed
// off before the closing notice, completed when the upgrade went through.
class UpgradePrompter : public AnswerPrompter {
 public:
  UpgradePrompter(Session& s, bool assumeYes, bool bar) : AnswerPrompter(s, assumeYes), s_(s), bar_(bar) {}

  void Progress(double fraction) {
    DrawBar(s_.err, fraction);
    drawn_ = true;
  }

  storage::Answer Show(const storage::Message& message) override {
    if (message.buttons == storage::Buttons::Ok && bar_ && asked_) {
      if (message.icon == storage::MessageIcon::Information) {
        DrawBar(s_.err, 1.0);
        drawn_ = true;
      }
      if (drawn_) s_.err << "\n";
      drawn_ = false;
    }
    if (message.buttons != storage::Buttons::Ok) asked_ = true;
    return AnswerPrompter::Show(message);
  }

 private:
  Session& s_;
  bool bar_;
  bool asked_ = false;
  bool drawn_ = false;
};

}  // namespace

int CmdUpgrade(Session& s, const ParsedArgs& a) {
  const std::string& walletArg = a.positional[0];
  const bool previous = HasPreviousFormat(AbsolutePath(walletArg));
  storage::Wallet wallet;
  UpgradePrompter prompter(s, a.Has("--yes"), s.env.stderrIsTerminal);
  if (s.env.stderrIsTerminal) wallet.SetUpgradeProgress([&](double f) { prompter.Progress(f); });
  // A wallet of the current format gets no questions here: a damaged one is
  // for 'tbwallet repair'.
  const int rc = OpenWallet(s, walletArg, false, wallet, previous ? &prompter : nullptr);
  if (rc != kExitOk) {
    if (previous && prompter.Declined())
      s.err << "tbwallet: the upgrade was declined; " << walletArg
            << " keeps the previous format (its deleted records were removed)\n";
    else if (wallet.LastUpgradeStatus() != storage::UpgradeStatus::Done)
      s.err << "tbwallet: the conversion stopped: " << storage::Describe(wallet.LastUpgradeStatus()) << " (status "
            << int(wallet.LastUpgradeStatus()) << "); " << walletArg << " was left in the previous format\n";
    return rc;
  }
  if (!previous) s.out << walletArg << " already has the current format; nothing to upgrade\n";
  return CloseWallet(s, walletArg, wallet);
}

}  // namespace tb::cli
