#include "access/json_fields.h"

#include <cstdint>

namespace pelmora {

namespace {

constexpr int kMaxDepth = 32;

class Reader {
public:
    explicit Reader(std::string_view text) : m_text(text) {}

    std::optional<std::map<std::string, JsonScalar>> object() {
        std::map<std::string, JsonScalar> members;
        skip_blanks();
        if (!take('{')) return std::nullopt;
        skip_blanks();
        if (!take('}')) {
            do {
                skip_blanks();
                std::string key;
                if (!string(key)) return std::nullopt;
                skip_blanks();
                if (!take(':')) return std::nullopt;
                skip_blanks();
                JsonScalar scalar;
                if (!value(scalar, 1)) return std::nullopt;
                members[key] = scalar;
                skip_blanks();
            } while (take(','));
            if (!take('}')) return std::nullopt;
        }
        skip_blanks();
        if (m_at != m_text.size()) return std::nullopt;
        return members;
    }

private:
    bool at_end() const { return m_at >= m_text.size(); }
    char peek() const { return at_end() ? '\0' : m_text[m_at]; }
    bool take(char c) {
        if (peek() != c || at_end()) return false;
        ++m_at;
        return true;
    }
    void skip_blanks() {
        while (!at_end() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r')) ++m_at;
    }

    static void append_utf8(std::string& out, std::uint32_t cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    bool string(std::string& out) {
        if (!take('"')) return false;
        while (!at_end()) {
            const char c = m_text[m_at++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_end()) return false;
            const char e = m_text[m_at++];
            switch (e) {
                case '"': out += '"'; break;
                case '\\': out += '\\'; break;
                case '/': out += '/'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': {
                    if (m_at + 4 > m_text.size()) return false;
                    std::uint32_t cp = 0;
                    for (int i = 0; i < 4; ++i) {
                        const char h = m_text[m_at++];
                        cp <<= 4;
                        if (h >= '0' && h <= '9')
                            cp |= static_cast<std::uint32_t>(h - '0');
                        else if (h >= 'a' && h <= 'f')
                            cp |= static_cast<std::uint32_t>(h - 'a' + 10);
                        else if (h >= 'A' && h <= 'F')
                            cp |= static_cast<std::uint32_t>(h - 'A' + 10);
                        else
                            return false;
                    }
                    append_utf8(out, cp);
                    break;
                }
                default: return false;
            }
        }
        return false;
    }

    bool number(std::string& out) {
        const std::size_t start = m_at;
        take('-');
        if (!digits()) return false;
        if (take('.') && !digits()) return false;
        if (peek() == 'e' || peek() == 'E') {
            ++m_at;
            if (peek() == '+' || peek() == '-') ++m_at;
            if (!digits()) return false;
        }
        out.assign(m_text.substr(start, m_at - start));
        return true;
    }

    bool digits() {
        const std::size_t start = m_at;
        while (!at_end() && peek() >= '0' && peek() <= '9') ++m_at;
        return m_at > start;
    }

    bool word(std::string_view w) {
        if (m_text.substr(m_at, w.size()) != w) return false;
        m_at += w.size();
        return true;
    }

    bool value(JsonScalar& scalar, int depth) {
        if (depth > kMaxDepth) return false;
        const char c = peek();
        if (c == '"') {
            scalar.is_string = true;
            return string(scalar.text);
        }
        if (c == '-' || (c >= '0' && c <= '9')) {
            scalar.is_number = true;
            return number(scalar.text);
        }
        if (c == 't') return word("true") && (scalar.text = "true", true);
        if (c == 'f') return word("false") && (scalar.text = "false", true);
        if (c == 'n') return word("null");
        if (c == '{' || c == '[') return nested(depth);
        return false;
    }

    // An object or array below the top level, read only to be skipped.
    bool nested(int depth) {
        const char close = peek() == '{' ? '}' : ']';
        const bool is_object = close == '}';
        ++m_at;
        skip_blanks();
        if (take(close)) return true;
        do {
            skip_blanks();
            if (is_object) {
                std::string key;
                if (!string(key)) return false;
                skip_blanks();
                if (!take(':')) return false;
                skip_blanks();
            }
            JsonScalar ignored;
            if (!value(ignored, depth + 1)) return false;
            skip_blanks();
        } while (take(','));
        return take(close);
    }

    std::string_view m_text;
    std::size_t m_at = 0;
};

}  // namespace

std::optional<std::map<std::string, JsonScalar>> ReadJsonObject(std::string_view text) { return Reader(text).object(); }

}  // namespace pelmora
