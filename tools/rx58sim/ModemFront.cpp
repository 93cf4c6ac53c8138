#include "rx58sim/ModemFront.h"

#include <algorithm>
#include <cctype>

namespace sim {

namespace {

constexpr std::size_t MaxCommandLine = 256;

struct ResultText {
    DialResult Result;
    const char* Option;
};
constexpr ResultText DialResults[] = {
    {DialResult::Connect, "connect"},        {DialResult::Busy, "busy"},
    {DialResult::NoAnswer, "no-answer"},     {DialResult::NoCarrier, "no-carrier"},
    {DialResult::NoDialtone, "no-dialtone"},
};

} // namespace

std::optional<DialResult> ParseDialResult(const std::string& text) {
    for (const ResultText& r : DialResults)
        if (text == r.Option)
            return r.Result;
    return std::nullopt;
}

DialResult DialResultForNumber(const std::string& number) {
    if (number == "3")
        return DialResult::NoCarrier;
    if (number == "6")
        return DialResult::NoDialtone;
    if (number == "7")
        return DialResult::Busy;
    if (number == "8")
        return DialResult::NoAnswer;
    return DialResult::Connect;
}

ModemFront::ModemFront(const ModemConfig& config) : config_(config) {}

void ModemFront::Defaults() {
    echo_ = true;
    verbose_ = true;
    quiet_ = false;
}

void ModemFront::Text(const std::string& text, ModemOutput& out) {
    out.ToLine.insert(out.ToLine.end(), text.begin(), text.end());
}

void ModemFront::Respond(Result result, ModemOutput& out) {
    if (quiet_)
        return;
    if (!verbose_) {
        Text(std::to_string(static_cast<int>(result)) + "\r", out);
        return;
    }
    const char* text = "OK";
    switch (result) {
    case rcOk:
        text = "OK";
        break;
    case rcConnect:
        text = nullptr;
        break;
    case rcNoCarrier:
        text = "NO CARRIER";
        break;
    case rcError:
        text = "ERROR";
        break;
    case rcNoDialtone:
        text = "NO DIALTONE";
        break;
    case rcBusy:
        text = "BUSY";
        break;
    case rcNoAnswer:
        text = "NO ANSWER";
        break;
    }
    Text("\r\n" + (text ? std::string(text) : "CONNECT " + std::to_string(config_.ConnectRate)) +
             "\r\n",
         out);
}

void ModemFront::Feed(const std::uint8_t* data, std::size_t size, SteadyClock::time_point now,
                      ModemOutput& out) {
    for (std::size_t i = 0; i < size; ++i) {
        switch (state_) {
        case State::Command:
        case State::CommandInCall:
            CommandByte(data[i], now, out);
            break;
        case State::Dialing:
            // Any key aborts a call being set up.
            state_ = State::Command;
            Respond(rcNoCarrier, out);
            out.Event = "dialling aborted";
            break;
        case State::Online:
            OnlineByte(data[i], now, out);
            break;
        }
    }
}

void ModemFront::CommandByte(std::uint8_t byte, SteadyClock::time_point now, ModemOutput& out) {
    if (echo_)
        out.ToLine.push_back(byte);
    if (byte == '\r') {
        std::string line;
        line.swap(line_);
        Execute(line, now, out);
    } else if (byte == '\b' || byte == 0x7F) {
        if (!line_.empty())
            line_.pop_back();
    } else if (byte != '\n') {
        line_.push_back(static_cast<char>(byte));
        if (line_.size() > MaxCommandLine)
            line_.clear();
    }
}

void ModemFront::Execute(const std::string& raw, SteadyClock::time_point now, ModemOutput& out) {
    // Noise before "AT" (a half-received frame, stray line feeds) is skipped.
    std::string line;
    for (char c : raw)
        if (c != ' ')
            line.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    const std::size_t at = line.find("AT");
    if (at == std::string::npos)
        return;
    const std::string body = line.substr(at + 2);
    std::size_t i = 0;
    auto number = [&](int fallback) {
        if (i >= body.size() || !std::isdigit(static_cast<unsigned char>(body[i])))
            return fallback;
        int value = 0;
        while (i < body.size() && std::isdigit(static_cast<unsigned char>(body[i])) &&
               value < 100000)
            value = value * 10 + (body[i++] - '0');
        return value;
    };
    while (i < body.size()) {
        const char c = body[i++];
        switch (c) {
        case 'Z':
            number(0);
            Defaults();
            if (state_ == State::CommandInCall) {
                state_ = State::Command;
                out.Event = "call ended by ATZ";
            }
            break;
        case 'E':
            echo_ = number(0) != 0;
            break;
        case 'V':
            verbose_ = number(0) != 0;
            break;
        case 'Q':
            quiet_ = number(0) != 0;
            break;
        case 'H':
            number(0);
            if (state_ == State::CommandInCall) {
                state_ = State::Command;
                out.Event = "call ended by ATH";
            }
            break;
        case 'O':
            number(0);
            if (state_ != State::CommandInCall) {
                Respond(rcNoCarrier, out);
                return;
            }
            state_ = State::Online;
            lastData_ = now;
            pluses_ = 0;
            Respond(rcConnect, out);
            return;
        case 'D': {
            if (state_ == State::CommandInCall) {
                Respond(rcError, out);
                return;
            }
            std::string digits;
            for (; i < body.size(); ++i)
                if (std::isdigit(static_cast<unsigned char>(body[i])) || body[i] == '*' ||
                    body[i] == '#')
                    digits.push_back(body[i]);
            if (digits.empty()) {
                Respond(rcError, out);
                return;
            }
            dialled_ = digits;
            pending_ = config_.ForcedResult.value_or(DialResultForNumber(digits));
            state_ = State::Dialing;
            answerAt_ = now + std::chrono::milliseconds(std::max(0, config_.AnswerDelayMs));
            out.Event = "dialling " + digits;
            return;
        }
        case '&':
            if (i < body.size() && body[i] == 'F') {
                ++i;
                number(0);
                Defaults();
            } else if (i < body.size() && std::isalpha(static_cast<unsigned char>(body[i]))) {
                ++i;
                number(0);
            } else {
                Respond(rcError, out);
                return;
            }
            break;
        case 'S':
            number(0);
            if (i < body.size() && body[i] == '=') {
                ++i;
                number(0);
            } else if (i < body.size() && body[i] == '?') {
                ++i;
                Text("\r\n000\r\n", out);
            }
            break;
        case 'I':
            number(0);
            Text("\r\nRX58SIM\r\n", out);
            break;
        case '+':
        case '\\':
        case '%':
            // Extended commands are accepted as a whole.
            i = body.size();
            break;
        case 'A':
        case 'B':
        case 'L':
        case 'M':
        case 'N':
        case 'P':
        case 'T':
        case 'W':
        case 'X':
        case 'Y':
            number(0);
            break;
        default:
            Respond(rcError, out);
            return;
        }
    }
    Respond(rcOk, out);
}

void ModemFront::FlushPluses(ModemOutput& out) {
    out.ToDevice.insert(out.ToDevice.end(), static_cast<std::size_t>(pluses_), '+');
    pluses_ = 0;
}

void ModemFront::OnlineByte(std::uint8_t byte, SteadyClock::time_point now, ModemOutput& out) {
    const auto guard = std::chrono::milliseconds(config_.GuardTimeMs);
    if (byte == '+' && pluses_ < 3 && (pluses_ > 0 || now - lastData_ >= guard)) {
        ++pluses_;
    } else {
        FlushPluses(out);
        out.ToDevice.push_back(byte);
    }
    lastData_ = now;
}

void ModemFront::Tick(SteadyClock::time_point now, ModemOutput& out) {
    if (state_ == State::Dialing && now >= answerAt_) {
        static constexpr Result results[] = {rcConnect, rcBusy, rcNoAnswer, rcNoCarrier,
                                             rcNoDialtone};
        const Result result = results[static_cast<int>(pending_)];
        state_ = pending_ == DialResult::Connect ? State::Online : State::Command;
        lastData_ = now;
        pluses_ = 0;
        Respond(result, out);
        out.Event = state_ == State::Online ? "call connected" : "call failed";
    }
    if (state_ == State::Online && pluses_ > 0 &&
        now - lastData_ >= std::chrono::milliseconds(config_.GuardTimeMs)) {
        if (pluses_ == 3) {
            pluses_ = 0;
            state_ = State::CommandInCall;
            Respond(rcOk, out);
            out.Event = "escape to command mode";
        } else {
            FlushPluses(out);
        }
    }
}

SteadyClock::time_point ModemFront::Deadline() const {
    if (state_ == State::Dialing)
        return answerAt_;
    if (state_ == State::Online && pluses_ > 0)
        return lastData_ + std::chrono::milliseconds(config_.GuardTimeMs);
    return SteadyClock::time_point::max();
}

void ModemFront::LoseCarrier(ModemOutput& out) {
    if (state_ == State::Online || state_ == State::CommandInCall || state_ == State::Dialing) {
        pluses_ = 0;
        state_ = State::Command;
        Respond(rcNoCarrier, out);
    }
    out.HangUpLine = true;
    out.Event = "carrier lost";
}

void ModemFront::TerminalGone() {
    state_ = State::Command;
    line_.clear();
    pluses_ = 0;
    Defaults();
}

} // namespace sim
