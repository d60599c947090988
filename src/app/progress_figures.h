// The arithmetic behind the progress display: what the update view's two
// labels and the progress dialog's bar show for the document's transfer
// fields, and when the dialog closes. Plain functions, any thread.
#pragma once

#include <cstdint>
#include <string>

struct ProgressFigures {
  // Label 1002: "<kb> KB", or empty while no size is known.
  std::string kilobytesText;
  // Label 1003: "<p> %" (a blank before the sign).
  std::string percentText;
  // 0 to 100: the bar's position.
  int percent = 0;
};

// kb = bytes / 1024; p = kb * 100 / sizeKB (1 when the size is 0), at most
// 100. A negative size or byte count (a corrupt catalogue entry, or a file
// past 2 GB) never shows a negative percentage: p is at least 0.
ProgressFigures ComputeProgressFigures(std::int32_t bytesReceived, std::int32_t sizeKB);

// The dialog closes once nothing is queued and the transfer has reached 100
// percent or is no longer in progress.
bool ShouldCloseProgress(bool queueEmpty, int percent, bool inProgress);

// The progress dialog's own text, "42%" (no blank): the position as a
// percentage of the range, wrapping modulo 100 except that 100 stays 100.
std::string PercentText(int position, int rangeLow, int rangeHigh);
