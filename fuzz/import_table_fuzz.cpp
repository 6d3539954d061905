// Fuzz target: a tab-separated import table from outside. The table must
// keep its cells inside its text and within the header's count, the file
// and in-memory readers must agree, and the questions of an import must
// run through every row without touching the wallet.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/fuzz_scratch.h"
#include "fuzz/fuzz_targets.h"
#include "interchange/text_import.h"
#include "storage/services.h"
#include "storage/wallet.h"

namespace {

using namespace tb;

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "import table fuzz: %s\n", what);
  std::abort();
}

class ImportTexts : public storage::TextSource {
 public:
  std::u16string_view Text(uint32_t number) const override {
    switch (number) {
      case 22072: return u"Import this card?";
      case 20518: return u"Card Name";
      case 22073: return u"(%d more columns not shown)";
      case 22074: return u"%d cards are left to import. Import all?";
      default: return u"?";
    }
  }
};

// Declines every card (and the bulk question), so that every row is
// previewed and nothing is written; gives up after a few thousand.
class DecliningPrompter : public storage::Prompter {
 public:
  storage::Answer Show(const storage::Message& m) override {
    if (m.text.size() > 2047) Broken("a question longer than 2047 units");
    if (m.buttons == storage::Buttons::Ok) return storage::Answer::Ok;
    return ++questions < 4000 ? storage::Answer::No : storage::Answer::Cancel;
  }
  int questions = 0;
};

bool Inside(std::u16string_view part, std::u16string_view whole) {
  return part.empty() || (part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size());
}

}  // namespace

int FuzzImportTable(const uint8_t* data, size_t size) {
  interchange::TabTable table;
  const int error = table.LoadBytes(data, size);
  if (error != 0) {
    if (table.Loaded()) Broken("a refused table reads as loaded");
    return 0;
  }
  const std::u16string_view text = table.Text();
  if (table.Rows() != 1 + size_t(std::count(text.begin(), text.end(), u'\r'))) Broken("rows are not 1 + the CRs");
  if (table.Columns() == 0) Broken("no columns");
  for (size_t r = 0; r < table.Rows(); ++r) {
    if (table.CellsInRow(r) == 0 || table.CellsInRow(r) > table.Columns()) Broken("a row's cells out of range");
    for (size_t c = 0; c <= table.Columns() && c < 64; ++c) {
      const std::u16string_view cell = table.Cell(r, c);
      if (!Inside(cell, text)) Broken("a cell outside the text");
      if (c >= table.CellsInRow(r) && !cell.empty()) Broken("a missing cell is not empty");
      if (c < table.Columns() && table.Cell(r * table.Columns() + c) != cell) Broken("cell numbers disagree");
    }
  }

  // The file reader must see the same table.
  const std::string path = fuzz::ScratchFolder::Get().File("table.txt");
  if (fuzz::WriteScratchFile(path, data, size)) {
    interchange::TabTable fromFile;
    if (fromFile.Load(path) != 0 || fromFile.Text() != text || fromFile.Rows() != table.Rows() ||
        fromFile.Columns() != table.Columns())
      Broken("the file reader disagrees");
  }

  ImportTexts texts;
  storage::Wallet wallet;  // never opened: declining every card writes nothing
  wallet.SetTextSource(&texts);
  DecliningPrompter prompter;
  const interchange::ImportResult result = interchange::ImportTable(wallet, table, prompter);
  if (result.imported != 0 || result.status == interchange::ImportStatus::Imported)
    Broken("a declined card was imported");
  return 0;
}
