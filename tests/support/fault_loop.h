#pragma once
// The fault loop: an operation on a wallet file run again and again with a
// fault at its 1st, 2nd, 3rd ... file-system call (failing once, failing
// from then on, or a power cut, each cut under several loss patterns of
// the unflushed work) until it runs through without meeting one. After
// each fault the folder is opened again as the program would open it
// (journal recovery, repair when asked), and what a user could see of the
// wallet is compared with the wallet before and after the operation.
//
// The loop refuses to pass a run that proves nothing: an operation that
// met no fault point, a fault-free run that changed nothing, a fault-free
// run that reported failure, and an operation that reported success when
// what the disk holds afterwards is not its result.
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
// "#header" (with the password that opened it), the options under
// "#options", and each live record by id with its card contents; a wallet
// that is not there is {"#absent"}.
using WalletState = std::map<std::string, std::string>;
WalletState CaptureWallet(storage::Wallet& wallet, const std::string& passwordLabel);
WalletState AbsentWallet();

// New records get fresh random ids in every run: they are known by their
// content instead, and where another record names one, by its kind and
// name.
WalletState ByContentWhereNew(const WalletState& state, const WalletState& before);
// A readable list of what differs, for failure messages.
std::string DescribeDifference(const WalletState& got, const WalletState& want);

enum class Outcome {
  OldOrNew,             // the operation took effect whole or not at all
  EveryRecordOldOrNew,  // each record old or new, nothing nobody wrote
  New,                  // reopening always ends at the finished result
};

struct FaultLoopSpec {
  std::string walletPath;
  std::string startBytes;     // the wallet file before the operation
  bool walletAbsent = false;  // no wallet file before (create, conversion)
  // Every other file of the wallet's folder is put back as it was before
  // each run; these names are removed as well (kept for older callers).
  std::vector<std::string> sideFiles;
  // Opens the wallet for the operation (unless the operation opens it
  // itself); faults are not installed around it.
  std::function<void(storage::Wallet&)> prepare;  // may be empty: nothing to open
  // Runs the operation under the faults; returns whether it reported
  // success.
  std::function<bool(storage::Wallet&)> run;
  // Opens the file as the program would afterwards; returns the status and
  // a label for which password worked.
  std::function<storage::OpenStatus(storage::Wallet&, std::string*)> reopen;
  Outcome outcome = Outcome::OldOrNew;
  // The fault-free run must leave something a user sees different.
  bool changes = true;
};

// How many fault points a mode met; -1 after a failed check (reported
// through GoogleTest). A power cut's points each ran under every loss
// pattern.
int RunFaultLoop(const FaultLoopSpec& spec, FaultPlan::Mode mode);

// All three modes, printing the fault points of each as one row of the
// fault-point table.
void RunFaultLoopAllModes(const char* name, const FaultLoopSpec& spec);

}  // namespace tb::test
