#include <gtest/gtest.h>

#include <cmath>

#include "engine/align.h"
#include "engine/simulate.h"
#include "engine_fixture.h"

using namespace korvel;
using namespace korvel::testing;

namespace {

// Experimental feature points of ExpRaw[1] as the loader would set them:
// the largest running sum, with both flanks at that point.
void SetFeaturePoints(Tspcsf& sp, const Spectrum1024& y) {
  double run = 0, best = -1;
  for (int l = 1; l <= 1024; ++l) {
    run += y[l];
    if (std::fabs(run) > best) {
      best = std::fabs(run);
      sp.IntegralPeak = l;
    }
  }
  sp.PeakLeft = sp.PeakRight = sp.IntegralPeak;
}

class Alignment : public ::testing::Test {
 protected:
  std::unique_ptr<SimBuffers> buf = MakeSimBuffers();
  std::unique_ptr<Project> project = std::make_unique<Project>();

  void Prepare(double true_frequency, double start_frequency) {
    Tvrecica w = OneIsoExperiment();
    w.exp.Domains[1] = IsoDomain(1.0, 0.0, 1.5);
    w.exp.Spectra[1].Frequency = true_frequency;
    SimulateIntoExperiment(w, *buf);
    SetFeaturePoints(w.exp.Spectra[1], buf->ExpRaw[1]);
    w.exp.Spectra[1].Frequency = start_frequency;
    project->vreca.settings = w.settings;
    project->Experiment(1) = w.exp;
    project->ExperimentCount = 1;
  }
};

}  // namespace

TEST_F(Alignment, AlignedSimulationKeepsItsFrequency) {
  Prepare(9.5, 9.5);
  Tvrecica w = WorkingCopy(*project, 1);
  CollectParamVector(w.exp, buf->ParamVector);
  const float before = SimulateExperiment(w, buf->ParamVector, *buf);
  const float after = AlignSpectra(*project, 1, *buf);
  EXPECT_EQ(project->Experiment(1).Spectra[1].Frequency, 9.5);
  EXPECT_EQ(after, before);
}

TEST_F(Alignment, ShiftOfWPointsIsCorrectedByTheRelativeAmount) {
  // Start 8 points too low in field (frequency too low by the matching amount).
  const double sweep = 100.0, centre = 3384.0, w = 8;
  const double start = 9.5 * (1.0 - w * sweep / (centre * 1024.0));
  Prepare(9.5, start);
  Tvrecica before = WorkingCopy(*project, 1);
  CollectParamVector(before.exp, buf->ParamVector);
  const float f_old = SimulateExperiment(before, buf->ParamVector, *buf);
  const float f_new = AlignSpectra(*project, 1, *buf);
  EXPECT_LT(f_new, f_old);
  EXPECT_NEAR(project->Experiment(1).Spectra[1].Frequency, 9.5, 9.5 * 1.5 * sweep / (centre * 1024));
}

TEST_F(Alignment, CorrectionThatWorsensTheFitIsUndone) {
  Prepare(9.5, 9.5);
  // Feature points that claim the absorption lies 30 points lower: the
  // correction would move an already matching simulation away.
  project->Experiment(1).Spectra[1].IntegralPeak -= 30;
  project->Experiment(1).Spectra[1].PeakLeft -= 30;
  project->Experiment(1).Spectra[1].PeakRight -= 30;
  AlignSpectra(*project, 1, *buf);
  EXPECT_EQ(project->Experiment(1).Spectra[1].Frequency, 9.5);
}

TEST(LevelCount, IsCappedForNoiselessSpectra) {
  EXPECT_EQ(LevelCount(0.0), 10000);
  EXPECT_EQ(LevelCount(1e-12), 10000);
  EXPECT_EQ(LevelCount(1e-4), 100);
  EXPECT_EQ(LevelCount(0.5), 5);
}

TEST(SortExperiments, OrdersByFitnessAscending) {
  auto p = std::make_unique<Project>();
  const float fit[] = {3, 1, 2, 1.5f, 0.5f};
  for (int i = 1; i <= 5; ++i) {
    p->Experiment(i).Fitness = fit[i - 1];
    p->Experiment(i).GroupNumber = i;
  }
  SortExperimentsByFitness(*p, 3);
  EXPECT_EQ(p->Experiment(1).GroupNumber, 2);
  EXPECT_EQ(p->Experiment(2).GroupNumber, 3);
  EXPECT_EQ(p->Experiment(3).GroupNumber, 1);
  EXPECT_EQ(p->Experiment(4).GroupNumber, 4);  // beyond the count: untouched
  SortExperimentsByFitness(*p, 5);
  for (int i = 1; i < 5; ++i) EXPECT_LE(p->Experiment(i).Fitness, p->Experiment(i + 1).Fitness);
}
