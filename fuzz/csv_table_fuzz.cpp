// Fuzz target: a CSV table from outside (the first byte chooses the format
// it is imported as). A good row keeps exactly the header's number of
// values and a broken one none, rows come in line order, what the writer
// makes of the good rows reads back the same, and an import's questions
// run through every card without touching the wallet.
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "fuzz/fuzz_targets.h"
#include "interchange/csv.h"
#include "interchange/csv_import.h"
#include "storage/services.h"
#include "storage/wallet.h"
#include "support/fixed_services.h"

namespace {

using namespace tb;

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "csv table fuzz: %s\n", what);
  std::abort();
}

class DecliningPrompter : public storage::Prompter {
 public:
  storage::Answer Show(const storage::Message& m) override {
    if (m.buttons == storage::Buttons::Ok) return storage::Answer::Ok;
    if (m.text.size() > 2047) Broken("a question longer than 2047 units");
    return ++questions < 4000 ? storage::Answer::No : storage::Answer::Cancel;
  }
  int questions = 0;
};

}  // namespace

int FuzzCsvTable(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const interchange::CsvFormat format = interchange::CsvFormat(data[0] % 3);
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  interchange::CsvTable table;
  if (table.LoadBytes(bytes) != interchange::CsvStatus::Ok) {
    if (!table.Header().empty() || !table.Rows().empty()) Broken("a refused table keeps rows");
    return 0;
  }
  const size_t width = table.Header().size();
  if (width == 0 || width > interchange::kMaxCsvColumns) Broken("header width out of range");
  size_t line = 0;
  interchange::CsvWriter writer;
  for (const auto& name : table.Header()) writer.Value(std::u16string_view(name.data(), name.size()));
  writer.EndRow();
  size_t good = 0;
  for (const interchange::CsvRow& row : table.Rows()) {
    if (row.line <= line) Broken("rows out of line order");
    line = row.line;
    if (row.error == interchange::CsvRowError::None) {
      if (row.values.size() != width) Broken("a good row of another width");
      for (const auto& v : row.values) writer.Value(std::u16string_view(v.data(), v.size()));
      writer.EndRow();
      ++good;
    } else if (!row.values.empty()) {
      Broken("a broken row keeps values");
    }
  }
  interchange::CsvTable again;
  const auto& written = writer.Bytes();
  if (again.LoadBytes(std::string_view(reinterpret_cast<const char*>(written.data()), written.size())) !=
          interchange::CsvStatus::Ok ||
      again.Header() != table.Header() || again.Rows().size() != good)
    Broken("the written table reads back otherwise");
  size_t k = 0;
  for (const interchange::CsvRow& row : table.Rows()) {
    if (row.error != interchange::CsvRowError::None) continue;
    if (again.Rows()[k].error != interchange::CsvRowError::None || again.Rows()[k].values != row.values)
      Broken("a written row reads back otherwise");
    ++k;
  }

  test::FixedTexts texts;
  storage::Wallet wallet;  // never opened: declining every card writes nothing
  wallet.SetTextSource(&texts);
  DecliningPrompter prompter;
  const interchange::CsvImportResult result = interchange::ImportCsvTable(wallet, table, format, prompter);
  if (result.imported != 0 || result.status == interchange::ImportStatus::Imported)
    Broken("a declined card was imported");
  return 0;
}
