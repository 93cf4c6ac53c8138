#include "persistence/Utf.h"

namespace persistence {
namespace {

constexpr char32_t Replacement = 0xFFFD;

// Decodes one code point at `pos` and advances past it; nothing for a
// malformed, overlong or surrogate sequence (then `pos` moves one byte).
std::optional<char32_t> DecodeUtf8(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++pos;
        return std::nullopt;
    }
    if (text.size() - pos <= static_cast<std::size_t>(extra)) {
        ++pos;
        return std::nullopt;
    }
    for (int i = 1; i <= extra; ++i) {
        const auto c = static_cast<unsigned char>(text[pos + static_cast<std::size_t>(i)]);
        if ((c & 0xC0) != 0x80) {
            ++pos;
            return std::nullopt;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return std::nullopt;
    }
    pos += static_cast<std::size_t>(extra) + 1;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendUnit(std::vector<std::uint8_t>& out, char32_t unit) {
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>((unit >> 8) & 0xFF));
}

} // namespace

bool IsValidUtf8(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size())
        if (!DecodeUtf8(text, pos))
            return false;
    return true;
}

std::vector<std::uint8_t> Utf8ToUtf16Le(std::string_view text, bool terminate) {
    std::vector<std::uint8_t> out;
    out.reserve(2 * text.size() + 2);
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char32_t cp = DecodeUtf8(text, pos).value_or(Replacement);
        if (cp >= 0x10000) {
            const char32_t v = cp - 0x10000;
            AppendUnit(out, 0xD800 + (v >> 10));
            AppendUnit(out, 0xDC00 + (v & 0x3FF));
        } else {
            AppendUnit(out, cp);
        }
    }
    if (terminate)
        AppendUnit(out, 0);
    return out;
}

std::optional<std::string> Utf16LeToUtf8(std::span<const std::uint8_t> bytes) {
    if (bytes.size() % 2 != 0)
        return std::nullopt;
    std::size_t units = bytes.size() / 2;
    auto unitAt = [&](std::size_t i) -> char32_t {
        return static_cast<char32_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    };
    if (units > 0 && unitAt(units - 1) == 0)
        --units;
    std::string out;
    out.reserve(units);
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t u = unitAt(i);
        if (u >= 0xDC00 && u <= 0xDFFF)
            return std::nullopt;
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 >= units)
                return std::nullopt;
            const char32_t low = unitAt(++i);
            if (low < 0xDC00 || low > 0xDFFF)
                return std::nullopt;
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

} // namespace persistence
