#include "JsonWriter.h"

#include <charconv>
#include <cmath>

namespace optara::tools {

namespace {

constexpr char hexDigits[] = "0123456789abcdef";

void appendUnicodeEscape(std::string& out, unsigned codeUnit)
{
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += hexDigits[(codeUnit >> shift) & 0xFu];
}

bool isContinuation(unsigned char byte) { return (byte & 0xC0u) == 0x80u; }

}  // namespace

std::size_t utf8SequenceLength(std::string_view text)
{
    if (text.empty())
        return 0;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80u)
        return 1;
    std::size_t length = 0;
    // Bounds of the second byte, which rule out overlong forms, surrogates and
    // values above U+10FFFF (RFC 3629 table).
    unsigned char low = 0x80u;
    unsigned char high = 0xBFu;
    if (lead >= 0xC2u && lead <= 0xDFu) {
        length = 2;
    } else if (lead >= 0xE0u && lead <= 0xEFu) {
        length = 3;
        if (lead == 0xE0u)
            low = 0xA0u;
        else if (lead == 0xEDu)
            high = 0x9Fu;
    } else if (lead >= 0xF0u && lead <= 0xF4u) {
        length = 4;
        if (lead == 0xF0u)
            low = 0x90u;
        else if (lead == 0xF4u)
            high = 0x8Fu;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (!isContinuation(byte(i)))
            return 0;
    }
    return length;
}

void JsonWriter::beginObject()
{
    if (needComma_)
        out_ += ',';
    out_ += '{';
    needComma_ = false;
}

void JsonWriter::endObject()
{
    out_ += '}';
    needComma_ = true;
}

void JsonWriter::key(std::string_view name)
{
    string(name);
    out_ += ':';
    needComma_ = false;
}

void JsonWriter::null()
{
    if (needComma_)
        out_ += ',';
    out_ += "null";
    needComma_ = true;
}

void JsonWriter::string(std::string_view text)
{
    if (needComma_)
        out_ += ',';
    out_ += '"';
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80u) {
            const std::size_t length = utf8SequenceLength(text.substr(i));
            if (length == 0) {
                appendUnicodeEscape(out_, 0xFFFDu);
                ++i;
            } else {
                out_.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        switch (c) {
        case '"': out_ += "\\\""; break;
        case '\\': out_ += "\\\\"; break;
        case '\b': out_ += "\\b"; break;
        case '\f': out_ += "\\f"; break;
        case '\n': out_ += "\\n"; break;
        case '\r': out_ += "\\r"; break;
        case '\t': out_ += "\\t"; break;
        default:
            // DEL is legal in JSON but escaped so a dump stays printable.
            if (c < 0x20u || c == 0x7Fu)
                appendUnicodeEscape(out_, c);
            else
                out_ += static_cast<char>(c);
        }
        ++i;
    }
    out_ += '"';
    needComma_ = true;
}

void JsonWriter::number(double value)
{
    if (!std::isfinite(value)) {
        null();
        return;
    }
    if (needComma_)
        out_ += ',';
    // Shortest text that reads back as the same double.
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out_.append(buffer, result.ptr);
    needComma_ = true;
}

void JsonWriter::number(std::int64_t value)
{
    if (needComma_)
        out_ += ',';
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out_.append(buffer, result.ptr);
    needComma_ = true;
}

void JsonWriter::stringOrNull(std::optional<std::string_view> text)
{
    if (text)
        string(*text);
    else
        null();
}

void JsonWriter::numberOrNull(std::optional<double> value)
{
    if (value)
        number(*value);
    else
        null();
}

void JsonWriter::numberOrNull(std::optional<std::int64_t> value)
{
    if (value)
        number(*value);
    else
        null();
}

}  // namespace optara::tools
