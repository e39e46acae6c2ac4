#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <filesystem>

#include "common/fixed_format.h"
#include "common/rounding.h"
#include "common/text_file.h"

using namespace common;

TEST(Rounding, HalvesGoToEven) {
  EXPECT_EQ(RoundHalfEven(2.5), 2.0);
  EXPECT_EQ(RoundHalfEven(3.5), 4.0);
  EXPECT_EQ(RoundHalfEven(-2.5), -2.0);
  EXPECT_EQ(RoundHalfEven(-3.5), -4.0);
  EXPECT_EQ(RoundHalfEven(2.4999), 2.0);
  EXPECT_EQ(RoundHalfEven(2.5001), 3.0);
  EXPECT_EQ(TruncToInt(-2.7), -2);
  EXPECT_EQ(TruncToInt(2.7), 2);
}

TEST(FixedFormat, WidthDecimalsPadsButNeverCuts) {
  EXPECT_EQ(FormatFixed(3.14159, 7, 3), "  3.142");
  EXPECT_EQ(FormatFixed(-2.0, 3, 0), " -2");
  EXPECT_EQ(FormatFixed(12345.678, 4, 2), "12345.68");
  EXPECT_EQ(FormatFixed(-0.0001, 6, 3), " 0.000");
  EXPECT_EQ(FormatInt(-12), "-12");
  EXPECT_EQ(FormatBool(true), "TRUE");
}

TEST(FixedFormat, DecimalPointWhateverTheLocale) {
  const char* old = std::setlocale(LC_ALL, nullptr);
  std::string saved = old ? old : "C";
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no German locale here";
  EXPECT_EQ(FormatFixed(1.5, 4, 2), "1.50");
  std::setlocale(LC_ALL, saved.c_str());
}

TEST(TextFile, ReadsCrLfAndLfAlike) {
  EXPECT_EQ(SplitLines("a\r\nb\nc"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(SplitLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
  EXPECT_TRUE(SplitLines("").empty());
}

TEST(TextFile, AtomicWriteReplacesAndFailsWithoutDamage) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "common_test_atomic";
  fs::create_directories(dir);
  const std::string path = (dir / "out.txt").string();
  CrLfText t;
  t.Line("one");
  t.Line(std::string("x") + kPlusMinus);
  WriteFileAtomically(path, t.str());
  EXPECT_EQ(ReadFileBytes(path), std::string("one\r\nx\xB1\r\n"));
  EXPECT_FALSE(fs::exists(path + ".tmp~"));
  EXPECT_THROW(WriteFileAtomically((dir / "missing" / "x.txt").string(), "z"), FileError);
  EXPECT_THROW(ReadFileBytes((dir / "nope.txt").string()), FileError);
  fs::remove_all(dir);
}
