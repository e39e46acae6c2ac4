#include "fitting/gauss_jordan.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <filesystem>
#include <memory>
#include <string>

#include "common/text_file.h"

using namespace korvel;

namespace {

namespace fs = std::filesystem;

constexpr double kTight = 1e-13;

// A folder of its own per test, with the project file name pointing into it
// for the diagnostic; the previous project file name is restored afterwards.
class GaussJordanFiles : public ::testing::Test {
 protected:
  fs::path dir;
  std::string saved;

  void SetUp() override {
    saved = GaussJProjectFile();
    dir = fs::temp_directory_path() /
          ("korvel_gaussj_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    SetGaussJProjectFile((dir / "spin.mtp").string());
  }
  void TearDown() override {
    SetGaussJProjectFile(saved);
    fs::remove_all(dir);
  }
  fs::path DiagnosticFile() const { return dir / "spi_Exc_GaussJ.txt"; }
};

bool AnyFailFlag() { return std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW) != 0; }

}  // namespace

TEST(GaussJordan, SolvesTheTwoByTwoSystemAndInvertsItsMatrix) {
  auto a = std::make_unique<GaussMatrix>();
  auto b = std::make_unique<GaussRhs>();
  (*a)(1, 1) = 2, (*a)(1, 2) = 1, (*a)(2, 1) = 1, (*a)(2, 2) = 3;
  (*b)(1, 1) = 3, (*b)(2, 1) = 5;
  ASSERT_TRUE(GaussJordan(*a, 2, *b, 1));
  EXPECT_NEAR((*b)(1, 1), 0.8, kTight);
  EXPECT_NEAR((*b)(2, 1), 1.4, kTight);
  EXPECT_NEAR((*a)(1, 1), 0.6, kTight);
  EXPECT_NEAR((*a)(1, 2), -0.2, kTight);
  EXPECT_NEAR((*a)(2, 1), -0.2, kTight);
  EXPECT_NEAR((*a)(2, 2), 0.4, kTight);
}

TEST(GaussJordan, OrderOneDividesTheRightHandSideByTheElement) {
  FixedMatrix<1, 1> a;
  FixedMatrix<1, 3> b;
  a(1, 1) = 4;
  b(1, 1) = 2, b(1, 2) = -8, b(1, 3) = 1;
  ASSERT_TRUE(GaussJordanReduce(a, 1, b, 3));
  EXPECT_EQ(a(1, 1), 0.25);
  EXPECT_EQ(b(1, 1), 0.5);
  EXPECT_EQ(b(1, 2), -2.0);
  EXPECT_EQ(b(1, 3), 0.25);
}

// Full pivoting with row and column interchanges: a permuted, non-symmetric
// matrix with zeros on its diagonal, several right-hand sides, checked by
// multiplying back (A x = b and A A^-1 = I) in the small storage the engine
// uses and in the full 100 x 100 storage.
template <int R, int M>
void CheckPermutedSystem() {
  constexpr int n = 5;
  const double A[n][n] = {{0, 2, -1, 4, 1},
                          {3, 0, 1, -2, 0.5},
                          {1, 1, 0, 0, 7},
                          {-2, 5, 3, 0, 1},
                          {0.5, -1, 6, 2, 0}};
  const double X[n][2] = {{1, -3}, {2, 0.5}, {-1, 2}, {0.25, 1}, {4, -2}};
  auto a = std::make_unique<FixedMatrix<R, R>>();
  auto b = std::make_unique<FixedMatrix<R, M>>();
  for (int i = 0; i < n; ++i)
    for (int c = 0; c < 2; ++c) {
      double s = 0;
      for (int j = 0; j < n; ++j) s += A[i][j] * X[j][c];
      (*b)(i + 1, c + 1) = s;
    }
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) (*a)(i + 1, j + 1) = A[i][j];
  ASSERT_TRUE(GaussJordanReduce(*a, n, *b, 2));
  for (int i = 0; i < n; ++i)
    for (int c = 0; c < 2; ++c) EXPECT_NEAR((*b)(i + 1, c + 1), X[i][c], 1e-12) << i << "," << c;
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < n; ++k) {
      double s = 0;
      for (int j = 0; j < n; ++j) s += A[i][j] * (*a)(j + 1, k + 1);
      EXPECT_NEAR(s, i == k ? 1.0 : 0.0, 1e-12) << i << "," << k;
    }
}

TEST(GaussJordan, PermutedSystemSolvesInSmallAndFullStorage) {
  CheckPermutedSystem<8, 2>();
  CheckPermutedSystem<kGaussMaxOrder, kGaussMaxOrder>();
}

TEST(GaussJordan, OrderOrColumnsBeyondTheCapacityAreRefusedUntouched) {
  FixedMatrix<2, 2> a;
  FixedMatrix<2, 1> b;
  a(1, 1) = a(2, 2) = 2;
  b(1, 1) = 1;
  EXPECT_FALSE(GaussJordanReduce(a, 3, b, 1));
  EXPECT_FALSE(GaussJordanReduce(a, 0, b, 1));
  EXPECT_FALSE(GaussJordanReduce(a, 2, b, 2));
  EXPECT_EQ(a(1, 1), 2.0);
  EXPECT_EQ(b(1, 1), 1.0);
}

TEST_F(GaussJordanFiles, ZeroRowFailsAndWritesTheDiagnosticBesideTheProject) {
  auto a = std::make_unique<GaussMatrix>();
  auto b = std::make_unique<GaussRhs>();
  (*a)(1, 1) = 2, (*a)(1, 2) = 1;  // row 2 stays zero
  (*b)(1, 1) = 1, (*b)(2, 1) = 1;
  std::feclearexcept(FE_ALL_EXCEPT);
  EXPECT_FALSE(GaussJordan(*a, 2, *b, 1));
  EXPECT_FALSE(AnyFailFlag()) << "the zero pivot must be caught before its reciprocal";
  ASSERT_TRUE(fs::exists(DiagnosticFile()));
  EXPECT_EQ(common::ReadFileBytes(DiagnosticFile().string()),
            "Singular matrix detected during GaussJ in STDCalc calculation\r\n"
            " x x\r\n"
            " 0 0\r\n"
            "\r\n");
}

TEST_F(GaussJordanFiles, DiagnosticShowsTheMatrixAsFarAsItWasReduced) {
  // Rows 1 and 3 are equal, so the third pivot is zero. The elimination
  // builds the inverse in place: the pivot columns already hold its
  // entries, and row 1 keeps only the one from the first pivot (column 3).
  FixedMatrix<3, 3> a;
  FixedMatrix<3, 1> b;
  const double A[3][3] = {{1, 2, 4}, {0, 3, 1}, {1, 2, 4}};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) a(i + 1, j + 1) = A[i][j];
  EXPECT_FALSE(GaussJordan(a, 3, b, 1));
  EXPECT_EQ(common::ReadFileBytes(DiagnosticFile().string()),
            "Singular matrix detected during GaussJ in STDCalc calculation\r\n"
            " 0 0 x\r\n"
            " x x x\r\n"
            " x x x\r\n"
            "\r\n");
}

TEST_F(GaussJordanFiles, UnwritableDiagnosticStillReportsTheSingularMatrix) {
  SetGaussJProjectFile((dir / "no_such_folder" / "spin.mtp").string());
  FixedMatrix<2, 2> a;
  FixedMatrix<2, 1> b;
  EXPECT_FALSE(GaussJordan(a, 2, b, 1));
  EXPECT_FALSE(fs::exists(dir / "no_such_folder"));
}

TEST(GaussJordanDiagnosticPath, FollowsTheProjectFileName) {
  struct Case {
    const char* mtp;
    const char* path;
  };
  const Case cases[] = {
      {"", "_Exc_GaussJ.txt"},                // no project yet: current folder
      {"a.mt", "_Exc_GaussJ.txt"},            // shorter than five characters
      {"a.mtp", "_Exc_GaussJ.txt"},           // exactly five
      {"spin.mtp", "spi_Exc_GaussJ.txt"},     // the last five characters go
      {"/data/run/spin.mtp", "/data/run/spi_Exc_GaussJ.txt"},
      {"/data/run/a.mtp", "/data/run/_Exc_GaussJ.txt"},
      {"/data/run/.mtp", "/data/run/_Exc_GaussJ.txt"},  // stays in its folder
      {"C:\\exp\\b.mtp", "C:\\exp\\_Exc_GaussJ.txt"},
      {"C:\\exp\\.mt", "C:\\exp\\_Exc_GaussJ.txt"},
  };
  for (const Case& c : cases) EXPECT_EQ(GaussJDiagnosticPath(c.mtp), c.path) << c.mtp;
}
