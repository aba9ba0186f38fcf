#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A strict, test-only JSON reader (RFC 8259): enough to read exiftool's -j
// output and to check that optara-dump writes valid JSON.
namespace optara::testing {

class JsonValue {
public:
    enum class Kind { Null, Boolean, Number, String, Array, Object };

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }
    bool boolean() const { return boolean_; }
    // Numbers keep their source text as well, since exiftool writes texts that
    // look like numbers (a model named 5000) without quotes.
    double number() const { return number_; }
    const std::string& text() const { return text_; }
    const std::vector<JsonValue>& items() const { return items_; }
    const std::vector<std::pair<std::string, JsonValue>>& members() const { return members_; }
    // The first member with that name, or null when there is none or this is
    // not an object.
    const JsonValue* find(std::string_view name) const;

    // The whole text must be one JSON value (surrounding white space allowed)
    // in valid UTF-8; anything else gives no value.
    static std::optional<JsonValue> parse(std::string_view text);

private:
    friend class JsonParser;

    Kind kind_ = Kind::Null;
    bool boolean_ = false;
    double number_ = 0;
    std::string text_;
    std::vector<JsonValue> items_;
    std::vector<std::pair<std::string, JsonValue>> members_;
};

}  // namespace optara::testing
