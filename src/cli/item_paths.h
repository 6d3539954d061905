#pragma once
// Naming the items of a wallet on the command line: by record id (32
// hexadecimal digits) or by path "Folder/Sub/Card" from the top level,
// where "\/" is a slash inside a name and "\\" a backslash.
#include <string>
#include <string_view>
#include <vector>

#include "storage/wallet.h"

namespace tb::cli {

class Session;

// A name as one path component: "/" and "\" escaped.
std::u16string EscapeName(std::u16string_view name);
// The components of a path; one leading and one trailing "/" are ignored.
std::vector<std::u16string> SplitPath(std::u16string_view path);
// The path of a record from the top level (its parents' names).
std::u16string PathOf(const storage::Wallet& wallet, int position);

// Every live record a path of components leads to from the top level.
std::vector<int> ResolvePath(const storage::Wallet& wallet, const std::vector<std::u16string>& parts);

// Every live record the text names: the record with that id, or each
// record the path leads to (names compared exactly).
std::vector<int> ResolveItem(const storage::Wallet& wallet, std::u16string_view text);

// One item for a command: kExitOk with *position set, or the error printed
// (nothing found, or several records listed by id) and kExitFailed.
int ResolveOne(Session& s, const storage::Wallet& wallet, const std::string& arg, int* position);

}  // namespace tb::cli
