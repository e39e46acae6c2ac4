#include <gtest/gtest.h>

#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

#include "link/link_messages.h"
#include "link/link_numbers.h"
#include "link_fixture.h"

using namespace korvel;
using namespace korvel::link_test;

namespace {

std::vector<std::string> SplitFields(std::string_view s) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t semi = s.find(';', start);
    out.emplace_back(s.substr(start, semi == std::string_view::npos ? std::string_view::npos : semi - start));
    if (semi == std::string_view::npos) return out;
    start = semi + 1;
  }
}

double ParseReal(const std::string& s) {
  double v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  EXPECT_TRUE(ec == std::errc() && end == s.data() + s.size()) << s;
  return v;
}

}  // namespace

TEST(LinkNumbers, GeneralNotationKeepsTheSignificantDigitsAndDropsTrailingZeros) {
  struct Case {
    double value;
    int digits;
    const char* text;
  };
  const Case cases[] = {
      {2.0088, 5, "2.0088"},      {33.5, 5, "33.5"},        {5.0, 4, "5"},
      {0.011, 5, "0.011"},        {-0.5, 3, "-0.5"},        {0.0, 3, "0"},
      {1234.5678, 7, "1234.568"}, {1.23456789, 4, "1.235"}, {0.00001, 3, "0.00001"},
      {0.000001, 3, "1E-6"},      {-1.5e-7, 2, "-1.5E-7"},  {123456, 3, "1.23E5"},
      {99999, 5, "99999"},        {100000, 5, "1E5"},       {9.996, 3, "10"},
      {0.1f, 3, "0.1"},           {3380, 7, "3380"},        {-9.04, 2, "-9"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatGeneral(c.value, c.digits), c.text) << c.value;
}

TEST(LinkNumbers, SpectrumPointsHaveFourDecimalsAndAtMostFiveSignificantDigits) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {0.123456, "0.1235"},  {123.456789, "123.4600"}, {-1.23456, "-1.2346"},
      {0.0, "0.0000"},       {-0.00001, "0.0000"},     {9.99996, "10.0000"},
      {12345.6, "12346.0000"}, {0.00005001, "0.0001"}, {-3.5, "-3.5000"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatFixedSignificant(c.value, 5, 4), c.text) << c.value;
}

TEST(LinkMessages, TagPadsTheIndexAndMarksTheLastExperiment) {
  EXPECT_EQ(ExperimentTag(3, 8, 1), "003pr01");
  EXPECT_EQ(ExperimentTag(8, 8, 1), "008al01");
  EXPECT_EQ(ExperimentTag(1, 2, 5), "001pr05");
  EXPECT_EQ(ExperimentTag(12, 12, 2), "012al02");
  EXPECT_EQ(ExperimentTag(1, 1, 1), "001al01");
}

TEST(LinkMessages, ParametersMessageCarriesEveryFieldInOrder) {
  auto session = MakeLinkSession();
  Tvrecica work = WorkingCopy(session->project, 2);
  work.settings.LimitMin[kIso][0] = -1.23456;  // Lw: 3 decimals, so 4 digits
  work.exp.Domains[2].Values[5] = 2.345;       // trp N1: 1 decimal, so 2 digits
  work.exp.Domains[2].Values[3] = 1.23456789;  // trp pg: 6 decimals, so 7 digits
  work.exp.FitnessType = 1;

  const std::string msg = ParametersMessage(work, 2, 3, kDomainTypeCount);
  ASSERT_EQ(msg.substr(0, 7), "002pr02");
  ASSERT_NE(msg[7], ';') << "the tag runs straight into the first field";
  const std::vector<std::string> f = SplitFields(std::string_view(msg).substr(7));

  std::size_t pos = 0;
  auto expect = [&](std::initializer_list<const char*> want) {
    for (const char* w : want) {
      ASSERT_LT(pos, f.size());
      EXPECT_EQ(f[pos], w) << "field " << pos + 1;
      ++pos;
    }
  };
  expect({"2.0088", "2.0061", "2.0027", "6.2", "5.9", "33.5", "5", "0.011", "0.125", "1", "0.25"});

  // Limits and grids: 88 parameters of the nine types, minima, maxima, grids.
  const std::size_t limits = pos;
  EXPECT_EQ(f[limits + 0], "-1.235");        // iso Lw minimum
  EXPECT_EQ(f[limits + 1], "-1.01");         // iso tc minimum
  EXPECT_EQ(f[limits + 26], "-5");           // mes g1 minimum
  EXPECT_EQ(f[limits + 28], "-5.02");        // mes th minimum
  EXPECT_EQ(f[limits + 37], "-6");           // psd pt minimum (2 digits)
  EXPECT_EQ(f[limits + 73], "-9");           // trp N1 minimum, -9.04 in 2 digits
  EXPECT_EQ(f[limits + 88 + 73], "9");       // trp N1 maximum
  EXPECT_EQ(f[limits + 88 + 87], "9.18");    // trp d maximum
  EXPECT_EQ(f[limits + 176 + 4], "0.05");    // iso pg grid
  EXPECT_EQ(f[limits + 176 + 87], "0.19");   // trp d grid
  pos += 3 * 88;

  expect({"HEA", "0.1", "40", "100", "0.01", "TRUE", "TRUE", "0.1", "0.8", "UNI", "0.5"});
  expect({"FALSE", "0.01", "TRUE", "0.1", "TRUE", "0.1", "TRUE", "0.2", "FALSE", "0.3"});
  expect({"FALSE", "TRUE", "1", "TRUE", "FALSE"});
  expect({"2", "two_a.dat", "3380", "100", "9.5", "0", "two_b.spc", "3390.5", "100", "9.5", "0"});
  // Domains: number, group code, keyword, slots 1..n with the conditional
  // weight last.
  expect({"2", "1", "2", "iso", "1.25", "1.75", "2.25", "2.75", "3.25", "0.75"});
  expect({"2", "2", "trp", "0.5", "1", "1.234568", "2", "2.3", "3", "3.5", "4", "4.5", "5", "5.5", "6",
          "6.5", "7", "7.5", "8", "8.5", "9", "0"});
  expect({"1", "2", "iso", "T", "F", "T", "F", "T", "F"});
  expect({"2", "2", "trp", "T", "F", "T", "F", "T", "F", "T", "F", "T", "F", "T", "F", "T", "F", "T", "F",
          "T", "F", "F"});
  // GroupNumber, then FitnessType ends the message without a ";".
  expect({"2", "1"});
  EXPECT_EQ(pos, f.size());
  EXPECT_NE(msg.back(), ';');
}

TEST(LinkMessages, MultiPointCrossoverRepeatsTheProbabilityAndWritesThePointCount) {
  auto session = MakeLinkSession();
  Tvrecica work = WorkingCopy(session->project, 3);
  work.settings.HeoCrossKind = 1;
  work.settings.HeoCrossArgPoints = 4;
  work.settings.OptimizerKind = 0;
  const std::string msg = ParametersMessage(work, 3, 3, kDomainTypeCount);
  EXPECT_EQ(msg.substr(0, 7), "003al01");
  EXPECT_NE(msg.find(";DSO;0.1;40;100;0.01;TRUE;TRUE;0.1;0.8;MP;0.8;4;FALSE;"), std::string::npos);
}

TEST(LinkMessages, SpectraMessagesCarryTheQuarterNamedByTheirNumber) {
  auto session = MakeLinkSession();
  FakeShow(*session, 2);
  struct Case {
    int m, spectrum, quarter;
  };
  for (const Case c : {Case{1, 1, 0}, Case{4, 1, 3}, Case{5, 2, 0}, Case{6, 2, 1}, Case{8, 2, 3}}) {
    const std::string msg = SpectraMessage(2, "ab", c.m, *session->buffers);
    char head[8];
    std::snprintf(head, sizeof head, "002ab%02d", c.m);
    ASSERT_EQ(msg.substr(0, 7), head);
    ASSERT_NE(msg.back(), ';');
    const std::vector<std::string> values = SplitFields(std::string_view(msg).substr(7));
    ASSERT_EQ(values.size(), 256u) << "m = " << c.m;
    for (int k = 0; k < 256; ++k) {
      const int l = 256 * c.quarter + k + 1;
      EXPECT_NEAR(ParseReal(values[static_cast<std::size_t>(k)]), KnownPoint(2, c.spectrum, l), 1e-9)
          << "m = " << c.m << ", point " << l;
    }
  }
}
