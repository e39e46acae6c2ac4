#include <gtest/gtest.h>

#include <filesystem>

#include "mtp_fixture.h"
#include "reference/reference_search.h"
#include "temp_folder.h"
#include "velta_error.h"

namespace velta {
namespace {

using velta::testing::ReferenceMtp;

class ReferenceSearch : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& spectrum, int age_hours) {
    const std::string path = folder_.Write(name, ReferenceMtp(spectrum, " 1.234 (S/N= 45)"));
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(age_hours));
    return path;
  }
  velta::testing::TempFolder folder_{"data"};
  std::vector<std::string> notes_;
};

TEST_F(ReferenceSearch, PrefersTheProjectNamedWithOneOverAnOlderOne) {
  Write("proj.mtp", "C:\\data\\proj.dat", 5);
  const std::string one = Write("proj1.mtp", "C:\\data\\proj.dat", 1);
  const ReferenceInfo info = FindReference(folder_.Path(), "proj", notes_);
  EXPECT_TRUE(info.ReferenceFound);
  EXPECT_EQ(info.ReferenceMtp, one);
  EXPECT_EQ(info.SpectrumFileName, "proj.dat");
  EXPECT_FALSE(info.SpectrumFound);
  ASSERT_EQ(notes_.size(), 1u);
  EXPECT_EQ(notes_[0], "Spectrum data file is not found in the current folder. Weight correction would not start.");
}

TEST_F(ReferenceSearch, SkipsWeightCorrectionProjectsAndTakesTheOlderOfOthers) {
  Write("proj_wc1.mtp", "proj.dat", 9);
  Write("a.mtp", "/data/proj.dat", 1);
  const std::string older = Write("b.mtp", "/data/proj.dat", 3);
  Write("c.mtp", "/data/other.dat", 9);
  folder_.Write("proj.dat", "x");
  const ReferenceInfo info = FindReference(folder_.Path(), "proj", notes_);
  EXPECT_EQ(info.ReferenceMtp, older);
  EXPECT_TRUE(info.SpectrumFound);
  EXPECT_TRUE(notes_.empty());
}

TEST_F(ReferenceSearch, NotesAMissingReference) {
  Write("c.mtp", "other.dat", 1);
  const ReferenceInfo info = FindReference(folder_.Path(), "proj", notes_);
  EXPECT_FALSE(info.ReferenceFound);
  ASSERT_EQ(notes_.size(), 1u);
  EXPECT_NE(notes_[0].find("Reference MTP file was not found"), std::string::npos);
}

TEST_F(ReferenceSearch, ReadsTheSignalToNoiseOfTheSpectrum) {
  const std::string path = folder_.Write("p.mtp", ReferenceMtp("proj.dat", " 1.234 (S/N= 45)"));
  EXPECT_EQ(ReadSignalToNoise(path, "proj", notes_), 45);
  EXPECT_FALSE(ReadSignalToNoise(path, "other", notes_).has_value());
  EXPECT_TRUE(notes_.empty());
  // A block of two spectra: the first value, with a note.
  const std::string two = folder_.Write("q.mtp", ReferenceMtp("proj.dat", " 1.234 (S/N= 45, 38)"));
  EXPECT_EQ(ReadSignalToNoise(two, "proj", notes_), 45);
  ASSERT_EQ(notes_.size(), 1u);
  EXPECT_NE(notes_[0].find("the first value, 45, is used"), std::string::npos) << notes_[0];
  const std::string bad = folder_.Write("r.mtp", ReferenceMtp("proj.dat", " 1.234 (S/N= 45, x)"));
  try {
    ReadSignalToNoise(bad, "proj", notes_);
    FAIL();
  } catch (const VeltaError& e) {
    EXPECT_NE(std::string(e.what()).find("r.mtp, line 17"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace velta
