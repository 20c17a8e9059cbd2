#pragma once

// The hyperlink's fallback opener starts the desktop's default web browser
// from its desktop entry. These helpers turn that entry into an argument
// vector for a direct start: no shell ever sees the link, so a link holding
// quotes, semicolons or "$(...)" stays one plain argument, whatever its length.
// No Qt here, so the rules are tested on their own.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// The value of the Exec key in the "[Desktop Entry]" group of a desktop
// entry file's contents, with the string escapes (\s \n \t \r \\) undone.
// Returns nothing when the group or the key is missing or the value is empty.
std::optional<std::string> DesktopEntryExecValue(std::string_view fileContents);

// Splits an Exec value into arguments: blanks separate them, double quotes
// group them (inside, a backslash escapes the next character), and single
// quotes group them literally. In every argument the first %u, %U, %f or %F
// becomes target (also inside quotes); later ones and every other field code
// are dropped, and %% is a percent sign. An argument made of dropped field
// codes alone disappears. Without any placeholder, target is appended as the
// last argument. Returns nothing when a quote is left open, a backslash ends
// the line or no program remains.
std::optional<std::vector<std::string>> ExecToArguments(std::string_view exec,
                                                        std::string_view target);

// Whether text is a plausible desktop file ID ("name.desktop"): no path
// separators, no NUL and no control characters, at most 255 bytes.
bool IsDesktopFileId(std::string_view text);

}  // namespace quillon
