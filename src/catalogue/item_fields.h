// What the workflow reads out of a catalogue item's field texts. Pure
// functions of texts; safe on any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The installer's file name: the text after the last "/" or "\", whichever
// comes later. nullopt when that is empty, "." or "..", which would name the
// download folder itself or leave it.
std::optional<std::string> InstallerFileName(std::string_view reference);

// "Size" in KB: the leading decimal number, times 1024 when "mb" (any case)
// follows it somewhere after the start. Saturates at INT32_MAX.
std::int32_t SizeInKilobytes(std::string_view size);

// The most bytes an installer may have: four times its declared "Size" and
// 16 MB more when it declares one (a publisher's rounding is no reason to
// fail), never more than kInstallerMostBytes.
std::uint64_t InstallerByteLimit(std::string_view size);

// "Info" without its four-character extension; empty when 4 characters or fewer.
std::string InfoName(std::string_view info);

// The "sim" rewrite: the upload folder followed by the reference less the
// legacy server's base URL (its first 29 characters).
std::string SimulationReference(std::string_view reference);

// How Install All treats an installer, by its reference.
enum class QueuePlace { Skip, Head, Tail };
QueuePlace PlaceInQueue(std::string_view reference);
