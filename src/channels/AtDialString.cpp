#include "channels/AtDialString.h"

#include "channels/TtapiTexts.h"

#include <cctype>
#include <cstdio>

namespace channels {

namespace {

constexpr std::string_view Layout = " \t()[]-.";
constexpr std::string_view Dialable = "0123456789+*#,WPT";

// The whole UTF-8 sequence that starts at `at`, for the message.
std::string CharacterAt(std::string_view text, std::size_t at) {
    std::size_t end = at + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        ++end;
    }
    return std::string(text.substr(at, end - at));
}

DialString Refused(std::string error) {
    DialString result;
    result.Error = std::move(error);
    return result;
}

} // namespace

DialString TranslateAddress(std::string_view number) {
    std::string dialable;
    for (std::size_t i = 0; i < number.size(); ++i) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(number[i])));
        if (Layout.find(c) != std::string_view::npos) {
            continue;
        }
        if (c == '\0' || Dialable.find(c) == std::string_view::npos) {
            char text[160];
            std::snprintf(text, sizeof text, text::NumberBadCharacter,
                          c == '\0' ? "\\0" : CharacterAt(number, i).c_str());
            return Refused(text);
        }
        dialable.push_back(c);
    }
    if (dialable.find_first_of("0123456789*#") == std::string::npos) {
        return Refused(text::NoPhoneNumber);
    }
    if (dialable.size() > MaxDialableLength) {
        char text[160];
        std::snprintf(text, sizeof text, text::NumberTooLong, static_cast<int>(dialable.size()));
        return Refused(text);
    }
    DialString result;
    result.Ok = true;
    result.Dialable = std::move(dialable);
    return result;
}

} // namespace channels
