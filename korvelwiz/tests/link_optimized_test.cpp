#include <gtest/gtest.h>

#include <string>

#include "link/link_messages.h"
#include "link/optimized_parameters.h"
#include "link_fixture.h"

using namespace korvel;
using namespace korvel::link_test;

namespace {

// Replaces field `number` (1-based, after the index) of a message.
std::string WithField(std::string msg, int number, const std::string& text) {
  std::size_t start = 3;
  for (int i = 1; i < number; ++i) start = msg.find(';', start) + 1;
  const std::size_t end = msg.find(';', start);
  return msg.replace(start, end - start, text);
}

// Field numbers in a message with uniform crossover: the optimizer, and
// SpectrumCount.
constexpr int kOptimizerField = 11 + 3 * 88 + 1;
constexpr int kSpectrumCountField = kOptimizerField + 8 + 2 + 10 + 5 + 1;

// Field number of the first switch of domain 1 in a message of `exp`.
int FirstSwitchField(const Tspcmf& exp) {
  int field = kSpectrumCountField + 5 * exp.SpectrumCount + 1;
  for (int k = 1; k <= exp.DomainCount; ++k) field += 3 + ParamCount(exp.Domains[k].type);
  return field + 3 + 1;
}

class OptimizedParameters : public ::testing::Test {
 protected:
  void SetUp() override {
    session_ = MakeLinkSession();
    optimized_ = WorkingCopy(session_->project, 2);
    ProjectSettings& s = optimized_.settings;
    s.gxx = 2.0091;
    s.Azz = 34.25;
    s.LimitMax[kTrp][18] = 0.875;
    s.OptimizerKind = 0;
    s.HeoPopulation = 250;
    s.HeoAutoTune = false;
    s.ErrorFlag2 = true;
    Tspcmf& e = optimized_.exp;
    e.Spectra[2].Frequency = 9.512345;
    e.Domains[1].Values[2] = 2.125;  // iso tc
    e.Domains[1].Values[6] = 0.625;  // conditional weight
    e.Domains[2].Values[1] = 0.375;  // trp Lw
    e.Domains[1].Switches[2] = true;
    e.Domains[2].Switches[1] = false;
  }

  OptimizedParse Parse(std::string_view text, bool at_end = true) {
    return ParseOptimizedParameters(text, at_end, session_->project);
  }

  std::unique_ptr<Session> session_;
  Tvrecica optimized_;
};

}  // namespace

TEST_F(OptimizedParameters, AFullMessageIsParsedIntoACopyOfThatExperiment) {
  const std::string msg = OptimizedMessage(optimized_, 2, 7);
  const Project before = session_->project;
  const OptimizedParse r = Parse(msg);
  ASSERT_EQ(r.status, OptimizedStatus::kComplete) << r.problem;
  EXPECT_EQ(r.index, 2);
  EXPECT_EQ(r.length, msg.size());
  EXPECT_EQ(session_->project.Experiment(2).Domains[1].Values[2], before.Experiment(2).Domains[1].Values[2]);

  const ProjectSettings& s = r.work.settings;
  EXPECT_DOUBLE_EQ(s.gxx, 2.0091);
  EXPECT_DOUBLE_EQ(s.Azz, 34.25);
  EXPECT_DOUBLE_EQ(s.LimitMax[kTrp][18], 0.875);
  EXPECT_DOUBLE_EQ(s.LimitMin[kMes][2], -5.02);
  EXPECT_EQ(s.OptimizerKind, 0);
  EXPECT_EQ(s.HeoPopulation, 250);
  EXPECT_FALSE(s.HeoAutoTune);
  EXPECT_TRUE(s.ErrorFlag2);
  EXPECT_FLOAT_EQ(s.HeoKboWDProb, 0.2f);

  const Tspcmf& e = r.work.exp;
  EXPECT_EQ(e.SpectrumCount, 2);
  EXPECT_EQ(e.Spectra[2].FileName, "two_b.spc");
  EXPECT_DOUBLE_EQ(e.Spectra[2].Frequency, 9.512345);
  EXPECT_DOUBLE_EQ(e.Spectra[2].CenterField, 3390.5);
  EXPECT_EQ(e.DomainCount, 2);
  EXPECT_EQ(e.Domains[2].type, kTrp);
  EXPECT_DOUBLE_EQ(e.Domains[1].Values[2], 2.125);
  EXPECT_DOUBLE_EQ(e.Domains[2].Values[1], 0.375);
  EXPECT_TRUE(e.Domains[1].Switches[2]);
  EXPECT_FALSE(e.Domains[2].Switches[1]);
  // Absolute weights follow the conditional weight that arrived.
  EXPECT_DOUBLE_EQ(e.Domains[1].Values[0], 0.625);
  EXPECT_DOUBLE_EQ(e.Domains[2].Values[0], 0.375);
  // The rest after the skipped field is the GroupNumber; FitnessType and
  // Fitness stay.
  EXPECT_EQ(e.GroupNumber, 7);
  EXPECT_EQ(e.FitnessType, before.Experiment(2).FitnessType);
  EXPECT_EQ(e.Fitness, before.Experiment(2).Fitness);
}

TEST_F(OptimizedParameters, CommitReplacesTheSettingsAndOnlyThatExperiment) {
  session_->project.CurrentExperiment = 3;
  const Project before = session_->project;
  const OptimizedParse r = Parse(OptimizedMessage(optimized_, 2, 2));
  ASSERT_EQ(r.status, OptimizedStatus::kComplete) << r.problem;
  CommitOptimizedParameters(session_->project, r);
  const Project& p = session_->project;
  EXPECT_EQ(p.CurrentExperiment, 2);
  EXPECT_DOUBLE_EQ(p.vreca.settings.gxx, 2.0091);
  EXPECT_DOUBLE_EQ(p.Experiment(2).Domains[1].Values[2], 2.125);
  EXPECT_EQ(p.Experiment(1).Domains[1].Values, before.Experiment(1).Domains[1].Values);
  EXPECT_EQ(p.Experiment(3).Domains[1].Values, before.Experiment(3).Domains[1].Values);
  EXPECT_EQ(p.Experiment(3).Spectra[1].FileName, before.Experiment(3).Spectra[1].FileName);
}

TEST_F(OptimizedParameters, SwitchAndFlagFieldsOtherThanTheirWordsLeaveTheValue) {
  Tvrecica w = optimized_;
  w.exp.Domains[1].Switches[3] = false;
  const int first_switch = FirstSwitchField(w.exp);
  std::string msg = OptimizedMessage(w, 2, 2);
  msg = WithField(msg, first_switch + 1, "X");          // row 2: project F, message T
  msg = WithField(msg, first_switch + 2, "t");          // row 3: project T, message F
  msg = WithField(msg, kOptimizerField + 5, "true");    // HeoAutoTune: project TRUE, message FALSE
  msg = WithField(msg, kOptimizerField, "XYZ");         // optimizer: project HEA, message DSO
  const OptimizedParse r = Parse(msg);
  ASSERT_EQ(r.status, OptimizedStatus::kComplete) << r.problem;
  const Tspcmf& old = session_->project.Experiment(2);
  EXPECT_EQ(r.work.exp.Domains[1].Switches[2], old.Domains[1].Switches[2]);
  EXPECT_FALSE(r.work.exp.Domains[1].Switches[2]);
  EXPECT_TRUE(r.work.exp.Domains[1].Switches[3]);
  EXPECT_TRUE(r.work.settings.HeoAutoTune);
  EXPECT_EQ(r.work.settings.OptimizerKind, 1);
}

TEST_F(OptimizedParameters, BadFieldsRefuseTheWholeMessage) {
  const std::string msg = OptimizedMessage(optimized_, 2, 2);
  struct Case {
    const char* what;
    std::string text;
  };
  const Case cases[] = {
      {"a letter in gxx", WithField(msg, 1, "2.0O91")},
      {"a comma decimal", WithField(msg, 5, "5,9")},
      {"an empty limit", WithField(msg, 40, "")},
      {"not a number", WithField(msg, 20, "nan")},
      {"a real population", WithField(msg, kOptimizerField + 3, "2.5")},
      {"an unknown crossover", WithField(msg, kOptimizerField + 9, "TWO")},
      {"six spectra", WithField(msg, kSpectrumCountField, "6")},
      {"no spectra", WithField(msg, kSpectrumCountField, "0")},
      {"an empty file name", WithField(msg, kSpectrumCountField + 1, " ")},
      {"six domains", WithField(msg, kSpectrumCountField + 11, "6")},
      {"a two-digit group code", WithField(msg, kSpectrumCountField + 13, "12")},
      {"a bad group number", msg.substr(0, msg.size() - 1) + "x"},
      {"experiment 0", "000" + msg.substr(3)},
      {"experiment 4 of 3", "004" + msg.substr(3)},
      {"no index", "ab2" + msg.substr(3)},
  };
  for (const Case& c : cases) {
    const OptimizedParse r = Parse(c.text);
    EXPECT_EQ(r.status, OptimizedStatus::kMalformed) << c.what;
    EXPECT_FALSE(r.problem.empty()) << c.what;
  }
  EXPECT_NE(Parse(WithField(msg, 1, "2.0O91")).problem.find("field 1 (gxx)"), std::string::npos);
}

TEST_F(OptimizedParameters, AnUnfinishedMessageWaitsAndItsEndIsATerminatorOrAPause) {
  const std::string msg = OptimizedMessage(optimized_, 2, 12);
  for (std::size_t cut : {std::size_t{0}, std::size_t{2}, std::size_t{3}, std::size_t{50}, msg.size() / 2,
                          msg.size() - 6}) {
    EXPECT_EQ(Parse(msg.substr(0, cut), false).status, OptimizedStatus::kIncomplete) << cut;
    EXPECT_EQ(Parse(msg.substr(0, cut), true).status, OptimizedStatus::kIncomplete) << cut;
  }
  // Without a terminator the group number may still be growing.
  EXPECT_EQ(Parse(msg, false).status, OptimizedStatus::kIncomplete);
  const OptimizedParse terminated = Parse(msg + "\r\n003", false);
  ASSERT_EQ(terminated.status, OptimizedStatus::kComplete) << terminated.problem;
  EXPECT_EQ(terminated.length, msg.size() + 1);
  EXPECT_EQ(terminated.work.exp.GroupNumber, 12);
}

TEST_F(OptimizedParameters, TypesMatchOnlyLowerCaseKeywordsAndFileNamesLoseTheirDirectory) {
  std::string msg = OptimizedMessage(optimized_, 2, 2);
  const int spectra = kSpectrumCountField;
  msg = WithField(msg, spectra + 1, "C:\\data\\..\\x.dat");
  msg = WithField(msg, spectra + 6, "../../y.spc");
  // Domain 1 keyword "ISO" does not match; the domain stays iso anyway, so
  // the fields still line up.
  msg = WithField(msg, spectra + 10 + 1 + 3, "ISO");
  const OptimizedParse r = Parse(msg);
  ASSERT_EQ(r.status, OptimizedStatus::kComplete) << r.problem;
  EXPECT_EQ(r.work.exp.Spectra[1].FileName, "x.dat");
  EXPECT_EQ(r.work.exp.Spectra[2].FileName, "y.spc");
  EXPECT_EQ(r.work.exp.Domains[1].type, kIso);
}

TEST_F(OptimizedParameters, ANewTypeAndDomainCountChangeTheFieldsThatFollow) {
  Tvrecica w = optimized_;
  w.exp.DomainCount = 3;
  w.exp.Domains[3] = MakeDomain(kLbe, 0.125, 0.1);
  w.exp.Domains[1].type = kMem;
  w.exp.Domains[2].Values[19] = 0.5;
  w.exp.Domains[3].Switches[8] = true;  // the last weight switch is forced off
  const OptimizedParse r = Parse(OptimizedMessage(w, 2, 2));
  ASSERT_EQ(r.status, OptimizedStatus::kComplete) << r.problem;
  EXPECT_EQ(r.work.exp.DomainCount, 3);
  EXPECT_EQ(r.work.exp.Domains[1].type, kMem);
  EXPECT_EQ(r.work.exp.Domains[3].type, kLbe);
  EXPECT_DOUBLE_EQ(r.work.exp.Domains[3].Values[7], 0.125 + 0.5 * 6);
  EXPECT_FALSE(r.work.exp.Domains[3].Switches[8]);
  EXPECT_DOUBLE_EQ(r.work.exp.Domains[1].Values[0] + r.work.exp.Domains[2].Values[0] +
                       r.work.exp.Domains[3].Values[0],
                   1.0);
}

TEST_F(OptimizedParameters, DamagedMessagesNeverTakeEffectHalfWay) {
  const std::string msg = OptimizedMessage(optimized_, 2, 2);
  std::uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  for (int round = 0; round < 300; ++round) {
    std::string damaged = msg;
    for (int k = 0; k < 1 + round % 3; ++k) {
      const std::size_t at = next() % damaged.size();
      if (round % 2)
        damaged[at] = static_cast<char>(next() % 256);
      else
        damaged.erase(at, 1 + next() % 20);
    }
    const OptimizedParse r = Parse(damaged, round % 4 != 0);
    if (r.status == OptimizedStatus::kComplete) {
      // Whatever was taken is a valid experiment.
      EXPECT_GE(r.work.exp.SpectrumCount, 1);
      EXPECT_LE(r.work.exp.SpectrumCount, kMaxSpectra);
      EXPECT_GE(r.work.exp.DomainCount, 1);
      EXPECT_LE(r.work.exp.DomainCount, kMaxDomains);
      EXPECT_LE(r.length, damaged.size());
    } else if (r.status == OptimizedStatus::kMalformed) {
      EXPECT_FALSE(r.problem.empty());
    }
  }
}
