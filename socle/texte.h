#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Texts as the program's files hold them; every text in the program is UTF-8.
namespace socle {

// The program's line break in its multi-line texts: line feed, then
// carriage return. A message box shows it as one line break.
inline constexpr std::string_view LineBreak = "\n\r";

// True when the bytes are well-formed UTF-8.
bool isUtf8(std::string_view bytes);

// The text of a file's bytes: the bytes themselves when they are valid UTF-8
// (a leading byte-order mark dropped), else read as Windows-1252, the 8-bit
// encoding such files are written in on the older system.
std::string decodeUtf8OrWindows1252(std::string_view bytes);

// A text that is safe to print on a terminal: its control characters (C0,
// DEL, C1) blanked, so that no escape sequence of a file reaches the screen.
std::string terminalSafe(std::string text);

// A text cut after max characters (code points), with "…" when cut.
std::string truncated(std::string text, std::size_t max);

// A number written in digits alone, at most chiffresMax of them (so that it
// never overflows); none for anything else, the empty text included.
std::optional<int> parseDigits(std::string_view text, std::size_t maxDigits);

// The text without the blanks at either end: spaces, tabs, line ends and
// the other Unicode spaces (no-break space included).
std::string_view trimmed(std::string_view utf8);

} // namespace socle
