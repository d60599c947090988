// The line syntax shared by the publisher's signed texts (signature files,
// key lists and their signatures): lines ended by LF or CR LF, each line a
// name, one blank and its value. Pure functions; safe on any thread.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

// The lines of `text`, without their ends; a final line without an end
// counts, an empty text has none.
std::vector<std::string_view> SignedTextLines(std::string_view text);

// The value of "name value"; nullopt when the line is another.
std::optional<std::string_view> SignedTextField(std::string_view line, std::string_view name);
