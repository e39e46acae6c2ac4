#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "common/text_file.h"
#include "mtp_test_support.h"
#include "project/mtp_reader.h"
#include "project/mtp_writer.h"
#include "project/weights.h"

using namespace korvel;
using namespace korvel::mtp_test;

namespace {

// Half a unit of the last written decimal, plus room for the binary value.
double WrittenTolerance(int decimals) { return 0.5 * std::pow(10.0, -decimals) * (1 + 1e-9) + 1e-12; }

// Absolute weights with three decimals, so that the last weight (the rest
// after the written ones) comes out as written.
constexpr double kWeights[kMaxDomains][kMaxDomains] = {
    {1}, {0.6, 0.4}, {0.5, 0.3, 0.2}, {0.4, 0.3, 0.2, 0.1}, {0.3, 0.25, 0.2, 0.15, 0.1}};

// A project that touches every field the file carries: all nine types, five
// spectra, five domains, negative values, multi-point crossover.
std::unique_ptr<Project> RichProject() {
  auto p = NewProject();
  ProjectSettings& s = p->vreca.settings;
  s.gxx = 2.0089;
  s.gyy = 2.0061;
  s.gzz = 2.0023;
  s.Axx = 6.2;
  s.Ayy = 5.9;
  s.Azz = 33.5;
  s.AC13iso = 5.0;
  s.AbundanceC13 = 0.011;
  s.NoiseAmplitude = 0.125;
  s.AsymDist1 = -0.25;
  s.AsymDist2 = 0.1234;
  for (int t = 0; t < kDomainTypeCount; ++t)
    for (int i = 0; i < ParamCount(static_cast<DomainType>(t)); ++i) {
      s.LimitMin[t][i] = -0.5 * (i + 1) - t;
      s.LimitMax[t][i] = 10.0 * (i + 1) + t + 0.25;
      s.Grid[t][i] = 0.01 * (i + 1);
    }
  s.MultipleFlag1 = true;
  s.ErrorMethod = 2;
  s.ErrorFlag2 = true;
  s.OptimizerKind = 1;
  s.DsoInitialStep = 0.25f;
  s.DsoMaxGenPerParam = 150;
  s.HeoPopulation = 64;
  s.HeoMutation = 0.015f;
  s.HeoAutoTune = true;
  s.HeoElitism = true;
  s.HeoEliteSize = 0.125f;
  s.HeoCrossProb = 0.75f;
  s.HeoCrossKind = 1;
  s.HeoCrossArgPoints = 3;
  s.HeoDsoDuring = true;
  s.HeoDsoDuringProb = 0.002f;
  s.HeoDsoAfter = true;
  s.HeoDsoAfterPart = 0.25f;
  s.HeoKboTcD = true;
  s.HeoKboTcDProb = 0.05f;
  s.HeoKboWDProb = 0.04f;
  s.HeoKboPolarity = true;
  s.HeoKboPolarityProb = 0.03f;

  p->ExperimentCount = 9;
  for (int i = 1; i <= p->ExperimentCount; ++i) {
    Tspcmf& e = p->Experiment(i);
    e.SpectrumCount = 1 + (i - 1) % kMaxSpectra;
    for (int j = 1; j <= e.SpectrumCount; ++j) {
      Tspcsf& sp = e.Spectra[static_cast<std::size_t>(j)];
      sp.FileName = "s" + std::to_string(i) + "_" + std::to_string(j) + ".dat";
      sp.CenterField = 3300 + 12.3456 * j;
      sp.Sweep = 100 + 0.125 * i;
      sp.Frequency = 9.123456 + 0.01 * j;
      sp.Angle = -0.785 + 0.1 * j;
      sp.NoiseWeight = 1.0 / (40.0 * 40.0);
    }
    // One type per experiment (all nine over the project), one to five domains.
    e.DomainCount = 1 + (i - 1) % kMaxDomains;
    for (int k = 1; k <= e.DomainCount; ++k) {
      Domain& d = e.Domains[static_cast<std::size_t>(k)];
      d.type = static_cast<DomainType>((i - 1 + k - 1) % kDomainTypeCount);
      d.GroupCode = static_cast<std::uint8_t>(k % 3);
      const int n = ParamCount(d.type);
      for (int slot = 1; slot <= n - 1; ++slot)
        d.Values[static_cast<std::size_t>(slot)] = (slot % 2 ? 1 : -1) * (0.123456789 * slot + 0.01 * k);
      d.Values[0] = kWeights[e.DomainCount - 1][k - 1];
      for (int row = 1; row <= n; ++row) d.Switches[static_cast<std::size_t>(row)] = (row + k) % 2 == 0;
    }
    AbsoluteToConditional(e);
    ForceLastWeightSwitchOff(e);
    e.GroupNumber = (i + 1) / 2;
    e.FitnessType = i % 2;
    e.Fitness = 1.5f + static_cast<float>(i);
  }
  return p;
}

// Every field the file keeps agrees to the decimals it was written with.
void ExpectSameRecords(const Project& want, const Project& got) {
  const ProjectSettings& a = want.vreca.settings;
  const ProjectSettings& b = got.vreca.settings;
  EXPECT_NEAR(b.gxx, a.gxx, WrittenTolerance(4));
  EXPECT_NEAR(b.Azz, a.Azz, WrittenTolerance(3));
  EXPECT_NEAR(b.AbundanceC13, a.AbundanceC13, WrittenTolerance(4));
  EXPECT_NEAR(b.NoiseAmplitude, a.NoiseAmplitude, WrittenTolerance(3));
  EXPECT_NEAR(b.AsymDist1, a.AsymDist1, WrittenTolerance(2));
  EXPECT_NEAR(b.AsymDist2, a.AsymDist2, WrittenTolerance(4));
  for (int t = 0; t < kDomainTypeCount; ++t)
    for (int i = 0; i < ParamCount(static_cast<DomainType>(t)); ++i) {
      const double tol = WrittenTolerance(Param(static_cast<DomainType>(t), i).decimals);
      EXPECT_NEAR(b.LimitMin[t][i], a.LimitMin[t][i], tol);
      EXPECT_NEAR(b.LimitMax[t][i], a.LimitMax[t][i], tol);
      EXPECT_NEAR(b.Grid[t][i], a.Grid[t][i], tol);
    }
  EXPECT_EQ(b.MultipleFlag1, a.MultipleFlag1);
  EXPECT_EQ(b.MultipleFlag2, a.MultipleFlag2);
  EXPECT_EQ(b.ErrorMethod, a.ErrorMethod);
  EXPECT_EQ(b.ErrorFlag1, a.ErrorFlag1);
  EXPECT_EQ(b.ErrorFlag2, a.ErrorFlag2);
  EXPECT_EQ(b.OptimizerKind, a.OptimizerKind);
  EXPECT_NEAR(b.DsoInitialStep, a.DsoInitialStep, WrittenTolerance(2));
  EXPECT_EQ(b.DsoMaxGenPerParam, a.DsoMaxGenPerParam);
  EXPECT_EQ(b.HeoPopulation, a.HeoPopulation);
  EXPECT_NEAR(b.HeoMutation, a.HeoMutation, WrittenTolerance(3));
  EXPECT_EQ(b.HeoAutoTune, a.HeoAutoTune);
  EXPECT_EQ(b.HeoElitism, a.HeoElitism);
  EXPECT_NEAR(b.HeoEliteSize, a.HeoEliteSize, WrittenTolerance(3));
  EXPECT_NEAR(b.HeoCrossProb, a.HeoCrossProb, WrittenTolerance(3));
  EXPECT_EQ(b.HeoCrossKind, a.HeoCrossKind);
  EXPECT_EQ(b.HeoCrossArgPoints, a.HeoCrossArgPoints);
  EXPECT_EQ(b.HeoDsoDuring, a.HeoDsoDuring);
  EXPECT_NEAR(b.HeoDsoDuringProb, a.HeoDsoDuringProb, WrittenTolerance(3));
  EXPECT_EQ(b.HeoDsoAfter, a.HeoDsoAfter);
  EXPECT_NEAR(b.HeoDsoAfterPart, a.HeoDsoAfterPart, WrittenTolerance(2));
  EXPECT_EQ(b.HeoKboTcD, a.HeoKboTcD);
  EXPECT_EQ(b.HeoKboWD, a.HeoKboWD);
  EXPECT_NEAR(b.HeoKboWDProb, a.HeoKboWDProb, WrittenTolerance(3));
  EXPECT_EQ(b.HeoKboPolarity, a.HeoKboPolarity);
  EXPECT_NEAR(b.HeoKboPolarityProb, a.HeoKboPolarityProb, WrittenTolerance(3));

  ASSERT_EQ(got.ExperimentCount, want.ExperimentCount);
  for (int i = 1; i <= want.ExperimentCount; ++i) {
    SCOPED_TRACE("experiment " + std::to_string(i));
    Tspcmf x = want.Experiment(i);
    Tspcmf y = got.Experiment(i);
    ConditionalToAbsolute(x);
    ConditionalToAbsolute(y);
    ASSERT_EQ(y.SpectrumCount, x.SpectrumCount);
    for (int j = 1; j <= x.SpectrumCount; ++j) {
      const Tspcsf& u = x.Spectra[static_cast<std::size_t>(j)];
      const Tspcsf& v = y.Spectra[static_cast<std::size_t>(j)];
      EXPECT_EQ(v.FileName, u.FileName);
      EXPECT_NEAR(v.CenterField, u.CenterField, WrittenTolerance(3));
      EXPECT_NEAR(v.Sweep, u.Sweep, WrittenTolerance(2));
      EXPECT_NEAR(v.Frequency, u.Frequency, WrittenTolerance(5));
      EXPECT_NEAR(v.Angle, u.Angle, WrittenTolerance(3));
    }
    ASSERT_EQ(y.DomainCount, x.DomainCount);
    for (int k = 1; k <= x.DomainCount; ++k) {
      const Domain& u = x.Domains[static_cast<std::size_t>(k)];
      const Domain& v = y.Domains[static_cast<std::size_t>(k)];
      ASSERT_EQ(v.type, u.type);
      EXPECT_EQ(v.GroupCode, u.GroupCode);
      const int n = ParamCount(u.type);
      for (int row = 1; row <= n; ++row) {
        const auto slot = static_cast<std::size_t>(SlotOfRow(row, n));
        EXPECT_NEAR(v.Values[slot], u.Values[slot], WrittenTolerance(Param(u.type, row - 1).decimals)) << "row " << row;
        EXPECT_EQ(v.Switches[static_cast<std::size_t>(row)], u.Switches[static_cast<std::size_t>(row)]) << "row " << row;
      }
    }
    EXPECT_EQ(y.GroupNumber, x.GroupNumber);
    EXPECT_EQ(y.FitnessType, x.FitnessType);
  }
}

class MtpWriter : public ScratchDir {};

}  // namespace

TEST_F(MtpWriter, WorkedExampleIsWrittenByteForByte) {
  auto p = NewProject();
  const std::string golden = common::ReadFileBytes(Fixture("worked_example.mtp"));
  ReadProject(*p, WriteFile("in.mtp", golden));
  p->Experiment(1).Fitness = 1.234f;
  p->Experiment(1).Spectra[1].NoiseWeight = 1.0 / (45.0 * 45.0);
  SelectAllForSave(*p);
  const std::string out = Path("out.mtp");
  WriteProject(*p, out);
  EXPECT_EQ(common::ReadFileBytes(out), golden);
  EXPECT_EQ(p->MtpFileName, out);
  EXPECT_TRUE(p->Experiment(1).SaveWritten);
}

TEST_F(MtpWriter, BlockLinesCarryTheFormatsOfEachField) {
  auto p = NewProject();
  p->ExperimentCount = 1;
  Tspcmf& e = p->Experiment(1);
  e.SpectrumCount = 2;
  e.Spectra[1] = {"C1.dat", 3350.0, 9.4, 100.0, 0.0, 1, 1, 1, 1.0 / (45.0 * 45.0)};
  e.Spectra[2] = {"long_name.spc", 12345.6789, 34.123456, 1234.567, -1.5708, 1, 1, 1, 1.0 / 9.0};
  e.DomainCount = 2;
  Domain& iso = e.Domains[1];
  iso.type = kIso;
  iso.GroupCode = 2;
  const double iso_values[] = {0.25, 1.5, 2.0, 1.0123, 0.9999995};  // Lw tc W pa pg
  for (int slot = 1; slot <= 5; ++slot) iso.Values[slot] = iso_values[slot - 1];
  iso.Values[6] = 0.25;  // conditional weight: d1 = 0.25, d2 = 0.75
  iso.Switches[1] = iso.Switches[6] = true;
  Domain& mem = e.Domains[2];
  mem.type = kMem;
  mem.GroupCode = 0;
  for (int slot = 1; slot <= 5; ++slot) mem.Values[slot] = -slot;
  mem.Switches[2] = true;
  for (int row = 1; row <= 6; ++row) {
    iso.Errors[row] = 0.001 * row;
    mem.Errors[row] = 0.5;
  }
  e.ErrorsValid = true;
  e.GroupNumber = 12;
  e.FitnessType = 1;
  e.Fitness = 12.3456f;
  SelectAllForSave(*p);

  const std::vector<std::string> lines = common::SplitLines(ProjectFileText(*p));
  const std::size_t start = IndexOf(lines, "Spectrum characteristics-1:") - 1;
  const std::vector<std::string> block(lines.begin() + static_cast<std::ptrdiff_t>(start), lines.end());
  const std::vector<std::string> expected = {
      "",
      "Spectrum characteristics-1:",
      "2",
      "C1.dat",
      "3350.000 100.00 9.40000 0.000",
      "long_name.spc",
      "12345.679 1234.57 34.12346 -1.571",
      "Domains - types, parameters, errors, switches, group number:",
      "2",
      "1 2 iso 0.250 1.500 2.000 1.0123 1.000000 0.250",
      "2 0 mem -1.000 -2.000 -3.000 -4.0000 -5.000000 0.750",
      "1 2 iso 0.001 0.002 0.003 0.0040 0.005000 0.006 ",
      "2 0 mem 0.500 0.500 0.500 0.5000 0.500000 0.500 ",
      "1 2 iso T F F F F T ",
      "2 0 mem F T F F F F ",
      "12",
      "Hi2 (tip: 1):",
      "12.346 (S/N= 45,  3)",
      "",
  };
  EXPECT_EQ(block, expected);
  // A spectrum whose noise was never measured shows S/N 0.
  e.Spectra[2].NoiseWeight = 0;
  EXPECT_NE(ProjectFileText(*p).find("\r\n12.346 (S/N= 45,  0)\r\n"), std::string::npos);
  EXPECT_DOUBLE_EQ(iso.Values[0], 0.0);  // the project itself keeps its conditional weights only
}

TEST_F(MtpWriter, WrittenProjectReadsBackToTheSameRecords) {
  auto original = RichProject();
  SelectAllForSave(*original);
  const std::string first = Path("first.mtp");
  WriteProject(*original, first);

  auto read = NewProject();
  ReadProject(*read, first);
  ExpectSameRecords(*original, *read);
  EXPECT_FALSE(read->Experiment(1).ErrorsValid);

  // A second cycle writes the same bytes. The fitness and the noise level
  // come from the next simulation, not from the file.
  for (int i = 1; i <= read->ExperimentCount; ++i) {
    read->Experiment(i).Fitness = original->Experiment(i).Fitness;
    for (int j = 1; j <= kMaxSpectra; ++j)
      read->Experiment(i).Spectra[static_cast<std::size_t>(j)].NoiseWeight =
          original->Experiment(i).Spectra[static_cast<std::size_t>(j)].NoiseWeight;
  }
  SelectAllForSave(*read);
  const std::string second = Path("second.mtp");
  WriteProject(*read, second);
  EXPECT_EQ(common::ReadFileBytes(second), common::ReadFileBytes(first));
}

TEST_F(MtpWriter, CopiesAreDeclaredOnceAndNeverMultiplyOnResave) {
  // A new project whose copies exist only as the declaration.
  auto p = RichProject();
  p->ExperimentCount = 2;
  p->CopiesPending = 3;
  p->WriteCopiesLine = true;
  SelectAllForSave(*p);
  const std::string declared = Path("declared.mtp");
  WriteProject(*p, declared);
  const std::string text = common::ReadFileBytes(declared);
  EXPECT_NE(text.find("FALSE\r\nTRUE\r\nNumber of copies:\r\n3\r\n\r\nSpectrum characteristics-1:"), std::string::npos);

  auto opened = NewProject();
  ReadProject(*opened, declared);
  ASSERT_EQ(opened->ExperimentCount, 6);
  // An optimizer changes one copy; saving must keep it as its own experiment.
  opened->Experiment(2).Domains[1].Values[1] = 0.777;
  SelectAllForSave(*opened);
  const std::string resaved = Path("resaved.mtp");
  WriteProject(*opened, resaved);
  const std::string again = common::ReadFileBytes(resaved);
  EXPECT_EQ(again.find("Number of copies:"), std::string::npos);
  EXPECT_NE(again.find("Spectrum characteristics-6:"), std::string::npos);

  auto reopened = NewProject();
  ReadProject(*reopened, resaved);
  ASSERT_EQ(reopened->ExperimentCount, 6);
  const int groups[] = {1, 1, 1, 1, 1, 1};
  for (int i = 1; i <= 6; ++i) EXPECT_EQ(reopened->Experiment(i).GroupNumber, groups[i - 1]);
  EXPECT_NEAR(reopened->Experiment(2).Domains[1].Values[1], 0.777, WrittenTolerance(3));
  ExpectSameRecords(*opened, *reopened);
}

TEST_F(MtpWriter, OnlySelectedExperimentsNotYetWrittenAreSaved) {
  auto p = RichProject();
  p->ExperimentCount = 3;
  p->Experiment(1).SaveSelected = true;
  p->Experiment(3).SaveSelected = true;
  p->Experiment(3).SaveWritten = true;
  const std::string path = Path("some.mtp");
  WriteProject(*p, path);
  auto read = NewProject();
  ReadProject(*read, path);
  ASSERT_EQ(read->ExperimentCount, 1);
  EXPECT_EQ(read->Experiment(1).Spectra[1].FileName, "s1_1.dat");
  EXPECT_TRUE(p->Experiment(1).SaveWritten);
  EXPECT_FALSE(p->Experiment(2).SaveWritten);

  // Nothing selected: no file at all.
  const std::string none = Path("none.mtp");
  WriteProject(*p, none);
  EXPECT_FALSE(std::filesystem::exists(none));
}

TEST_F(MtpWriter, AFailedSaveKeepsTheOldFileAndTheFlags) {
  auto p = RichProject();
  p->ExperimentCount = 2;
  const std::string path = WriteFile("kept.mtp", "old contents");
  p->MtpFileName = "before.mtp";

  SelectAllForSave(*p);
  p->Experiment(2).Domains[1].GroupCode = 12;  // cannot be read back as one digit
  EXPECT_THROW(WriteProject(*p, path), common::FileError);
  EXPECT_EQ(common::ReadFileBytes(path), "old contents");
  EXPECT_FALSE(p->Experiment(1).SaveWritten);
  EXPECT_EQ(p->MtpFileName, "before.mtp");

  p->Experiment(2).Domains[1].GroupCode = 1;
  EXPECT_THROW(WriteProject(*p, Path("no_such_folder/x.mtp")), common::FileError);
  EXPECT_FALSE(p->Experiment(1).SaveWritten);
}
