#include <gtest/gtest.h>

#include "shell/codepage.h"
#include "shell/filenames.h"
#include "shell/runtime_error.h"
#include "shell/userinterface.h"

namespace tarvex {
namespace {

TEST(FileNames, BaseNameEndsAtTheFirstDotOfTheFileName) {
  EXPECT_EQ(baseName("C:\\logs\\run1.data.csv"), "run1");
  EXPECT_EQ(baseName("run1.csv"), "run1");
  EXPECT_EQ(baseName("C:\\dir.x\\file"), "file");
  EXPECT_EQ(baseName(".csv"), "");
  EXPECT_EQ(baseName("/home/op/dir.x/run.2007.csv"), "run");
  EXPECT_EQ(baseName("C:\\logs/mixed\\run.csv"), "run");
  EXPECT_EQ(baseName("C:\\logs\\"), "");
  EXPECT_EQ(baseName(""), "");
}

TEST(FileNames, PathNoExtKeepsTheFolder) {
  EXPECT_EQ(pathNoExt("C:\\logs\\run1.data.csv"), "C:\\logs\\run1");
  EXPECT_EQ(pathNoExt("run1.csv"), "run1");
  EXPECT_EQ(pathNoExt("/logs/run.2007.csv"), "/logs/run");
  EXPECT_EQ(pathNoExt("/logs.d/run"), "/logs.d/run");
  // No 16-bit limit on the length.
  const QString deep = QString(40000, u'd') + "/run.csv";
  EXPECT_EQ(pathNoExt(deep), QString(40000, u'd') + "/run");
}

TEST(CodePage, LogTextDecoding) {
  EXPECT_EQ(decodeLogText("\xC2\xB0"
                          "C"),
            QString::fromUtf8("°C"));
  EXPECT_EQ(decodeLogText("\xB0"
                          "C \x80"),
            QString::fromUtf8("°C €"));
  EXPECT_EQ(decodeLogText("\xEF\xBB\xBF"
                          "abc"),
            "abc");
  // Overlong forms and surrogates are no UTF-8.
  EXPECT_FALSE(isValidUtf8("\xC0\xAF"));
  EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));
  EXPECT_FALSE(isValidUtf8("\xE2\x82"));
  EXPECT_TRUE(isValidUtf8("\xF0\x9F\x98\x80"));
  for (int b = 0; b < 256; ++b) {
    const char16_t ch = cp1252ToUnicode(static_cast<unsigned char>(b));
    EXPECT_EQ(unicodeToCp1252(ch), b);
  }
  EXPECT_EQ(encodeCp1252(u"€Ω"), "\x80?");
}

TEST(ErrorReport, TextOfTheReport) {
  EXPECT_EQ(errorReportText(53, errorDescription(53), "getHistFile"),
            "Error 53 = File not found in function getHistFile occurred.\r\n"
            "Please contact the manufacturer with this error.");
  EXPECT_EQ(errorReportText(0, "", "exportAlmData"),
            "Error 0 =  in function exportAlmData occurred.\r\n"
            "Please contact the manufacturer with this error.");
  const RuntimeError e(err::OutOfMemory);
  EXPECT_EQ(e.description(), "Out of memory");
  EXPECT_STREQ(e.what(), "Out of memory");
}

}  // namespace
}  // namespace tarvex
