#include "channels/AtResultCode.h"

#include "channels/TtapiTexts.h"

#include <cctype>
#include <string>

namespace channels {

namespace {

struct Word {
    const char* Text;
    AtResult Result;
    bool Prefix; // followed by details ("CONNECT 9600")
};

constexpr Word Words[] = {
    {"OK", AtResult::Ok, false},
    {"CONNECT", AtResult::Connect, true},
    {"RING", AtResult::Ring, false},
    {"NO CARRIER", AtResult::NoCarrier, false},
    {"ERROR", AtResult::Error, false},
    {"NO DIALTONE", AtResult::NoDialtone, false},
    {"NO DIAL TONE", AtResult::NoDialtone, false},
    {"BUSY", AtResult::Busy, false},
    {"NO ANSWER", AtResult::NoAnswer, false},
    {"RINGING", AtResult::Ringing, false},
    {"DELAYED", AtResult::Delayed, true},
    {"BLACKLISTED", AtResult::Blacklisted, true},
};

// The numeric codes of V0, in order from 0.
constexpr AtResult Numbers[] = {AtResult::Ok,         AtResult::Connect, AtResult::Ring,
                                AtResult::NoCarrier,  AtResult::Error,   AtResult::Connect,
                                AtResult::NoDialtone, AtResult::Busy,    AtResult::NoAnswer};

struct Meaning {
    AtResult Result;
    DialOutcome Outcome;
};

constexpr Meaning Meanings[] = {
    {AtResult::Connect, {true, true, CallState::Unknown, nullptr}},
    {AtResult::Busy, {true, false, CallState::Busy, nullptr}},
    {AtResult::NoAnswer, {true, false, CallState::Unknown, text::NoAnswer}},
    {AtResult::NoCarrier, {true, false, CallState::Unknown, text::NoCarrier}},
    {AtResult::NoDialtone, {true, false, CallState::Unknown, text::NoDialtone}},
    {AtResult::Error, {true, false, CallState::Unknown, text::TapiCallFailed}},
    {AtResult::Delayed, {true, false, CallState::Unknown, text::NumberBarred}},
    {AtResult::Blacklisted, {true, false, CallState::Unknown, text::NumberBarred}},
    // A voice call (or a dial string ended by ";") is not the data call asked for.
    {AtResult::Ok, {true, false, CallState::Unknown, text::NoCarrier}},
    {AtResult::Ringing, {false, false, CallState::Ringback, nullptr}},
};

} // namespace

AtResult ParseResultCode(std::string_view line) {
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.front()))) {
        line.remove_prefix(1);
    }
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) {
        line.remove_suffix(1);
    }
    if (line.size() == 1 && line[0] >= '0' &&
        line[0] < '0' + static_cast<int>(std::size(Numbers))) {
        return Numbers[line[0] - '0'];
    }
    std::string upper(line);
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    for (const Word& word : Words) {
        const std::string_view text = word.Text;
        if (upper == text) {
            return word.Result;
        }
        if (word.Prefix && upper.size() > text.size() && upper.compare(0, text.size(), text) == 0 &&
            (upper[text.size()] == ' ' || upper[text.size()] == '/')) {
            return word.Result;
        }
    }
    return AtResult::None;
}

DialOutcome OutcomeOfDialling(AtResult result) {
    for (const Meaning& meaning : Meanings) {
        if (meaning.Result == result) {
            return meaning.Outcome;
        }
    }
    return {};
}

} // namespace channels
