#include "JsonValue.h"

#include <charconv>
#include <string>

namespace optara::testing {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void appendUtf8(std::string& out, unsigned code)
{
    if (code < 0x80u) {
        out += static_cast<char>(code);
    } else if (code < 0x800u) {
        out += static_cast<char>(0xC0u | (code >> 6));
        out += static_cast<char>(0x80u | (code & 0x3Fu));
    } else if (code < 0x10000u) {
        out += static_cast<char>(0xE0u | (code >> 12));
        out += static_cast<char>(0x80u | ((code >> 6) & 0x3Fu));
        out += static_cast<char>(0x80u | (code & 0x3Fu));
    } else {
        out += static_cast<char>(0xF0u | (code >> 18));
        out += static_cast<char>(0x80u | ((code >> 12) & 0x3Fu));
        out += static_cast<char>(0x80u | ((code >> 6) & 0x3Fu));
        out += static_cast<char>(0x80u | (code & 0x3Fu));
    }
}

// Length of the well-formed UTF-8 sequence starting at text[0], 0 if none.
std::size_t utf8Length(std::string_view text)
{
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = at(0);
    std::size_t length = 0;
    unsigned char low = 0x80u;
    unsigned char high = 0xBFu;
    if (lead < 0x80u)
        return 1;
    if (lead >= 0xC2u && lead <= 0xDFu) {
        length = 2;
    } else if (lead >= 0xE0u && lead <= 0xEFu) {
        length = 3;
        low = lead == 0xE0u ? 0xA0u : 0x80u;
        high = lead == 0xEDu ? 0x9Fu : 0xBFu;
    } else if (lead >= 0xF0u && lead <= 0xF4u) {
        length = 4;
        low = lead == 0xF0u ? 0x90u : 0x80u;
        high = lead == 0xF4u ? 0x8Fu : 0xBFu;
    } else {
        return 0;
    }
    if (text.size() < length || at(1) < low || at(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if ((at(i) & 0xC0u) != 0x80u)
            return 0;
    }
    return length;
}

}  // namespace

class JsonParser {
public:
    explicit JsonParser(std::string_view text) : text_(text) {}

    std::optional<JsonValue> document()
    {
        JsonValue value;
        skipSpace();
        if (!parseValue(value, 0))
            return std::nullopt;
        skipSpace();
        if (pos_ != text_.size())
            return std::nullopt;
        return value;
    }

private:
    static constexpr int maxDepth = 64;

    void skipSpace()
    {
        while (pos_ < text_.size()
               && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' || text_[pos_] == '\r'))
            ++pos_;
    }

    bool consume(std::string_view word)
    {
        if (text_.substr(pos_, word.size()) != word)
            return false;
        pos_ += word.size();
        return true;
    }

    bool parseValue(JsonValue& value, int depth)
    {
        if (depth > maxDepth || pos_ >= text_.size())
            return false;
        const char c = text_[pos_];
        if (c == '{')
            return parseObject(value, depth);
        if (c == '[')
            return parseArray(value, depth);
        if (c == '"') {
            value.kind_ = JsonValue::Kind::String;
            return parseString(value.text_);
        }
        if (c == '-' || isDigit(c))
            return parseNumber(value);
        if (consume("true")) {
            value.kind_ = JsonValue::Kind::Boolean;
            value.boolean_ = true;
            return true;
        }
        if (consume("false")) {
            value.kind_ = JsonValue::Kind::Boolean;
            return true;
        }
        if (consume("null")) {
            value.kind_ = JsonValue::Kind::Null;
            return true;
        }
        return false;
    }

    bool parseObject(JsonValue& value, int depth)
    {
        value.kind_ = JsonValue::Kind::Object;
        ++pos_;
        skipSpace();
        if (consume("}"))
            return true;
        for (;;) {
            skipSpace();
            std::string name;
            if (pos_ >= text_.size() || text_[pos_] != '"' || !parseString(name))
                return false;
            skipSpace();
            if (!consume(":"))
                return false;
            skipSpace();
            JsonValue member;
            if (!parseValue(member, depth + 1))
                return false;
            value.members_.emplace_back(std::move(name), std::move(member));
            skipSpace();
            if (consume("}"))
                return true;
            if (!consume(","))
                return false;
        }
    }

    bool parseArray(JsonValue& value, int depth)
    {
        value.kind_ = JsonValue::Kind::Array;
        ++pos_;
        skipSpace();
        if (consume("]"))
            return true;
        for (;;) {
            skipSpace();
            JsonValue item;
            if (!parseValue(item, depth + 1))
                return false;
            value.items_.push_back(std::move(item));
            skipSpace();
            if (consume("]"))
                return true;
            if (!consume(","))
                return false;
        }
    }

    bool parseHex4(unsigned& code)
    {
        if (pos_ + 4 > text_.size())
            return false;
        code = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = hexValue(text_[pos_++]);
            if (digit < 0)
                return false;
            code = code * 16 + static_cast<unsigned>(digit);
        }
        return true;
    }

    bool parseString(std::string& out)
    {
        ++pos_;
        while (pos_ < text_.size()) {
            const auto c = static_cast<unsigned char>(text_[pos_]);
            if (c == '"') {
                ++pos_;
                return true;
            }
            if (c < 0x20u)
                return false;
            if (c >= 0x80u) {
                const std::size_t length = utf8Length(text_.substr(pos_));
                if (length == 0)
                    return false;
                out.append(text_.substr(pos_, length));
                pos_ += length;
                continue;
            }
            ++pos_;
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (pos_ >= text_.size())
                return false;
            const char escape = text_[pos_++];
            switch (escape) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                unsigned code = 0;
                if (!parseHex4(code))
                    return false;
                if (code >= 0xDC00u && code <= 0xDFFFu)
                    return false;
                if (code >= 0xD800u && code <= 0xDBFFu) {
                    unsigned low = 0;
                    if (!consume("\\u") || !parseHex4(low) || low < 0xDC00u || low > 0xDFFFu)
                        return false;
                    code = 0x10000u + ((code - 0xD800u) << 10) + (low - 0xDC00u);
                }
                appendUtf8(out, code);
                break;
            }
            default:
                return false;
            }
        }
        return false;
    }

    bool parseNumber(JsonValue& value)
    {
        const std::size_t start = pos_;
        consume("-");
        if (pos_ >= text_.size())
            return false;
        if (text_[pos_] == '0') {
            ++pos_;
        } else if (isDigit(text_[pos_])) {
            while (pos_ < text_.size() && isDigit(text_[pos_]))
                ++pos_;
        } else {
            return false;
        }
        if (consume(".")) {
            if (pos_ >= text_.size() || !isDigit(text_[pos_]))
                return false;
            while (pos_ < text_.size() && isDigit(text_[pos_]))
                ++pos_;
        }
        if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
            ++pos_;
            if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-'))
                ++pos_;
            if (pos_ >= text_.size() || !isDigit(text_[pos_]))
                return false;
            while (pos_ < text_.size() && isDigit(text_[pos_]))
                ++pos_;
        }
        value.kind_ = JsonValue::Kind::Number;
        value.text_ = std::string(text_.substr(start, pos_ - start));
        // from_chars ignores the locale; out-of-range values keep 0.
        std::from_chars(value.text_.data(), value.text_.data() + value.text_.size(), value.number_);
        return true;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

const JsonValue* JsonValue::find(std::string_view name) const
{
    for (const auto& [memberName, value] : members_) {
        if (memberName == name)
            return &value;
    }
    return nullptr;
}

std::optional<JsonValue> JsonValue::parse(std::string_view text)
{
    return JsonParser(text).document();
}

}  // namespace optara::testing
