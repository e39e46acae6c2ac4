#include "spectra/spectrum_info.h"

#include <algorithm>
#include <cmath>

#include "common/fixed_format.h"
#include "engine/sim_buffers.h"
#include "spectra/spectral_values.h"

namespace korvel {

SpectrumInfo DescribeSpectralFile(const std::string& path) {
  const SpectralValues file = ReadSpectralValues(path);
  SpectrumInfo info;
  info.path = path;
  info.format = file.format;
  info.points = file.values.size();
  info.center_field = file.center_field;
  info.sweep = file.sweep;
  info.frequency = file.frequency;
  info.notes = file.notes;

  const auto& axis = file.field_axis;
  if (!axis.empty()) {
    info.field_first = axis.front();
    info.field_last = axis.back();
    if (axis.size() > 1) {
      const double step = (axis.back() - axis.front()) / static_cast<double>(axis.size() - 1);
      info.field_step = step;
      // Two-column text files may carry any axis; the engine assumes even
      // spacing, so say when the file's is not (within a thousandth of a step).
      double worst = 0;
      for (std::size_t k = 1; k < axis.size(); ++k)
        worst = std::max(worst, std::fabs(axis[k] - axis[k - 1] - step));
      if (worst > 1e-3 * std::fabs(step))
        info.notes.push_back("the field axis is not evenly spaced");
    }
  }

  const bool all_zero =
      std::all_of(file.values.begin(), file.values.end(), [](double v) { return v == 0; });
  if (info.points < 2)
    info.notes.push_back("too few values to load (at least 2 are needed)");
  else if (all_zero)
    info.notes.push_back("all values are 0: the spectrum cannot be loaded");
  else if (info.points != static_cast<std::size_t>(kPoints))
    info.notes.push_back("brought to 1024 points when loaded");
  return info;
}

std::string SpectrumInfoText(const SpectrumInfo& info) {
  using common::FormatFixed;
  std::string text = info.path + ": " + info.format + ", " + std::to_string(info.points) +
                     (info.points == 1 ? " point\n" : " points\n");
  if (info.field_first) {
    text += "  field axis: " + FormatFixed(*info.field_first, 0, 3) + " .. " +
            FormatFixed(*info.field_last, 0, 3) + " G";
    if (info.field_step) text += ", step " + FormatFixed(*info.field_step, 0, 6) + " G";
    text += "\n";
  }
  std::string conditions;
  auto add = [&conditions](const std::string& piece) {
    conditions += (conditions.empty() ? "" : ", ") + piece;
  };
  if (info.center_field) add("center field: " + FormatFixed(*info.center_field, 0, 3) + " G");
  if (info.sweep) add("sweep: " + FormatFixed(*info.sweep, 0, 3) + " G");
  if (info.frequency) add("frequency: " + FormatFixed(*info.frequency, 0, 6) + " GHz");
  if (!conditions.empty()) text += "  " + conditions + "\n";
  for (const std::string& note : info.notes) text += "  note: " + note + "\n";
  return text;
}

}  // namespace korvel
