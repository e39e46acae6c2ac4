#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "common/fixed_format.h"

#include "popfile/pop_file.h"
#include "temp_folder.h"
#include "velta_error.h"

namespace velta {
namespace {

SolutionRecord MemRecord(float fitness, double s, double d = 1.0) {
  SolutionRecord r;
  r.Fitness = fitness;
  r.DomainCount = 1;
  r.Domains[1].TypeCode = 2;
  const double params[] = {s, 1.25, 0.84, 1.01, 0, d};
  for (int j = 1; j <= 6; ++j) r.Domains[1].Params[j] = params[j - 1];
  return r;
}

RecordBatch ReadText(const std::string& text) {
  RecordBatch batch;
  batch.Reset();
  ReadPopulationText(batch, text, "runs/res001.pop");
  return batch;
}

TEST(PopulationLine, MatchesTheWrittenLayoutOfAMemRecord) {
  EXPECT_EQ(RecordLine(MemRecord(5.432f, 0.512)),
            " 5.432 1 mem 0.512 1.250 0.840 1.0100 0.000000 1.000 ");
  common::CrLfText out;
  WriteRecordLine(out, MemRecord(5.432f, 0.512));
  EXPECT_EQ(out.str().substr(out.str().size() - 3), " \r\n");
}

TEST(PopulationLine, PadsShortFitnessAndKeepsLongFitnessWhole) {
  EXPECT_EQ(RecordLine(MemRecord(0.5f, 0.5)).substr(0, 7), " 0.500 ");
  EXPECT_EQ(RecordLine(MemRecord(123.4567f, 0.5)).substr(0, 8), "123.457 ");
}

TEST(PopulationLine, RoundTripsEveryTypeToTheWrittenDecimals) {
  RecordBatch batch;
  batch.Reset();
  common::CrLfText out;
  for (int code = 1; code <= kTypeCount; ++code) {
    SolutionRecord r;
    r.Fitness = 1.0f + 0.1234567f * static_cast<float>(code);
    r.DomainCount = 1 + code % 5;
    for (int i = 1; i <= r.DomainCount; ++i) {
      r.Domains[i].TypeCode = static_cast<std::uint8_t>(code);
      for (int j = 1; j <= ParamCount(code); ++j) r.Domains[i].Params[j] = -0.5 + 0.123456789 * (i + j);
    }
    WriteRecordLine(out, r);
  }
  ReadPopulationText(batch, out.str(), "round.pop");
  ASSERT_EQ(batch.RecordCount(), kTypeCount);
  for (int code = 1; code <= kTypeCount; ++code) {
    const SolutionRecord& r = batch.Record(code);
    EXPECT_EQ(r.Fitness, static_cast<float>(std::stod(common::FormatFixed(1.0f + 0.1234567f * static_cast<float>(code), 0, 3))));
    EXPECT_EQ(r.DomainCount, 1 + code % 5);
    EXPECT_EQ(r.RunIndex, 1);
    for (int i = 1; i <= r.DomainCount; ++i) {
      EXPECT_EQ(r.Domains[i].TypeCode, code);
      for (int j = 1; j <= ParamCount(code); ++j) {
        const double written = -0.5 + 0.123456789 * (i + j);
        EXPECT_NEAR(r.Domains[i].Params[j], written, 0.51 * std::pow(10.0, -ParamDecimals(code, j)));
      }
    }
  }
}

TEST(PopulationFile, StoresFitnessInSinglePrecision) {
  const RecordBatch batch = ReadText("1.23456789 1 mem 0.1 0.2 0.3 1.0 0 1\r\n");
  EXPECT_EQ(batch.Record(1).Fitness, 1.23456789f);
}

TEST(PopulationFile, ReadsTwoMesDomainsInTheNewLayout) {
  const std::string mes = "mes 1 2 3 4 5 6 7 8 9 10 11 ";
  const RecordBatch batch = ReadText("2.000 2 " + mes + mes + "\r\n");
  EXPECT_FALSE(batch.OldPopLayout);
  ASSERT_EQ(batch.RecordCount(), 1);
  EXPECT_EQ(batch.Record(1).Domains[2].Params[6], 6.0);
  EXPECT_EQ(batch.Record(1).Domains[2].Params[11], 11.0);
}

TEST(PopulationFile, OldLayoutDropsTheSixthValueOfEveryDomain) {
  const RecordBatch batch = ReadText(
      "2.000 2 mes 1 2 3 4 5 99 6 7 8 9 10 11 mem 1 2 3 4 5 99 6 \r\n"
      "2.500 1 mes 1 2 3 4 5 99 6 7 8 9 10 11 \r\n");
  EXPECT_TRUE(batch.OldPopLayout);
  ASSERT_EQ(batch.RecordCount(), 2);
  for (int j = 1; j <= 11; ++j) EXPECT_EQ(batch.Record(1).Domains[1].Params[j], j);
  for (int j = 1; j <= 6; ++j) EXPECT_EQ(batch.Record(1).Domains[2].Params[j], j);
  EXPECT_EQ(batch.Record(2).Domains[1].Params[11], 11.0);
}

TEST(PopulationFile, SingleMesDomainRecordsReadInTheNewLayout) {
  const RecordBatch batch = ReadText(
      "2.000 1 mes 1 2 3 4 5 6 7 8 9 10 11 \r\n"
      "2.100 1 mes 1 2 3 4 5 6 7 8 9 10 11 \r\n");
  EXPECT_FALSE(batch.OldPopLayout);
  ASSERT_EQ(batch.RecordCount(), 2);
  EXPECT_EQ(batch.Record(2).Fitness, 2.1f);
  EXPECT_EQ(batch.Record(1).Domains[1].Params[6], 6.0);
}

TEST(PopulationFile, DropsARepeatThatDiffersOnlyInTheWeight) {
  const std::string a = RecordLine(MemRecord(1.5f, 0.5, 0.25)) + "\r\n";
  const std::string a_other_weight = RecordLine(MemRecord(1.5f, 0.5, 0.75)) + "\r\n";
  const std::string b = RecordLine(MemRecord(1.5f, 0.6)) + "\r\n";
  EXPECT_EQ(ReadText(a + a_other_weight).RecordCount(), 1);
  EXPECT_EQ(ReadText(a + b + a).RecordCount(), 3);
}

TEST(PopulationFile, DropsARepeatOfTheLastRecordOfThePreviousFile) {
  RecordBatch batch;
  batch.Reset();
  const std::string a = RecordLine(MemRecord(1.5f, 0.5)) + "\r\n";
  ReadPopulationText(batch, a, "res001.pop");
  ReadPopulationText(batch, a + RecordLine(MemRecord(1.7f, 0.5)) + "\r\n", "res002.pop");
  EXPECT_EQ(batch.RunFileCount, 2);
  ASSERT_EQ(batch.RecordCount(), 2);
  EXPECT_EQ(batch.Record(2).RunIndex, 2);
}

TEST(PopulationFile, EmptyFileCountsAsARunFileAndTrailingBlankLinesAreSkipped) {
  RecordBatch batch;
  batch.Reset();
  ReadPopulationText(batch, "", "res001.pop");
  EXPECT_EQ(batch.RunFileCount, 1);
  EXPECT_EQ(batch.RecordCount(), 0);
  ReadPopulationText(batch, RecordLine(MemRecord(1.5f, 0.5)) + "\r\n\r\n  \r\n\n", "res002.pop");
  EXPECT_EQ(batch.RecordCount(), 1);
}

TEST(PopulationFile, AcceptsLineFeedOnlyLineEnds) {
  EXPECT_EQ(ReadText(" 1.000 1 mem 0.1 0.2 0.3 1.0 0 1 \n 2.000 1 lle 0.1 0.2 0.3 1.0 0 1 \n").RecordCount(), 2);
}

struct BadText {
  const char* name;
  std::string text;
  std::string message_part;
};

class PopulationFileRefuses : public ::testing::TestWithParam<BadText> {};

TEST_P(PopulationFileRefuses, WithTheFileAndLineAndLeavesTheBatchUnchanged) {
  RecordBatch batch;
  batch.Reset();
  ReadPopulationText(batch, RecordLine(MemRecord(1.5f, 0.5)) + "\r\n", "res001.pop");
  try {
    ReadPopulationText(batch, RecordLine(MemRecord(1.6f, 0.5)) + "\r\n" + GetParam().text, "res002.pop");
    FAIL() << "no error";
  } catch (const VeltaError& e) {
    EXPECT_NE(std::string(e.what()).find("res002.pop, line 2"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find(GetParam().message_part), std::string::npos) << e.what();
  }
  EXPECT_EQ(batch.RunFileCount, 1);
  EXPECT_EQ(batch.RecordCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, PopulationFileRefuses,
    ::testing::Values(
        BadText{"UnknownDomainName", "1.7 1 xyz 1 2 3 4 5 6\r\n", "unknown domain name \"xyz\""},
        BadText{"SixDomains", "1.7 6 mem 1 2 3 4 5 6\r\n", "6 domains"},
        BadText{"NoDomains", "1.7 0\r\n", "0 domains"},
        BadText{"LetterForNumber", "1.7 1 mem 1 2 x 4 5 6\r\n", "invalid numeric input \"x\""},
        BadText{"FractionalDomainCount", "1.7 1.5 mem 1 2 3 4 5 6\r\n", "invalid numeric input \"1.5\""},
        BadText{"CutOffRecord", "1.7 1 mem 1 2 3\r\n", "the file ends inside the record"}),
    [](const ::testing::TestParamInfo<BadText>& param_info) { return std::string(param_info.param.name); });

TEST(RecordBatchSort, OrdersFitnessThreeOneTwoAsTwoThreeOne) {
  const RecordBatch read = ReadText(RecordLine(MemRecord(3, 0.1)) + "\r\n" + RecordLine(MemRecord(1, 0.2)) +
                                    "\r\n" + RecordLine(MemRecord(2, 0.3)) + "\r\n");
  RecordBatch batch = read;
  SortBatch(batch);
  EXPECT_TRUE(batch.Sorted);
  EXPECT_EQ(batch.SortOrder, (std::vector<std::int32_t>{2, 3, 1}));
}

TEST(RecordBatchSort, KeepsEveryRecordOnceAndAscends) {
  RecordBatch batch;
  batch.Reset();
  common::CrLfText out;
  for (int i = 0; i < 500; ++i) WriteRecordLine(out, MemRecord(static_cast<float>((i * 7919) % 37), 0.001 * i));
  ReadPopulationText(batch, out.str(), "many.pop");
  SortBatch(batch);
  std::vector<std::int32_t> seen = batch.SortOrder;
  std::sort(seen.begin(), seen.end());
  for (int i = 1; i <= batch.RecordCount(); ++i) EXPECT_EQ(seen[static_cast<std::size_t>(i - 1)], i);
  for (int i = 2; i <= batch.RecordCount(); ++i)
    EXPECT_LE(batch.SortedRecord(i - 1).Fitness, batch.SortedRecord(i).Fitness);
}

TEST(SameRecordFull, IsFalseForNoSecondRecord) {
  const RecordBatch batch = ReadText(RecordLine(MemRecord(1.5f, 0.5)) + "\r\n");
  EXPECT_TRUE(SameRecordFull(batch, 1, 1));
  EXPECT_FALSE(SameRecordFull(batch, 1, 0));
}

TEST(PopulationFile, RefusesTheRecordBeyondTheBatchCapacity) {
  std::string text;
  text.reserve(61000u * 40u);
  for (int i = 0; i <= kMaxRecords; ++i) text += "1.5 1 mem " + std::to_string(i) + " 1 1 1 0 1\n";
  RecordBatch batch;
  batch.Reset();
  try {
    ReadPopulationText(batch, text, "big.pop");
    FAIL();
  } catch (const VeltaError& e) {
    EXPECT_NE(std::string(e.what()).find("big.pop, line 60001: a run set holds at most 60000 records"),
              std::string::npos) << e.what();
  }
  EXPECT_EQ(batch.RecordCount(), 0);
}

TEST(PopulationFile, ReportsAMissingFile) {
  RecordBatch batch;
  batch.Reset();
  EXPECT_THROW(ReadPopulationFile(batch, "/nonexistent/res001.pop"), common::FileError);
  EXPECT_EQ(batch.RunFileCount, 0);
}

}  // namespace
}  // namespace velta
