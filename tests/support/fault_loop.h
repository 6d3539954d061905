#pragma once
// The fault loop: an operation on a wallet file run again and again with a
// fault at its 1st, 2nd, 3rd ... file operation (failing once, failing
// from then on, or a power cut tearing a write) until it runs through
// without meeting one. After each fault the file is opened again as the
// program would open it, and what a user could see of it is compared with
// the wallet before and after the operation.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "storage/services.h"
#include "storage/wallet.h"
#include "support/fault_plan.h"
#include "support/fixed_services.h"

namespace tb::test {

// Everything a user could see of an open wallet: the header values under
// "#header" (with the password that opened it) and each live record by id.
using WalletState = std::map<std::string, std::string>;
WalletState CaptureWallet(storage::Wallet& wallet, const std::string& passwordLabel);

// New records get fresh random ids in every run: they are known by their
// content instead.
WalletState ByContentWhereNew(const WalletState& state, const WalletState& before);
// A readable list of what differs, for failure messages.
std::string DescribeDifference(const WalletState& got, const WalletState& want);

enum class Outcome {
  OldOrNew,              // the operation took effect whole or not at all
  EveryRecordOldOrNew,   // each record old or new, nothing nobody wrote
  New,                   // reopening always ends at the finished result
};

struct FaultLoopSpec {
  std::string walletPath;
  std::string startBytes;                   // the wallet file before the operation
  std::vector<std::string> sideFiles;       // removed before each run (".cut", ...)
  // Opens the wallet for the operation (unless the operation opens it
  // itself), runs it; faults are installed around this call only.
  std::function<void(storage::Wallet&)> prepare;   // may be empty: nothing to open
  std::function<void(storage::Wallet&)> run;
  // Opens the file as the program would afterwards; returns the status and
  // a label for which password worked.
  std::function<storage::OpenStatus(storage::Wallet&, std::string*)> reopen;
  Outcome outcome = Outcome::OldOrNew;
};

// Runs the loop in one mode; returns the number of fault points met, or -1
// after a failed check (reported through GoogleTest).
int RunFaultLoop(const FaultLoopSpec& spec, FaultPlan::Mode mode);

// All three modes, printing the fault points of each.
void RunFaultLoopAllModes(const char* name, const FaultLoopSpec& spec);

}  // namespace tb::test
