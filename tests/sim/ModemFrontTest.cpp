#include "rx58sim/ModemFront.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using sim::ModemFront;
using sim::ModemOutput;
using sim::SteadyClock;

namespace {

struct ModemFixture : ::testing::Test {
    sim::ModemConfig config;
    std::unique_ptr<ModemFront> modem;
    SteadyClock::time_point now = SteadyClock::now();

    void Make() { modem = std::make_unique<ModemFront>(config); }
    ModemFixture() { Make(); }

    std::string Type(const std::string& text, SteadyClock::duration after = 0ms) {
        now += after;
        ModemOutput out;
        modem->Feed(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), now, out);
        toDevice.append(out.ToDevice.begin(), out.ToDevice.end());
        hungUp = hungUp || out.HangUpLine;
        return std::string(out.ToLine.begin(), out.ToLine.end());
    }
    std::string Wait(SteadyClock::duration d) {
        now += d;
        ModemOutput out;
        modem->Tick(now, out);
        toDevice.append(out.ToDevice.begin(), out.ToDevice.end());
        return std::string(out.ToLine.begin(), out.ToLine.end());
    }
    std::string Dial(const std::string& number) {
        Type("ATE0\r");
        Type("ATD" + number + "\r");
        return Wait(std::chrono::milliseconds(config.AnswerDelayMs));
    }

    std::string toDevice;
    bool hungUp = false;
};

} // namespace

TEST_F(ModemFixture, CommandsEchoAndAnswerOk) {
    EXPECT_EQ(Type("ATZ\r"), "ATZ\r\r\nOK\r\n");
    EXPECT_EQ(Type("ATE0\r"), "ATE0\r\r\nOK\r\n")
        << "the command that turns echo off is still echoed";
    EXPECT_EQ(Type("AT&F\r"), "\r\nOK\r\n") << "AT&F turns echo back on from the next line";
    EXPECT_EQ(Type("at&c1&d2 x4 s0=0\r"), "at&c1&d2 x4 s0=0\r\r\nOK\r\n");
    EXPECT_EQ(Type("ATE0V0\r"), "ATE0V0\r0\r");
    EXPECT_EQ(Type("ATJ\r"), "4\r") << "numeric ERROR";
    EXPECT_EQ(Type("hello\r"), "") << "a line without AT is ignored";
    EXPECT_EQ(Type("AT+CBST=7,0,1\r"), "0\r");
}

TEST_F(ModemFixture, TheDialledNumberOrTheOptionChoosesTheResult) {
    struct Case {
        const char* Number;
        std::optional<sim::DialResult> Forced;
        const char* Result;
        bool Online;
    };
    const Case cases[] = {
        {"T8-495-123-45-67", std::nullopt, "\r\nCONNECT 19200\r\n", true},
        {"7", std::nullopt, "\r\nBUSY\r\n", false},
        {"8", std::nullopt, "\r\nNO ANSWER\r\n", false},
        {"3", std::nullopt, "\r\nNO CARRIER\r\n", false},
        {"6", std::nullopt, "\r\nNO DIALTONE\r\n", false},
        {"P123", sim::DialResult::Busy, "\r\nBUSY\r\n", false},
        {"7", sim::DialResult::Connect, "\r\nCONNECT 19200\r\n", true},
    };
    config.AnswerDelayMs = 1500;
    for (const Case& c : cases) {
        config.ForcedResult = c.Forced;
        Make();
        Type("ATE0\r");
        Type(std::string("ATD") + c.Number + "\r");
        EXPECT_EQ(Wait(1499ms), "") << c.Number << ": the answer delay is kept";
        EXPECT_EQ(Wait(1ms), c.Result) << c.Number;
        EXPECT_EQ(modem->Online(), c.Online) << c.Number;
    }
}

TEST_F(ModemFixture, AKeyPressedWhileDiallingAbortsTheCall) {
    Type("ATE0\r");
    Type("ATD12345\r");
    EXPECT_EQ(Type("\r", 100ms), "\r\nNO CARRIER\r\n");
    EXPECT_EQ(Wait(5s), "");
    EXPECT_FALSE(modem->Online());
}

TEST_F(ModemFixture, OnLineEveryByteGoesToTheDeviceIncludingPlusSigns) {
    ASSERT_EQ(Dial("12345"), "\r\nCONNECT 19200\r\n");
    EXPECT_EQ(Type("AT\r\x2B\x2B", 10ms), "");
    EXPECT_EQ(Type("+++", 5ms), "") << "pluses without the guard time before them are data";
    EXPECT_EQ(toDevice, "AT\r+++++");
    EXPECT_TRUE(modem->Online());
}

TEST_F(ModemFixture, EscapeNeedsTheGuardTimeOnBothSides) {
    ASSERT_EQ(Dial("12345"), "\r\nCONNECT 19200\r\n");
    Type("+++", 1s);
    EXPECT_EQ(Wait(999ms), "");
    Type("X");
    EXPECT_EQ(toDevice, "+++X") << "a byte inside the trailing guard time cancels the escape";
    EXPECT_TRUE(modem->Online());

    toDevice.clear();
    Type("+++", 1s);
    EXPECT_EQ(Wait(1s), "\r\nOK\r\n");
    EXPECT_EQ(modem->GetState(), ModemFront::State::CommandInCall);
    EXPECT_EQ(toDevice, "");
    EXPECT_EQ(Type("ATO\r"), "\r\nCONNECT 19200\r\n");
    EXPECT_TRUE(modem->Online());
    Type("+++", 1s);
    Wait(1s);
    EXPECT_EQ(Type("ATH\r"), "\r\nOK\r\n");
    EXPECT_EQ(modem->GetState(), ModemFront::State::Command);
    EXPECT_EQ(Type("ATO\r"), "\r\nNO CARRIER\r\n") << "no call to return to";
}

TEST_F(ModemFixture, CarrierLossSaysNoCarrierAndHangsUpTheLine) {
    ASSERT_EQ(Dial("12345"), "\r\nCONNECT 19200\r\n");
    ModemOutput out;
    modem->LoseCarrier(out);
    EXPECT_EQ(std::string(out.ToLine.begin(), out.ToLine.end()), "\r\nNO CARRIER\r\n");
    EXPECT_TRUE(out.HangUpLine);
    EXPECT_FALSE(modem->Online());
    modem->TerminalGone();
    EXPECT_EQ(Type("AT\r"), "AT\r\r\nOK\r\n") << "the next terminal finds the defaults, echo on";
}
