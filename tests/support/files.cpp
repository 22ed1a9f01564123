#include "support/files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace seep::test {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) throw std::runtime_error("cannot read " + path.string());
  // In one read of the size the file has now, then whatever a growing file added since. A pipe or a
  // device has no size: its bytes are read as they come.
  const std::streamoff size = f.seekg(0, std::ios::end) ? static_cast<std::streamoff>(f.tellg()) : -1;
  if (size < 0) {
    f.clear();
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
  }
  std::string bytes(static_cast<std::size_t>(size), '\0');
  f.seekg(0);
  f.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(f.gcount()));
  if (f) bytes.append(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return bytes;
}

void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!f) throw std::runtime_error("cannot write " + path.string());
}

std::string StreamBytes(std::FILE* f) {
  std::fflush(f);
  const long end = std::ftell(f);
  std::string bytes(static_cast<std::size_t>(end), '\0');
  std::rewind(f);
  const std::size_t n = std::fread(bytes.data(), 1, bytes.size(), f);
  bytes.resize(n);
  std::fseek(f, 0, SEEK_END);
  return bytes;
}

std::string CrLf(std::initializer_list<std::string_view> lines) {
  std::string s;
  for (std::string_view line : lines) {
    s += line;
    s += "\r\n";
  }
  return s;
}

std::string CrLfBarred(std::initializer_list<std::string_view> lines) {
  std::string s;
  for (std::string_view line : lines) {
    EXPECT_TRUE(!line.empty() && line.back() == '|') << line;
    s.append(line.substr(0, line.empty() ? 0 : line.size() - 1));
    s += "\r\n";
  }
  return s;
}

std::vector<std::string> SplitRecords(std::string_view bytes, std::string_view end) {
  std::vector<std::string> records;
  while (!bytes.empty()) {
    const std::size_t at = bytes.find(end);
    if (at == std::string_view::npos) {
      records.emplace_back(std::string(bytes) + "<no line end>");
      break;
    }
    records.emplace_back(bytes.substr(0, at));
    bytes.remove_prefix(at + end.size());
  }
  return records;
}

std::vector<std::vector<std::string>> ReadCsv(std::string_view text, char separator) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row(1);
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
      row.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && c == separator) {
      row.emplace_back();
    } else if (!quoted && c == '\n') {
      rows.push_back(std::move(row));
      row.assign(1, std::string());
    } else if (quoted || c != '\r') {
      row.back() += c;
    }
  }
  if (row.size() > 1 || !row.back().empty()) rows.push_back(std::move(row));
  return rows;
}

std::vector<std::map<std::string, std::string>> CsvByHeading(std::string_view text, char separator) {
  const std::vector<std::vector<std::string>> rows = ReadCsv(text, separator);
  std::vector<std::map<std::string, std::string>> named;
  for (std::size_t r = 1; r < rows.size(); ++r) {
    EXPECT_EQ(rows[r].size(), rows[0].size()) << "row " << r;
    named.emplace_back();
    for (std::size_t c = 0; c < rows[r].size() && c < rows[0].size(); ++c)
      named.back()[rows[0][c]] = rows[r][c];
  }
  return named;
}

}  // namespace seep::test
