#pragma once
// Gauss-Jordan elimination with full pivoting on fixed-size storage. Shared
// by the exchange models of the engine (one small system per field point)
// and the error analysis (the inverse of its curvature matrix).
//
// A singular matrix (a pivot of exactly 0) is not an error of the caller:
// GaussJordan returns false and writes the diagnostic file described at
// WriteGaussJDiagnostic. Nothing here allocates except that diagnostic.
#include <array>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace korvel {

inline constexpr int kGaussMaxOrder = 100;

// A dense R x C matrix of doubles with fixed capacity, rows and columns
// numbered from 1. Stored row by row.
template <int R, int C>
struct FixedMatrix {
  static_assert(R >= 1 && C >= 1);
  static constexpr int kRows = R;
  static constexpr int kCols = C;
  std::array<double, static_cast<std::size_t>(R) * C> cells{};

  double& operator()(int i, int j) {
    assert(i >= 1 && i <= R && j >= 1 && j <= C);
    return cells[static_cast<std::size_t>(i - 1) * C + static_cast<std::size_t>(j - 1)];
  }
  const double& operator()(int i, int j) const {
    assert(i >= 1 && i <= R && j >= 1 && j <= C);
    return cells[static_cast<std::size_t>(i - 1) * C + static_cast<std::size_t>(j - 1)];
  }
};

// The storage of the general interface: a matrix of up to 100 x 100 and up
// to 100 right-hand-side columns.
using GaussMatrix = FixedMatrix<kGaussMaxOrder, kGaussMaxOrder>;
using GaussRhs = FixedMatrix<kGaussMaxOrder, kGaussMaxOrder>;

// The elimination itself, without the diagnostic file. Works on the leading
// np x np block of `a` and the leading np x m block of `b` (np in 1..R of a
// square-capacity matrix, m in 0..M). On success returns true, `a` holds its
// inverse and column c of `b` the solution of a x = b(:, c). On a zero pivot
// returns false and both hold what the elimination had reached. An order or
// column count outside the capacity returns false and changes nothing.
// Raises no floating-point exception for a zero pivot: it is tested before
// the reciprocal is taken.
template <int R, int M>
bool GaussJordanReduce(FixedMatrix<R, R>& a, int np, FixedMatrix<R, M>& b, int m);

// Solve (a, np, b, m) -> success: GaussJordanReduce, and on failure the
// diagnostic file with the matrix as far as it had been reduced.
bool GaussJordan(GaussMatrix& a, int np, GaussRhs& b, int m);

template <int R, int M>
bool GaussJordan(FixedMatrix<R, R>& a, int np, FixedMatrix<R, M>& b, int m);

// --- Diagnostic file of a singular matrix ---------------------------------
//
// The file sits beside the project: its name is the project file name
// without its last five characters followed by "_Exc_GaussJ.txt". With no
// project file yet (a name shorter than five characters) it is
// "_Exc_GaussJ.txt" in the current folder; when the file's own name is
// shorter than five characters (the five would cut into the folder) it is
// "_Exc_GaussJ.txt" in the project's folder.

// The project file name the diagnostic is placed by (MtpFileName). Empty
// until set; opening and saving a project set it whenever MtpFileName
// changes.
void SetGaussJProjectFile(std::string_view mtp_file_name);
const std::string& GaussJProjectFile();

// Path of the diagnostic file for a project file name, by the rule above.
std::string GaussJDiagnosticPath(std::string_view mtp_file_name);

// Text of the diagnostic file: "Singular matrix detected during GaussJ in
// STDCalc calculation", then per row 1..np one " x" for every non-zero and
// one " 0" for every zero element, then an empty line; CR LF line ends.
template <int R>
std::string GaussJDiagnosticText(const FixedMatrix<R, R>& a, int np);

// Creates or overwrites the diagnostic file beside GaussJProjectFile() (or
// at the given project file's place). Best effort: a file that cannot be
// written is passed over (returns false), since the singular matrix, not
// the file, is what the caller reacts to.
bool WriteGaussJDiagnostic(std::string_view text);
bool WriteGaussJDiagnostic(std::string_view text, std::string_view mtp_file_name);

// --- Implementation ---------------------------------------------------------

namespace gauss_jordan_detail {
std::string DiagnosticHeader();
void AppendCrLf(std::string& text);
}  // namespace gauss_jordan_detail

template <int R, int M>
bool GaussJordanReduce(FixedMatrix<R, R>& a, int np, FixedMatrix<R, M>& b, int m) {
  if (np < 1 || np > R || m < 0 || m > M) return false;
  // Rows and columns 0-based below; step i takes its pivot from row
  // pivot_row[i] and column pivot_col[i].
  double* const A = a.cells.data();
  double* const B = b.cells.data();
  std::array<int, R> pivot_row{};
  std::array<int, R> pivot_col{};
  std::array<bool, R> used{};

  for (int i = 0; i < np; ++i) {
    // Largest remaining element; ">=" lets the later one in row-major order
    // win among equal magnitudes.
    double big = 0.0;
    int irow = -1, icol = -1;
    for (int j = 0; j < np; ++j) {
      if (used[static_cast<std::size_t>(j)]) continue;
      const double* row = A + static_cast<std::size_t>(j) * R;
      for (int k = 0; k < np; ++k) {
        if (used[static_cast<std::size_t>(k)]) continue;
        const double mag = std::fabs(row[k]);
        if (mag >= big) {
          big = mag;
          irow = j;
          icol = k;
        }
      }
    }
    if (irow < 0) {
      // Only not-a-number entries remain: take the first free position,
      // which the zero test below lets through as a failed pivot.
      for (int j = 0; j < np && irow < 0; ++j)
        if (!used[static_cast<std::size_t>(j)]) irow = icol = j;
    }
    used[static_cast<std::size_t>(icol)] = true;

    // Bring the pivot onto the diagonal.
    double* prow = A + static_cast<std::size_t>(icol) * R;
    double* pb = B + static_cast<std::size_t>(icol) * M;
    if (irow != icol) {
      double* other = A + static_cast<std::size_t>(irow) * R;
      for (int l = 0; l < np; ++l) std::swap(other[l], prow[l]);
      double* other_b = B + static_cast<std::size_t>(irow) * M;
      for (int l = 0; l < m; ++l) std::swap(other_b[l], pb[l]);
    }
    pivot_row[static_cast<std::size_t>(i)] = irow;
    pivot_col[static_cast<std::size_t>(i)] = icol;

    const double pivot = prow[icol];
    if (pivot == 0.0) return false;
    const double pivinv = 1.0 / pivot;
    prow[icol] = 1.0;
    for (int l = 0; l < np; ++l) prow[l] *= pivinv;
    for (int l = 0; l < m; ++l) pb[l] *= pivinv;

    for (int ll = 0; ll < np; ++ll) {
      if (ll == icol) continue;
      double* row = A + static_cast<std::size_t>(ll) * R;
      const double factor = row[icol];
      if (factor == 0.0) continue;  // subtracting 0 times the pivot row changes nothing
      row[icol] = 0.0;
      for (int l = 0; l < np; ++l) row[l] -= prow[l] * factor;
      double* rb = B + static_cast<std::size_t>(ll) * M;
      for (int l = 0; l < m; ++l) rb[l] -= pb[l] * factor;
    }
  }

  // The row interchanges permuted the inverse's columns: undo them in
  // reverse order.
  for (int i = np - 1; i >= 0; --i) {
    const int r = pivot_row[static_cast<std::size_t>(i)];
    const int c = pivot_col[static_cast<std::size_t>(i)];
    if (r == c) continue;
    for (int k = 0; k < np; ++k) {
      double* row = A + static_cast<std::size_t>(k) * R;
      std::swap(row[r], row[c]);
    }
  }
  return true;
}

template <int R>
std::string GaussJDiagnosticText(const FixedMatrix<R, R>& a, int np) {
  std::string text = gauss_jordan_detail::DiagnosticHeader();
  if (np > R) np = R;
  for (int i = 1; i <= np; ++i) {
    for (int j = 1; j <= np; ++j) text += a(i, j) != 0.0 ? " x" : " 0";
    gauss_jordan_detail::AppendCrLf(text);
  }
  gauss_jordan_detail::AppendCrLf(text);
  return text;
}

template <int R, int M>
bool GaussJordan(FixedMatrix<R, R>& a, int np, FixedMatrix<R, M>& b, int m) {
  if (GaussJordanReduce(a, np, b, m)) return true;
  if (np >= 1 && np <= R) WriteGaussJDiagnostic(GaussJDiagnosticText(a, np));
  return false;
}

}  // namespace korvel
