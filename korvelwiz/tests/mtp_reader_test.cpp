#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/text_file.h"
#include "mtp_test_support.h"
#include "project/mtp_reader.h"
#include "project/mtp_writer.h"

using namespace korvel;
using namespace korvel::mtp_test;

namespace {

// The header of the worked example (everything before its experiment block).
std::vector<std::string> Header() {
  std::vector<std::string> lines = FixtureLines("worked_example.mtp");
  lines.resize(IndexOf(lines, "Spectrum characteristics-1:") - 1);
  return lines;
}

struct BlockSpec {
  std::vector<std::string> spectra;   // file name line, settings line, ...
  std::vector<std::string> domains;   // full domain lines
  std::vector<std::string> switches;  // full switch lines
  int group = 1;
  std::string fitness_line = "Hi2 (tip: 0):";
};

std::vector<std::string> Block(int number, const BlockSpec& b) {
  std::vector<std::string> l = {"", "Spectrum characteristics-" + std::to_string(number) + ":",
                                std::to_string(b.spectra.size() / 2)};
  l.insert(l.end(), b.spectra.begin(), b.spectra.end());
  l.push_back("Domains - types, parameters, errors, switches, group number:");
  l.push_back(std::to_string(b.domains.size()));
  l.insert(l.end(), b.domains.begin(), b.domains.end());
  for (std::size_t k = 1; k <= b.domains.size(); ++k)
    l.push_back(std::to_string(k) + " 2 iso Error calculation not successful");
  l.insert(l.end(), b.switches.begin(), b.switches.end());
  l.push_back(std::to_string(b.group));
  l.push_back(b.fitness_line);
  l.push_back(" 1.234 (S/N= 45)");
  l.push_back("");
  return l;
}

BlockSpec OneIso(const std::string& file = "x.dat", int group = 1) {
  BlockSpec b;
  b.spectra = {file, "3350.000 100.00 9.40000 0.000"};
  b.domains = {"1 2 iso 1.000 1.500 2.000 0.0100 0.001000 1.000"};
  b.switches = {"1 2 iso T T T F F F "};
  b.group = group;
  return b;
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

void Erase(std::vector<std::string>& lines, const std::string& keyword, std::size_t count) {
  const std::size_t at = IndexOf(lines, keyword);
  lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at), lines.begin() + static_cast<std::ptrdiff_t>(at + count));
}

class MtpReader : public ScratchDir {
 protected:
  // Reads `lines` written as "name" into the project.
  void Read(const std::vector<std::string>& lines, const std::string& name = "p.mtp", const char* end = "\r\n") {
    ReadProject(*project_, WriteFile(name, Joined(lines, end)));
  }
  std::unique_ptr<Project> project_ = NewProject();
};

}  // namespace

TEST_F(MtpReader, ReadsEverySectionOfTheWorkedExample) {
  project_->ProjectDir = DirWithSlash();
  const std::string path = WriteFile("p.mtp", common::ReadFileBytes(Fixture("worked_example.mtp")));
  ReadProject(*project_, path);
  const Project& p = *project_;
  const ProjectSettings& s = p.vreca.settings;
  // The tensor line carries g before A.
  EXPECT_DOUBLE_EQ(s.gxx, 2.0088);
  EXPECT_DOUBLE_EQ(s.gzz, 2.0027);
  EXPECT_DOUBLE_EQ(s.Axx, 6.2);
  EXPECT_DOUBLE_EQ(s.Azz, 33.5);
  EXPECT_DOUBLE_EQ(s.AC13iso, 5.0);
  EXPECT_DOUBLE_EQ(s.AbundanceC13, 0.011);
  EXPECT_EQ(p.DomainTypeCount, 9);
  EXPECT_DOUBLE_EQ(s.LimitMin[kIso][1], 0.001);
  EXPECT_DOUBLE_EQ(s.LimitMax[kTrp][17], 30.0);  // a5 of the last line
  EXPECT_DOUBLE_EQ(s.LimitMin[kOms][4], -5.0);
  EXPECT_DOUBLE_EQ(s.Grid[kPsd][0], 1.0);
  EXPECT_DOUBLE_EQ(s.Grid[kTrp][18], 0.01);
  EXPECT_EQ(s.OptimizerKind, 1);
  EXPECT_FLOAT_EQ(s.DsoInitialStep, 0.1f);
  EXPECT_EQ(s.DsoMaxGenPerParam, 200);
  EXPECT_EQ(s.HeoPopulation, 200);
  EXPECT_FLOAT_EQ(s.HeoMutation, 0.01f);
  EXPECT_TRUE(s.HeoAutoTune);
  EXPECT_TRUE(s.HeoElitism);
  EXPECT_FLOAT_EQ(s.HeoEliteSize, 0.05f);
  EXPECT_FLOAT_EQ(s.HeoCrossProb, 0.2f);
  EXPECT_EQ(s.HeoCrossKind, 0);
  EXPECT_FLOAT_EQ(s.HeoCrossArgUniform, 0.5f);
  EXPECT_TRUE(s.HeoDsoDuring);
  EXPECT_FLOAT_EQ(s.HeoDsoDuringProb, 0.001f);
  EXPECT_FALSE(s.HeoDsoAfter);
  EXPECT_FLOAT_EQ(s.HeoDsoAfterPart, 0.1f);
  EXPECT_TRUE(s.HeoKboTcD);
  EXPECT_TRUE(s.HeoKboWD);
  EXPECT_FALSE(s.HeoKboPolarity);
  EXPECT_FLOAT_EQ(s.HeoKboPolarityProb, 0.02f);
  EXPECT_FALSE(s.MultipleFlag1);
  EXPECT_EQ(s.ErrorMethod, 0);
  EXPECT_TRUE(s.ErrorFlag1);
  EXPECT_FALSE(s.ErrorFlag2);

  ASSERT_EQ(p.ExperimentCount, 1);
  EXPECT_EQ(p.CurrentExperiment, 1);
  EXPECT_EQ(p.MtpFileName, path);
  EXPECT_EQ(p.CopiesPending, 1);
  EXPECT_FALSE(p.WriteCopiesLine);
  const Tspcmf& e = p.Experiment(1);
  ASSERT_EQ(e.SpectrumCount, 1);
  EXPECT_EQ(e.Spectra[1].FileName, "x.dat");
  EXPECT_DOUBLE_EQ(e.Spectra[1].CenterField, 3350.0);
  EXPECT_DOUBLE_EQ(e.Spectra[1].Sweep, 100.0);
  EXPECT_DOUBLE_EQ(e.Spectra[1].Frequency, 9.4);
  ASSERT_EQ(e.DomainCount, 1);
  const Domain& d = e.Domains[1];
  EXPECT_EQ(d.type, kIso);
  EXPECT_EQ(d.GroupCode, 2);
  const double values[] = {1.0, 1.0, 1.5, 2.0, 0.01, 0.001};  // slot 0 (d), then Lw .. pg
  for (int slot = 0; slot < 6; ++slot) EXPECT_DOUBLE_EQ(d.Values[slot], values[slot]) << "slot " << slot;
  const bool switches[] = {true, true, true, false, false, false};
  for (int row = 1; row <= 6; ++row) EXPECT_EQ(d.Switches[row], switches[row - 1]) << "row " << row;
  EXPECT_EQ(e.GroupNumber, 1);
  EXPECT_EQ(e.FitnessType, 0);
  EXPECT_FALSE(e.ErrorsValid);
  EXPECT_FALSE(e.SaveSelected);
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "x_POP"));
}

// A missing section keeps what the project had; the sections after it are
// still found (the search starts again from the top of the file).
TEST_F(MtpReader, MissingSectionsKeepTheirFieldsAndTheRestIsRead) {
  struct Case {
    const char* keyword;
    std::size_t lines;
  };
  const Case cases[] = {{"Tensors:", 2}, {"Noise:", 2}, {"Asimetric distribution:", 2}, {"Multiple:", 3},
                        {"Error analysis:", 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keyword);
    project_ = NewProject();
    ProjectSettings& s = project_->vreca.settings;
    s.gxx = 9;
    s.NoiseAmplitude = 7;
    s.AsymDist2 = 6;
    s.MultipleFlag2 = true;
    s.ErrorMethod = 5;
    std::vector<std::string> lines = Concat(Header(), Block(1, OneIso()));
    Erase(lines, c.keyword, c.lines);
    Read(lines);
    const std::string missing = c.keyword;
    EXPECT_DOUBLE_EQ(s.gxx, missing == "Tensors:" ? 9 : 2.0088);
    EXPECT_DOUBLE_EQ(s.NoiseAmplitude, missing == "Noise:" ? 7 : 0);
    EXPECT_DOUBLE_EQ(s.AsymDist2, missing == "Asimetric distribution:" ? 6 : 0);
    EXPECT_EQ(s.MultipleFlag2, missing == "Multiple:");
    EXPECT_EQ(s.ErrorMethod, missing == "Error analysis:" ? 5 : 0);
    EXPECT_EQ(s.HeoPopulation, 200);
    EXPECT_EQ(project_->ExperimentCount, 1);
    EXPECT_EQ(project_->Experiment(1).Spectra[1].FileName, "x.dat");
  }
}

TEST_F(MtpReader, ALimitsSectionOfEightLinesDescribesEightTypes) {
  std::vector<std::string> lines = Concat(Header(), Block(1, OneIso()));
  lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(IndexOf(lines, "Grids:")) - 1);
  lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(IndexOf(lines, "Optimization used:")) - 1);
  project_->vreca.settings.LimitMax[kTrp][0] = 42;
  project_->vreca.settings.Grid[kTrp][0] = 43;
  Read(lines);
  EXPECT_EQ(project_->DomainTypeCount, 8);
  EXPECT_DOUBLE_EQ(project_->vreca.settings.LimitMax[kObs][11], 1.0);
  EXPECT_DOUBLE_EQ(project_->vreca.settings.LimitMax[kTrp][0], 42);
  EXPECT_DOUBLE_EQ(project_->vreca.settings.Grid[kTrp][0], 43);
  EXPECT_EQ(project_->vreca.settings.OptimizerKind, 1);
}

TEST_F(MtpReader, SpectrumLineWithThreeNumbersKeepsTheAngle) {
  const struct {
    const char* line;
    double angle;
  } cases[] = {{"3350.000 100.00 9.40000", 0.7},
               {"3350.000 100.00 9.40000   ", 0.7},
               {"3350.000 100.00 9.40000 1.571", 1.571}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    project_->Experiment(1).Spectra[1].Angle = 0.7;
    BlockSpec b = OneIso();
    b.spectra[1] = c.line;
    Read(Concat(Header(), Block(1, b)));
    EXPECT_DOUBLE_EQ(project_->Experiment(1).Spectra[1].Angle, c.angle);
    EXPECT_DOUBLE_EQ(project_->Experiment(1).Spectra[1].Frequency, 9.4);
  }
}

TEST_F(MtpReader, OnlyTrueInAnyCaseReadsAsTrue) {
  const struct {
    const char* text;
    bool value;
  } cases[] = {{"TRUE", true},   {"True", true},  {"true", true},   {" true ", true},
               {"yes", false},   {"FALSE", false}, {"1", false},    {"truely", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<std::string> lines = Concat(Header(), Block(1, OneIso()));
    lines[IndexOf(lines, "Multiple:") + 1] = c.text;
    Read(lines);
    EXPECT_EQ(project_->vreca.settings.MultipleFlag1, c.value);
  }
}

TEST_F(MtpReader, MultiPointCrossoverReadsThePointCount) {
  std::vector<std::string> lines = Concat(Header(), Block(1, OneIso()));
  const std::size_t kind = IndexOf(lines, "UNI");
  lines[kind] = "mp";
  lines[kind + 1] = "0.5";
  lines[kind + 2] = "4";
  Read(lines);
  EXPECT_EQ(project_->vreca.settings.HeoCrossKind, 1);
  EXPECT_EQ(project_->vreca.settings.HeoCrossArgPoints, 4);
  EXPECT_TRUE(project_->vreca.settings.HeoDsoDuring);  // the captions after it stay in step
  EXPECT_TRUE(project_->vreca.settings.HeoKboWD);
}

TEST_F(MtpReader, DeclaredCopiesRepeatEveryBlockInMemory) {
  std::vector<std::string> header = Header();
  header.push_back("Number of copies:");
  header.push_back("3");
  project_->ProjectDir = DirWithSlash();
  project_->WriteCopiesLine = true;  // as a new project with declared copies leaves it
  project_->CopiesPending = 20;
  Read(Concat(Concat(header, Block(1, OneIso("a.dat", 1))), Block(2, OneIso("b.dat", 2))));
  ASSERT_EQ(project_->ExperimentCount, 6);
  const int groups[] = {1, 1, 1, 2, 2, 2};
  for (int i = 1; i <= 6; ++i) {
    EXPECT_EQ(project_->Experiment(i).GroupNumber, groups[i - 1]) << "experiment " << i;
    EXPECT_EQ(project_->Experiment(i).Spectra[1].FileName, groups[i - 1] == 1 ? "a.dat" : "b.dat");
  }
  // The copies exist now; the next save writes them without declaring them.
  EXPECT_EQ(project_->CopiesPending, 3);
  EXPECT_FALSE(project_->WriteCopiesLine);
  EXPECT_EQ(project_->CopiesRead, 1);
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "a_POP"));
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "b_POP"));
}

TEST_F(MtpReader, AbsoluteWeightsBecomeConditionalAndTheLastWeightSwitchIsOff) {
  BlockSpec b = OneIso();
  b.domains = {"1 2 iso 1.000 1.500 2.000 0.0100 0.001000 0.500", "2 0 mem 0.500 1.500 2.000 0.0100 0.001000 0.300",
               "3 1 TRP 1.000 1.000 1.000000 0.50 1.0 16.0000 0.00 0.0 0.0000 0.00 0.0 0.0000 0.00 0.0 0.0000 "
               "0.00 0.0 0.0000 0.200"};
  b.switches = {"1 2 iso T T T F F T ", "2 0 mem T T T F F T ", "3 1 trp T T T T T T T T T T T T T T T T T T T "};
  Read(Concat(Header(), Block(1, b)));
  const Tspcmf& e = project_->Experiment(1);
  ASSERT_EQ(e.DomainCount, 3);
  EXPECT_DOUBLE_EQ(e.Domains[1].Values[6], 0.5);
  EXPECT_DOUBLE_EQ(e.Domains[2].Values[6], 0.6);
  EXPECT_EQ(e.Domains[2].type, kMem);
  EXPECT_EQ(e.Domains[2].GroupCode, 0);
  EXPECT_EQ(e.Domains[3].type, kTrp);
  EXPECT_EQ(e.Domains[3].GroupCode, 1);
  EXPECT_DOUBLE_EQ(e.Domains[3].Values[6], 16.0);  // a1
  EXPECT_DOUBLE_EQ(e.Domains[3].Values[0], 0.2);
  EXPECT_TRUE(e.Domains[2].Switches[6]);
  EXPECT_TRUE(e.Domains[3].Switches[18]);
  EXPECT_FALSE(e.Domains[3].Switches[19]);
}

TEST_F(MtpReader, DirectoriesAreDroppedFromSpectralFileNames) {
  project_->ProjectDir = DirWithSlash();
  for (const char* name : {"C:\\data\\x.dat", "/data/x.dat", "..\\x.dat", "D:x.dat", "  x.dat  "}) {
    SCOPED_TRACE(name);
    Read(Concat(Header(), Block(1, OneIso(name))));
    EXPECT_EQ(project_->Experiment(1).Spectra[1].FileName, "x.dat");
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "x_POP"));
  EXPECT_FALSE(std::filesystem::exists("/data/x_POP"));
}

TEST_F(MtpReader, LfLineEndsReadLikeCrLf) {
  const std::vector<std::string> lines = FixtureLines("worked_example.mtp");
  Read(lines, "crlf.mtp", "\r\n");
  SelectAllForSave(*project_);
  const std::string from_crlf = ProjectFileText(*project_);
  project_ = NewProject();
  Read(lines, "lf.mtp", "\n");
  SelectAllForSave(*project_);
  EXPECT_EQ(ProjectFileText(*project_), from_crlf);
}

TEST_F(MtpReader, FitnessTypeIsTheDigitAfterTheTip) {
  BlockSpec b = OneIso();
  b.fitness_line = "Hi2 (tip: 1):";
  Read(Concat(Header(), Block(1, b)));
  EXPECT_EQ(project_->Experiment(1).FitnessType, 1);
}

// Every refused file names the file and the line, and leaves the project
// (and the folders beside it) as they were.
TEST_F(MtpReader, BadInputNamesFileAndLineAndLeavesTheProjectUntouched) {
  project_->ProjectDir = DirWithSlash();
  Read(Concat(Header(), Block(1, OneIso("good.dat"))), "good.mtp");
  SelectAllForSave(*project_);
  const std::string before = ProjectFileText(*project_);
  const std::string name_before = project_->MtpFileName;

  const std::vector<std::string> header = Header();
  const int block_start = static_cast<int>(header.size());  // 0-based index of the block's empty line
  auto with_block = [&](const BlockSpec& b) { return Concat(header, Block(1, b)); };
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    int line;              // 1-based line the message must name
    const char* expected;  // part of the message
  };
  BlockSpec bad_sign = OneIso("bad.dat");
  bad_sign.spectra[1] = "3350.000 100.00 +-9.4 0.000";
  BlockSpec bad_number = OneIso("bad.dat");
  bad_number.spectra[1] = "3350.000 1OO.00 9.40000 0.000";
  BlockSpec six_spectra = OneIso("bad.dat");
  BlockSpec six_domains = OneIso("bad.dat");
  BlockSpec bad_keyword = OneIso("bad.dat");
  bad_keyword.domains[0] = "1 2 xyz 1.000 1.500 2.000 0.0100 0.001000 1.000";
  BlockSpec bad_group = OneIso("bad.dat");
  bad_group.domains[0] = "1 x iso 1.000 1.500 2.000 0.0100 0.001000 1.000";
  BlockSpec bad_fitness = OneIso("bad.dat");
  bad_fitness.fitness_line = "Hi2";
  std::vector<std::string> noise = with_block(OneIso("bad.dat"));
  noise[IndexOf(noise, "Noise:") + 1] = "abc";
  std::vector<std::string> six = with_block(six_spectra);
  six[static_cast<std::size_t>(block_start) + 2] = "6";
  std::vector<std::string> six_dom = with_block(six_domains);
  six_dom[static_cast<std::size_t>(block_start) + 6] = "6";
  std::vector<std::string> truncated = with_block(OneIso("bad.dat"));
  truncated.resize(static_cast<std::size_t>(block_start) + 8);  // ends after the domain line
  std::vector<std::string> no_block = header;
  std::vector<std::string> copies = header;
  copies.push_back("Number of copies:");
  copies.push_back("101");
  copies = Concat(Concat(copies, Block(1, OneIso("a.dat"))), Block(2, OneIso("b.dat")));

  const Case cases[] = {
      {"bad number", with_block(bad_number), block_start + 5, "found \"1OO.00\""},
      {"bad sign", with_block(bad_sign), block_start + 5, "found \"+-9.4\""},
      {"bad header number", noise, static_cast<int>(IndexOf(noise, "Noise:")) + 2, "noise amplitude"},
      {"six spectra", six, block_start + 3, "at most 5"},
      {"six domains", six_dom, block_start + 7, "at most 5"},
      {"unknown keyword", with_block(bad_keyword), block_start + 8, "domain type keyword"},
      {"bad group code", with_block(bad_group), block_start + 8, "group code"},
      {"bad fitness line", with_block(bad_fitness), block_start + 12, "fitness type"},
      {"truncated block", truncated, block_start + 8, "end of the file"},
      {"no experiment block", no_block, static_cast<int>(header.size()), "Spectrum characteristics"},
      {"more than 200 experiments", copies, static_cast<int>(IndexOf(copies, "Spectrum characteristics-2:")) + 1,
       "200 experiments"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = WriteFile("bad.mtp", Joined(c.lines));
    try {
      ReadProject(*project_, path);
      ADD_FAILURE() << "no error";
    } catch (const FormatError& e) {
      EXPECT_EQ(e.file, path);
      EXPECT_EQ(e.line, c.line) << e.what();
      EXPECT_NE(std::string(e.what()).find(path + ":" + std::to_string(c.line) + ": "), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
    }
    EXPECT_EQ(ProjectFileText(*project_), before);
    EXPECT_EQ(project_->MtpFileName, name_before);
    EXPECT_EQ(project_->ExperimentCount, 1);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "bad_POP"));
  }
  EXPECT_THROW(ReadProject(*project_, Path("missing.mtp")), common::FileError);
  EXPECT_EQ(ProjectFileText(*project_), before);
}

TEST_F(MtpReader, TwoHundredExperimentsFit) {
  std::vector<std::string> lines = Header();
  lines.push_back("Number of copies:");
  lines.push_back("100");
  Read(Concat(Concat(lines, Block(1, OneIso("a.dat", 1))), Block(2, OneIso("b.dat", 2))));
  EXPECT_EQ(project_->ExperimentCount, 200);
  EXPECT_EQ(project_->Experiment(200).GroupNumber, 2);
}

TEST_F(MtpReader, DefaultsFileFillsDefaultsAndPreparesTheDomainsOfExperimentOne) {
  Project& p = *project_;
  p.ExperimentCount = 4;
  p.CopiesPending = 20;
  p.WriteCopiesLine = true;
  Tspcmf& e = p.Experiment(1);
  e.DomainCount = 2;
  e.Domains[1].type = kIso;
  e.Domains[2].type = kMes;
  e.Spectra[1].FileName = "kept.dat";
  project_->ProjectDir = DirWithSlash();
  const std::string path = WriteFile("def_par2.mtp", common::ReadFileBytes(Fixture("def_par2.mtp")));
  ReadProject(p, path);

  EXPECT_TRUE(p.DefaultsLoaded);
  EXPECT_EQ(p.ExperimentCount, 4);
  EXPECT_EQ(p.CopiesPending, 20);
  EXPECT_TRUE(p.WriteCopiesLine);
  EXPECT_DOUBLE_EQ(p.vreca.settings.gxx, 2.0088);
  EXPECT_DOUBLE_EQ(p.DefaultValues[kTrp][5], 16.0);  // a1
  EXPECT_DOUBLE_EQ(p.DefaultValues[kLbe][2], 10.0);  // cBr
  EXPECT_TRUE(p.DefaultSwitches[kTrp][5]);
  EXPECT_FALSE(p.DefaultSwitches[kTrp][18]);
  EXPECT_DOUBLE_EQ(e.Spectra[3].CenterField, 12000.0);
  EXPECT_DOUBLE_EQ(e.Spectra[3].Sweep, 300.0);
  EXPECT_DOUBLE_EQ(e.Spectra[3].Frequency, 34.0);
  EXPECT_EQ(e.Spectra[1].FileName, "kept.dat");
  EXPECT_EQ(e.FitnessType, 0);

  // Domain values from the defaults of their types, equal weights.
  for (int slot = 1; slot <= 5; ++slot) EXPECT_DOUBLE_EQ(e.Domains[1].Values[slot], p.DefaultValues[kIso][slot - 1]);
  for (int slot = 1; slot <= 10; ++slot) EXPECT_DOUBLE_EQ(e.Domains[2].Values[slot], p.DefaultValues[kMes][slot - 1]);
  EXPECT_DOUBLE_EQ(e.Domains[1].Values[0], 0.5);
  EXPECT_DOUBLE_EQ(e.Domains[2].Values[0], 0.5);
  EXPECT_DOUBLE_EQ(e.Domains[1].Values[6], 0.5);  // conditional weight
  for (int row = 1; row <= 6; ++row) EXPECT_EQ(e.Domains[1].Switches[row], p.DefaultSwitches[kIso][row - 1]);
  EXPECT_FALSE(e.Domains[2].Switches[11]);
  // No result folders: the defaults file names no spectral files.
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_)) ++entries;
  EXPECT_EQ(entries, 1);
}
