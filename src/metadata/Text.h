#pragma once

#include <string>
#include <string_view>

// UTF-8 text rules shared by the records and the rankings. Invalid UTF-8 is
// never an error: undecodable bytes are kept as they are.
namespace optara::text {

// Strips leading and trailing white space and newlines: Unicode Zs, Zl, Zp,
// U+0009 to U+000D and U+0085. NUL is not white space.
std::string_view trimmed(std::string_view text);

// Unicode NFC form of the valid parts; invalid bytes pass through unchanged.
std::string normalized(std::string_view text);

// True when the text needs no normalisation to be compared (plain ASCII).
bool isAscii(std::string_view text);

// Case-sensitive comparison under canonical equivalence.
bool canonicallyEqual(std::string_view a, std::string_view b);
bool canonicallyStartsWith(std::string_view text, std::string_view prefix);

// Hash consistent with canonicallyEqual.
std::size_t canonicalHash(std::string_view text);

} // namespace optara::text
