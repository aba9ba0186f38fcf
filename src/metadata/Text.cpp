#include "Text.h"

#include <utf8proc.h>

#include <cstdlib>
#include <functional>
#include <memory>

namespace optara::text {

namespace {

struct Decoded {
    utf8proc_int32_t codePoint; // negative for an undecodable byte
    std::size_t length;         // bytes consumed, at least 1
};

Decoded decodeAt(std::string_view text, std::size_t at)
{
    utf8proc_int32_t codePoint = -1;
    auto length = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(text.data() + at),
                                   static_cast<utf8proc_ssize_t>(text.size() - at), &codePoint);
    if (length <= 0)
        return {-1, 1};
    return {codePoint, static_cast<std::size_t>(length)};
}

// Start of the last character ending at `end`: up to three continuation
// bytes back, or the single byte when that does not decode to exactly it.
Decoded decodeBefore(std::string_view text, std::size_t end)
{
    for (std::size_t length = 2; length <= 4 && length <= end; ++length) {
        auto byte = static_cast<unsigned char>(text[end - length + 1]);
        if ((byte & 0xC0) != 0x80)
            break;
        auto candidate = decodeAt(text, end - length);
        if (candidate.codePoint >= 0 && candidate.length == length)
            return candidate;
    }
    auto single = decodeAt(text, end - 1);
    return single.length == 1 ? single : Decoded{-1, 1};
}

bool isWhiteSpace(utf8proc_int32_t codePoint)
{
    if (codePoint < 0)
        return false;
    if ((codePoint >= 0x09 && codePoint <= 0x0D) || codePoint == 0x85)
        return true;
    auto category = utf8proc_category(codePoint);
    return category == UTF8PROC_CATEGORY_ZS || category == UTF8PROC_CATEGORY_ZL ||
           category == UTF8PROC_CATEGORY_ZP;
}

void appendNormalized(std::string& out, std::string_view valid)
{
    if (valid.empty())
        return;
    utf8proc_uint8_t* mapped = nullptr;
    auto length = utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(valid.data()),
                               static_cast<utf8proc_ssize_t>(valid.size()), &mapped,
                               static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
    std::unique_ptr<utf8proc_uint8_t, decltype(&std::free)> owner(mapped, &std::free);
    if (length < 0) {
        out.append(valid);
        return;
    }
    out.append(reinterpret_cast<const char*>(mapped), static_cast<std::size_t>(length));
}

} // namespace

std::string_view trimmed(std::string_view text)
{
    std::size_t begin = 0;
    while (begin < text.size()) {
        auto next = decodeAt(text, begin);
        if (!isWhiteSpace(next.codePoint))
            break;
        begin += next.length;
    }
    std::size_t end = text.size();
    while (end > begin) {
        auto last = decodeBefore(text, end);
        if (!isWhiteSpace(last.codePoint))
            break;
        end -= last.length;
    }
    return text.substr(begin, end - begin);
}

bool isAscii(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

std::string normalized(std::string_view text)
{
    if (isAscii(text))
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t runStart = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        auto next = decodeAt(text, at);
        if (next.codePoint < 0) {
            appendNormalized(out, text.substr(runStart, at - runStart));
            out += text[at];
            runStart = at + 1;
        }
        at += next.length;
    }
    appendNormalized(out, text.substr(runStart));
    return out;
}

bool canonicallyEqual(std::string_view a, std::string_view b)
{
    if (a == b)
        return true;
    if (isAscii(a) && isAscii(b))
        return false;
    return normalized(a) == normalized(b);
}

bool canonicallyStartsWith(std::string_view text, std::string_view prefix)
{
    if (isAscii(text) && isAscii(prefix))
        return text.starts_with(prefix);
    auto whole = normalized(text);
    auto start = normalized(prefix);
    if (!std::string_view(whole).starts_with(start))
        return false;
    if (start.empty() || start.size() == whole.size())
        return true;
    // The prefix must end on a character boundary: "e" does not start
    // "e" followed by a combining mark.
    auto last = decodeBefore(whole, start.size());
    auto next = decodeAt(whole, start.size());
    if (last.codePoint < 0 || next.codePoint < 0)
        return true;
    return utf8proc_grapheme_break(last.codePoint, next.codePoint);
}

std::size_t canonicalHash(std::string_view text)
{
    if (isAscii(text))
        return std::hash<std::string_view>{}(text);
    return std::hash<std::string>{}(normalized(text));
}

} // namespace optara::text
