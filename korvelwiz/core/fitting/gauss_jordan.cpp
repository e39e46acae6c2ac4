#include "fitting/gauss_jordan.h"

#include <exception>

#include "common/text_file.h"

namespace korvel {
namespace {

constexpr std::string_view kDiagnosticSuffix = "_Exc_GaussJ.txt";
// The diagnostic's name drops this many characters from the end of the
// project file name (so "spin.mtp" gives "spi_Exc_GaussJ.txt").
constexpr std::size_t kNameCut = 5;

// MtpFileName of the project; see SetGaussJProjectFile.
std::string g_project_file;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

namespace gauss_jordan_detail {

std::string DiagnosticHeader() { return "Singular matrix detected during GaussJ in STDCalc calculation\r\n"; }

void AppendCrLf(std::string& text) { text += "\r\n"; }

}  // namespace gauss_jordan_detail

bool GaussJordan(GaussMatrix& a, int np, GaussRhs& b, int m) {
  return GaussJordan<kGaussMaxOrder, kGaussMaxOrder>(a, np, b, m);
}

void SetGaussJProjectFile(std::string_view mtp_file_name) { g_project_file.assign(mtp_file_name); }

const std::string& GaussJProjectFile() { return g_project_file; }

std::string GaussJDiagnosticPath(std::string_view mtp_file_name) {
  if (mtp_file_name.size() < kNameCut) return std::string(kDiagnosticSuffix);
  const std::size_t keep = mtp_file_name.size() - kNameCut;
  std::string_view stem = mtp_file_name.substr(0, keep);
  const std::string_view cut = mtp_file_name.substr(keep);
  // A file name shorter than the cut: cutting would climb into the folder's
  // own name, so the file goes into the folder instead.
  for (std::size_t i = cut.size(); i-- > 0;) {
    if (IsSeparator(cut[i])) {
      stem = mtp_file_name.substr(0, keep + i + 1);
      break;
    }
  }
  std::string path(stem);
  path += kDiagnosticSuffix;
  return path;
}

bool WriteGaussJDiagnostic(std::string_view text, std::string_view mtp_file_name) {
  try {
    common::WriteFileAtomically(GaussJDiagnosticPath(mtp_file_name), text);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool WriteGaussJDiagnostic(std::string_view text) { return WriteGaussJDiagnostic(text, g_project_file); }

}  // namespace korvel
