#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Text conversions for the settings file: registry exports carry
// expandable and multi-line texts as UTF-16LE bytes, the program holds UTF-8.
namespace persistence {

bool IsValidUtf8(std::string_view text);

// UTF-16LE code units of `text`, with a terminating NUL unit when asked;
// an invalid UTF-8 sequence becomes U+FFFD.
std::vector<std::uint8_t> Utf8ToUtf16Le(std::string_view text, bool terminate);

// The text of UTF-16LE bytes, without the terminating NUL unit if there is
// one; nothing for an odd byte count or a broken surrogate pair.
std::optional<std::string> Utf16LeToUtf8(std::span<const std::uint8_t> bytes);

} // namespace persistence
