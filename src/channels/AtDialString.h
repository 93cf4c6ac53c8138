#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace channels {

// The longest dialable string a call takes.
inline constexpr std::size_t MaxDialableLength = 80;

// A telephone number as typed, turned into what the modem dials.
struct DialString {
    bool Ok = false;
    std::string Dialable; // when Ok
    std::string Error;    // when not: why, in words for the user
};

// Spaces, brackets, dashes and dots are layout and are dropped; digits,
// "+", "*", "#", "," (pause) and the modifiers W (wait for a dial tone),
// P (pulse) and T (tone), in either case, are kept. Any other character is
// refused rather than dropped, so that a typing slip never dials another
// number; so is a number with nothing to dial or longer than 80 characters.
DialString TranslateAddress(std::string_view number);

} // namespace channels
