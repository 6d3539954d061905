#include "interchange/csv.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/core/file.h"
#include "platform/core/text_convert.h"

namespace tb::interchange {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Well-formed UTF-8 (checked before) to wallet text, in wiped memory.
storage::Text DecodeUtf8(const storage::SecureBytes& bytes) {
  storage::Text text;
  text.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    const uint8_t b = bytes[i];
    uint32_t c;
    size_t n;
    if (b < 0x80) {
      c = b;
      n = 1;
    } else if (b < 0xE0) {
      c = b & 0x1F;
      n = 2;
    } else if (b < 0xF0) {
      c = b & 0x0F;
      n = 3;
    } else {
      c = b & 0x07;
      n = 4;
    }
    for (size_t k = 1; k < n && i + k < bytes.size(); ++k) c = (c << 6) | (bytes[i + k] & 0x3F);
    i += n;
    if (c >= 0x10000) {
      c -= 0x10000;
      text.push_back(char16_t(0xD800 + (c >> 10)));
      text.push_back(char16_t(0xDC00 + (c & 0x3FF)));
    } else {
      text.push_back(char16_t(c));
    }
  }
  return text;
}

void AppendUtf8(std::u16string_view text, storage::SecureBytes& out) {
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
      c = 0x10000 + ((c - 0xD800) << 10) + (uint32_t(text[++i]) - 0xDC00);
    else if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;
    if (c < 0x80) {
      out.push_back(uint8_t(c));
    } else if (c < 0x800) {
      out.push_back(uint8_t(0xC0 | (c >> 6)));
      out.push_back(uint8_t(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(uint8_t(0xE0 | (c >> 12)));
      out.push_back(uint8_t(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(uint8_t(0x80 | (c & 0x3F)));
    } else {
      out.push_back(uint8_t(0xF0 | (c >> 18)));
      out.push_back(uint8_t(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(uint8_t(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(uint8_t(0x80 | (c & 0x3F)));
    }
  }
}

// Reads the text one row at a time.
class RowReader {
 public:
  explicit RowReader(std::string_view text) : s_(text) {}

  bool AtEnd() const { return pos_ >= s_.size(); }

  // The next row. keepLimit: values beyond it are counted, not kept.
  // *blank is set for a line with nothing (or only spaces and tabs) on it.
  CsvRow Next(size_t keepLimit, bool* blank) {
    CsvRow row;
    row.line = line_;
    bool quotedSeen = false;
    bool anyText = false;
    for (;;) {
      cell_.clear();
      if (pos_ < s_.size() && s_[pos_] == '"') {
        quotedSeen = true;
        ReadQuoted(row);
      } else {
        while (pos_ < s_.size() && s_[pos_] != ',' && !IsLineEnd(s_[pos_])) cell_.push_back(uint8_t(s_[pos_++]));
      }
      if (!cell_.empty()) anyText = anyText || !OnlyBlanks();
      ++row.width;
      if (row.error == CsvRowError::None) Keep(row, keepLimit);
      if (row.error == CsvRowError::TextAfterQuote) SkipToLineEnd();
      if (pos_ < s_.size() && s_[pos_] == ',') {
        ++pos_;
        continue;
      }
      EndLine();
      break;
    }
    *blank = row.width == 1 && !quotedSeen && !anyText && row.error == CsvRowError::None;
    storage::SecureWipe(cell_.data(), cell_.size());
    if (row.error != CsvRowError::None) row.values.clear();
    return row;
  }

 private:
  void ReadQuoted(CsvRow& row) {
    ++pos_;
    for (;;) {
      if (pos_ >= s_.size()) {
        row.error = CsvRowError::UnclosedQuote;
        return;
      }
      const char c = s_[pos_];
      if (c == '"') {
        if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '"') {
          cell_.push_back('"');
          pos_ += 2;
          continue;
        }
        ++pos_;
        if (pos_ < s_.size() && s_[pos_] != ',' && !IsLineEnd(s_[pos_]) && row.error == CsvRowError::None)
          row.error = CsvRowError::TextAfterQuote;
        return;
      }
      // Line breaks inside a value are kept as they are, and counted.
      if (c == '\n' || (c == '\r' && (pos_ + 1 >= s_.size() || s_[pos_ + 1] != '\n'))) ++line_;
      cell_.push_back(uint8_t(c));
      ++pos_;
    }
  }

  void Keep(CsvRow& row, size_t keepLimit) {
    const std::string_view bytes(reinterpret_cast<const char*>(cell_.data()), cell_.size());
    if (bytes.find('\0') != std::string_view::npos) {
      row.error = CsvRowError::NulCharacter;
    } else if (bytes.find(kUtf8Bom) != std::string_view::npos) {
      row.error = CsvRowError::ByteOrderMark;
    } else if (!platform::IsValidUtf8(bytes)) {
      row.error = CsvRowError::NotUtf8;
    } else if (row.values.size() < keepLimit) {
      row.values.push_back(DecodeUtf8(cell_));
    }
  }

  bool OnlyBlanks() const {
    for (uint8_t b : cell_)
      if (b != ' ' && b != '\t') return false;
    return true;
  }

  void SkipToLineEnd() {
    while (pos_ < s_.size() && !IsLineEnd(s_[pos_])) ++pos_;
  }

  void EndLine() {
    if (pos_ >= s_.size()) return;
    if (s_[pos_] == '\r' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '\n') ++pos_;
    ++pos_;
    ++line_;
  }

  std::string_view s_;
  size_t pos_ = 0;
  size_t line_ = 1;
  storage::SecureBytes cell_;
};

}  // namespace

void CsvTable::Clear() {
  header_.clear();
  rows_.clear();
}

CsvStatus CsvTable::Load(const std::string& path) {
  Clear();
  // Only a plain file: reading a pipe or a device could wait for ever.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return CsvStatus::CannotOpen;
  platform::File file;
  if (file.Open(path, platform::OpenMode::ReadOnly) != platform::OpenResult::Ok) return CsvStatus::CannotOpen;
  uint64_t size = 0;
  if (!file.Size(&size)) return CsvStatus::ReadError;
  if (size > kMaxCsvFileBytes) return CsvStatus::TooLarge;
  storage::SecureBytes bytes;
  try {
    bytes.resize(size_t(size));
  } catch (const std::bad_alloc&) {
    return CsvStatus::TooLarge;
  }
  size_t got = 0;
  if (size > 0 && (!file.ReadAt(0, bytes.data(), bytes.size(), &got) || got != bytes.size()))
    return CsvStatus::ReadError;
  return LoadBytes(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

CsvStatus CsvTable::LoadBytes(std::string_view bytes) {
  Clear();
  if (bytes.size() > kMaxCsvFileBytes) return CsvStatus::TooLarge;
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) bytes.remove_prefix(kUtf8Bom.size());
  try {
    RowReader reader(bytes);
    size_t kept = 0;
    bool blank = false;
    while (!reader.AtEnd()) {
      CsvRow row = reader.Next(header_.empty() ? kMaxCsvColumns + 1 : header_.size(), &blank);
      if (blank) continue;
      if (header_.empty()) {
        if (row.error != CsvRowError::None) return CsvStatus::BadHeader;
        if (row.width > kMaxCsvColumns) return CsvStatus::TooManyColumns;
        header_ = std::move(row.values);
        continue;
      }
      if (row.error == CsvRowError::None && row.width != header_.size()) {
        row.error = CsvRowError::WrongWidth;
        row.values.clear();
      }
      kept += std::max<size_t>(1, row.values.size());
      if (kept > kMaxCsvValues) {
        Clear();
        return CsvStatus::TooLarge;
      }
      rows_.push_back(std::move(row));
    }
  } catch (const std::bad_alloc&) {
    Clear();
    return CsvStatus::TooLarge;
  }
  return header_.empty() ? CsvStatus::Empty : CsvStatus::Ok;
}

int CsvTable::Column(std::u16string_view name) const {
  auto trimmed = [](std::u16string_view s) {
    while (!s.empty() && (s.front() == u' ' || s.front() == u'\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == u' ' || s.back() == u'\t')) s.remove_suffix(1);
    return s;
  };
  std::u16string wanted(trimmed(name));
  platform::ToLowerInPlace(wanted);
  for (size_t i = 0; i < header_.size(); ++i) {
    std::u16string have(trimmed(std::u16string_view(header_[i].data(), header_[i].size())));
    platform::ToLowerInPlace(have);
    if (have == wanted) return int(i);
  }
  return -1;
}

CsvWriter::CsvWriter() { bytes_.insert(bytes_.end(), kUtf8Bom.begin(), kUtf8Bom.end()); }

void CsvWriter::Value(std::u16string_view value) {
  if (rowStarted_) bytes_.push_back(',');
  rowStarted_ = true;
  bytes_.push_back('"');
  size_t start = 0;
  for (size_t q = value.find(u'"'); q != std::u16string_view::npos; q = value.find(u'"', start)) {
    AppendUtf8(value.substr(start, q + 1 - start), bytes_);
    bytes_.push_back('"');
    start = q + 1;
  }
  AppendUtf8(value.substr(start), bytes_);
  bytes_.push_back('"');
}

void CsvWriter::EndRow() {
  bytes_.push_back('\r');
  bytes_.push_back('\n');
  rowStarted_ = false;
}

}  // namespace tb::interchange
