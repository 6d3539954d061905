#pragma once
// The commands of tbwallet. Each gets its parsed arguments (the wallet
// path first) and returns the exit status.
#include "cli/session.h"

namespace tb::cli {

int CmdCreate(Session& s, const ParsedArgs& a);
int CmdInfo(Session& s, const ParsedArgs& a);
int CmdLs(Session& s, const ParsedArgs& a);
int CmdShow(Session& s, const ParsedArgs& a);
int CmdMkdir(Session& s, const ParsedArgs& a);
int CmdNewCard(Session& s, const ParsedArgs& a);
int CmdSet(Session& s, const ParsedArgs& a);
int CmdRename(Session& s, const ParsedArgs& a);
int CmdMv(Session& s, const ParsedArgs& a);
int CmdCp(Session& s, const ParsedArgs& a);
int CmdRm(Session& s, const ParsedArgs& a);
int CmdSaveForm(Session& s, const ParsedArgs& a);
int CmdForms(Session& s, const ParsedArgs& a);
int CmdFind(Session& s, const ParsedArgs& a);
int CmdPasswd(Session& s, const ParsedArgs& a);
int CmdRepair(Session& s, const ParsedArgs& a);
int CmdDump(Session& s, const ParsedArgs& a);
int CmdUpgrade(Session& s, const ParsedArgs& a);
int CmdExport(Session& s, const ParsedArgs& a);
int CmdImport(Session& s, const ParsedArgs& a);
int CmdFormExport(Session& s, const ParsedArgs& a);
int CmdFormImport(Session& s, const ParsedArgs& a);
int CmdConvert(Session& s, const ParsedArgs& a);
int CmdGenerate(Session& s, const ParsedArgs& a);
int CmdAudit(Session& s, const ParsedArgs& a);
int CmdClip(Session& s, const ParsedArgs& a);
// The CSV side of export and import.
int CmdExportCsv(Session& s, const ParsedArgs& a);
int CmdImportCsv(Session& s, const ParsedArgs& a, const std::string& from);

}  // namespace tb::cli
