#include "app/progress_figures.h"

#include <algorithm>

#include "support/log.h"

ProgressFigures ComputeProgressFigures(std::int32_t bytesReceived, std::int32_t sizeKB) {
  ProgressFigures figures;
  const std::int64_t kb = bytesReceived / 1024;
  if (sizeKB != 0)
    figures.kilobytesText = FormatText("%d KB", static_cast<int>(kb));
  const std::int64_t divisor = sizeKB != 0 ? sizeKB : 1;
  // 64-bit, so that kb * 100 cannot overflow whatever the counter holds.
  const std::int64_t percent = kb * 100 / divisor;
  figures.percent = static_cast<int>(std::clamp<std::int64_t>(percent, 0, 100));
  figures.percentText = FormatText("%d %%", figures.percent);
  return figures;
}

bool ShouldCloseProgress(bool queueEmpty, int percent, bool inProgress) {
  return queueEmpty && (percent == 100 || !inProgress);
}

std::string PercentText(int position, int rangeLow, int rangeHigh) {
  const int span = rangeHigh - rangeLow;
  int percent = span != 0 ? (position - rangeLow) * 100 / span : 0;
  if (percent != 100)
    percent %= 100;
  return FormatText("%d%c", percent, '%');
}
