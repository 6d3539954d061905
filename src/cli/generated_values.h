#pragma once
// The generator's options on the command line, shared by 'generate' and by
// 'set' and 'new-card' with --generate LABEL, which store a new value in a
// Password field without ever printing it.
#include <string>
#include <vector>

#include "generator/password_generator.h"
#include "storage/card.h"

namespace tb::cli {

class Session;
struct ParsedArgs;

// The options every generating command takes, for the command table.
extern const std::vector<std::string> kGeneratorFlags;   // --no-lookalike, --capitalise
extern const std::vector<std::string> kGeneratorValued;  // --length, --classes, --words, --separator
// Their help lines.
extern const char kGeneratorHelp[];

// Reads --length N, --classes luds, --no-lookalike (characters) or
// --words N, --separator C, --capitalise (passphrase). kExitOk, or the
// error printed and kExitUsage; checked before any wallet is opened.
int GeneratorOptions(Session& s, const ParsedArgs& a, generator::GeneratorSettings* settings);

// Gives each field named by a --generate LABEL a new value (LABEL as 'set'
// names fields). Only Password fields take one: a generated value belongs
// where it is shown masked.
int ApplyGenerated(Session& s, storage::Card& card, const ParsedArgs& a, const generator::GeneratorSettings& settings);

}  // namespace tb::cli
