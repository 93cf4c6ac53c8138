#include "channels/AtResultCode.h"
#include "channels/TtapiCallState.h"
#include "channels/TtapiTexts.h"

#include <gtest/gtest.h>
#include <string>

namespace channels {
namespace {

TEST(ResultCode, WordsAndNumbersAreRead) {
    const struct {
        const char* Line;
        AtResult Result;
    } cases[] = {
        {"OK", AtResult::Ok},
        {"  ok \r", AtResult::Ok},
        {"CONNECT", AtResult::Connect},
        {"CONNECT 19200", AtResult::Connect},
        {"CONNECT 33600/ARQ/V34/LAPM", AtResult::Connect},
        {"CONNECT/ARQ", AtResult::Connect},
        {"RING", AtResult::Ring},
        {"NO CARRIER", AtResult::NoCarrier},
        {"ERROR", AtResult::Error},
        {"NO DIALTONE", AtResult::NoDialtone},
        {"NO DIAL TONE", AtResult::NoDialtone},
        {"BUSY", AtResult::Busy},
        {"NO ANSWER", AtResult::NoAnswer},
        {"RINGING", AtResult::Ringing},
        {"DELAYED 10", AtResult::Delayed},
        {"BLACKLISTED", AtResult::Blacklisted},
        {"0", AtResult::Ok},
        {"1", AtResult::Connect},
        {"3", AtResult::NoCarrier},
        {"4", AtResult::Error},
        {"6", AtResult::NoDialtone},
        {"7", AtResult::Busy},
        {"8", AtResult::NoAnswer},
        // Not results: echo, information, progress, near misses.
        {"ATDT5551234", AtResult::None},
        {"AT", AtResult::None},
        {"CARRIER 28800", AtResult::None},
        {"PROTOCOL: LAPM", AtResult::None},
        {"CONNECTED", AtResult::None},
        {"OKAY", AtResult::None},
        {"BUSYBOX", AtResult::None},
        {"9", AtResult::None},
        {"12", AtResult::None},
        {"", AtResult::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseResultCode(c.Line), c.Result) << "'" << c.Line << "'";
    }
}

TEST(ResultCode, WhatAResultMeansForACallBeingSetUp) {
    const DialOutcome connect = OutcomeOfDialling(AtResult::Connect);
    EXPECT_TRUE(connect.Final);
    EXPECT_TRUE(connect.Connected);

    const DialOutcome busy = OutcomeOfDialling(AtResult::Busy);
    EXPECT_TRUE(busy.Final);
    EXPECT_FALSE(busy.Connected);
    EXPECT_EQ(busy.Report, CallState::Busy);

    const struct {
        AtResult Result;
        const char* Note;
    } failures[] = {
        {AtResult::NoAnswer, text::NoAnswer},     {AtResult::NoCarrier, text::NoCarrier},
        {AtResult::NoDialtone, text::NoDialtone}, {AtResult::Error, text::TapiCallFailed},
        {AtResult::Delayed, text::NumberBarred},  {AtResult::Blacklisted, text::NumberBarred},
        {AtResult::Ok, text::NoCarrier},
    };
    for (const auto& f : failures) {
        const DialOutcome outcome = OutcomeOfDialling(f.Result);
        EXPECT_TRUE(outcome.Final);
        EXPECT_FALSE(outcome.Connected);
        ASSERT_NE(outcome.Note, nullptr);
        EXPECT_STREQ(outcome.Note, f.Note);
    }

    const DialOutcome ringing = OutcomeOfDialling(AtResult::Ringing);
    EXPECT_FALSE(ringing.Final);
    EXPECT_EQ(ringing.Report, CallState::Ringback);
    for (AtResult passing : {AtResult::Ring, AtResult::None}) {
        const DialOutcome outcome = OutcomeOfDialling(passing);
        EXPECT_FALSE(outcome.Final);
        EXPECT_EQ(outcome.Report, CallState::Unknown);
    }
}

TEST(CallStateTexts, AStateWithoutATextGivesAnEmptyOne) {
    EXPECT_STREQ(CallStateText(CallState::Busy), "Линия занята");
    EXPECT_STREQ(CallStateText(static_cast<CallState>(0x0800)), "");
    EXPECT_STREQ(CallStateText(static_cast<CallState>(0)), "");
}

} // namespace
} // namespace channels
