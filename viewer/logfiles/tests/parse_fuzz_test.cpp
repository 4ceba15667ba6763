// The loader against a plain reference reading of the same rules, on random
// texts made of the characters that matter to it.
#include <gtest/gtest.h>

#include <QStringList>
#include <string>
#include <vector>

#include "logfiles/logtable.h"
#include "testfiles.h"

namespace tarvex {
namespace {

// Lines of fields: CR LF, LF or CR end a line outside quotes; a field that
// starts with '"' runs to the next '"' that is not doubled (or the end), and
// what follows that quote up to the delimiter is part of the field; empty
// lines at the end are dropped.
std::vector<std::vector<std::string>> referenceRead(const std::string& s) {
  std::vector<std::vector<std::string>> lines;
  std::vector<std::string> fields;
  std::string field;
  size_t i = 0;
  bool atFieldStart = true;
  bool lineHasText = false;
  std::vector<bool> lineNonEmpty;
  auto endLine = [&] {
    fields.push_back(field);
    lines.push_back(fields);
    lineNonEmpty.push_back(lineHasText);
    fields.clear();
    field.clear();
    atFieldStart = true;
    lineHasText = false;
  };
  while (i < s.size()) {
    const char c = s[i];
    if (c == '"' && atFieldStart) {
      lineHasText = true;
      atFieldStart = false;
      ++i;
      while (i < s.size()) {
        if (s[i] == '"') {
          if (i + 1 < s.size() && s[i + 1] == '"') {
            field.push_back('"');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        field.push_back(s[i++]);
      }
      continue;
    }
    if (c == ',') {
      lineHasText = true;
      fields.push_back(field);
      field.clear();
      atFieldStart = true;
      ++i;
      continue;
    }
    if (c == '\r' || c == '\n') {
      ++i;
      if (c == '\r' && i < s.size() && s[i] == '\n') ++i;
      endLine();
      continue;
    }
    lineHasText = true;
    atFieldStart = false;
    field.push_back(c);
    ++i;
  }
  if (lineHasText || !fields.empty() || !field.empty()) endLine();
  while (!lines.empty() && !lineNonEmpty.back()) {
    lines.pop_back();
    lineNonEmpty.pop_back();
  }
  return lines;
}

TEST(LoaderAgainstReference, RandomTexts) {
  testing::TempFiles files;
  const char alphabet[] = {'a', 'b', ',', ',', '"', '\r', '\n', ' ', '1', ':'};
  quint32 x = 99;
  for (int round = 0; round < 400; ++round) {
    std::string text;
    const int len = int(x % 600);
    for (int i = 0; i < len; ++i) {
      x = x * 1664525u + 1013904223u;
      text.push_back(alphabet[(x >> 24) % sizeof alphabet]);
    }
    x = x * 1664525u + 1013904223u;
    const auto expected = referenceRead(text);
    LogTable t;
    t.loadDelimitedText(files.write("r.csv", QByteArray::fromStdString(text)));
    SCOPED_TRACE(QByteArray::fromStdString(text).toPercentEncoding().toStdString());
    ASSERT_EQ(t.lastRow(), expected.empty() ? 0 : int(expected.size()) - 1);
    size_t widest = 0;
    for (const auto& line : expected) widest = std::max(widest, line.size());
    ASSERT_EQ(t.lastCol(), widest == 0 ? 0 : int(widest) - 1);
    for (size_t r = 0; r < expected.size(); ++r)
      for (size_t c = 0; c < widest; ++c) {
        const std::string want = c < expected[r].size() ? expected[r][c] : std::string();
        ASSERT_EQ(t.getCell(int(c), int(r)).toStdString(), want) << "cell " << c << "," << r;
      }
  }
}

}  // namespace
}  // namespace tarvex
