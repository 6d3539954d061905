// Every input kept in fuzz/corpus/<target>/ (seeds and the inputs of past
// findings) goes through its fuzz target again: a fault fixed once stays
// fixed without a fuzzer at hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_targets.h"

namespace {

namespace fs = std::filesystem;

struct Target {
  const char* folder;
  int (*run)(const uint8_t*, size_t);
};

class CorpusReplay : public ::testing::TestWithParam<Target> {};

TEST_P(CorpusReplay, EveryKeptInputRunsCleanly) {
  const fs::path folder = fs::path(TB_SOURCE_DIR) / "fuzz" / "corpus" / GetParam().folder;
  ASSERT_TRUE(fs::is_directory(folder)) << folder;
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty()) << "no inputs in " << folder;
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_TRUE(in.good() || in.eof());
    // A fault shows as a crash or an abort of the test program; the target
    // itself always answers 0.
    EXPECT_EQ(GetParam().run(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, CorpusReplay,
                         ::testing::Values(Target{"wallet", FuzzWallet}, Target{"module", FuzzModule},
                                           Target{"string_table", FuzzStringTable}, Target{"registry", FuzzRegistry},
                                           Target{"form_file", FuzzFormFile},
                                           Target{"custom_form_text", FuzzCustomFormText},
                                           Target{"import_table", FuzzImportTable}, Target{"csv_table", FuzzCsvTable},
                                           Target{"legacy_wallet", FuzzLegacyWallet}, Target{"icon_file", FuzzIconFile},
                                           Target{"wav", FuzzWav}),
                         [](const ::testing::TestParamInfo<Target>& info) { return std::string(info.param.folder); });

}  // namespace
