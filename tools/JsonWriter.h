#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace optara::tools {

// Appends JSON values to a string. Every output is valid JSON whatever the
// input: bytes that are not well-formed UTF-8 are written as \ufffd (one per
// byte), control characters as escapes, and non-finite reals as null.
class JsonWriter {
public:
    void beginObject();
    void endObject();
    // Writes the separator and the member name; the value follows.
    void key(std::string_view name);

    void null();
    void string(std::string_view text);
    void number(double value);
    void number(std::int64_t value);

    // null when absent
    void stringOrNull(std::optional<std::string_view> text);
    void numberOrNull(std::optional<double> value);
    void numberOrNull(std::optional<std::int64_t> value);

    const std::string& text() const { return out_; }
    std::string take() { return std::move(out_); }

private:
    std::string out_;
    bool needComma_ = false;
};

// Length of the well-formed UTF-8 sequence at the start of text, or 0 when the
// first byte does not start one (overlong forms, surrogates and code points
// above U+10FFFF are not well-formed).
std::size_t utf8SequenceLength(std::string_view text);

}  // namespace optara::tools
