#include "rx58sim/Options.h"

#include <functional>
#include <gtest/gtest.h>

using sim::ParsedOptions;
using sim::ParseOptions;

TEST(Options, EveryOptionReachesTheConfiguration) {
    struct Case {
        std::vector<std::string> Args;
        std::function<bool(const ParsedOptions&)> Holds;
    };
    const Case cases[] = {
        {{},
         [](const ParsedOptions& o) {
             return o.Config.Device.DeviceEdition == &EditionV3 && o.Config.Link.Address == 0 &&
                    o.Config.Link.Transport == sim::TransportKind::Pty &&
                    o.Config.Device.ResetDelayMs == 30000;
         }},
        {{"--edition", "2", "--address=17"},
         [](const ParsedOptions& o) {
             return o.Config.Device.DeviceEdition == &EditionV2 && o.Config.Link.Address == 17;
         }},
        {{"--tcp", "0"},
         [](const ParsedOptions& o) { return o.Config.Link.Transport == sim::TransportKind::Tcp; }},
        {{"--serial", "/dev/ttyS1", "--baud", "9600"},
         [](const ParsedOptions& o) {
             return o.Config.Link.SerialPath == "/dev/ttyS1" && o.Config.Link.Baud == 9600;
         }},
        {{"--hours", "10", "--hours-capacity", "20", "--journal", "0", "--wrapped", "--erased",
          "2"},
         [](const ParsedOptions& o) {
             const auto& a = o.Config.Device.Archives;
             return a.Rings[0].Count == 10 && a.Rings[0].Capacity == 20 && a.Rings[3].Count == 0 &&
                    a.Wrapped && a.Erased == 2;
         }},
        {{"--clock", "2024-03-05 13:45:07", "--frozen", "--reset-delay", "2", "--locked"},
         [](const ParsedOptions& o) {
             return o.Config.Device.StartClock == sim::CivilTime{2024, 3, 5, 13, 45, 7} &&
                    o.Config.Device.FrozenClock && o.Config.Device.ResetDelayMs == 2000 &&
                    o.Config.Device.Locked;
         }},
        {{"--drop",           "0.25",  "--split",          "1",    "--seed",          "99",
          "--exception",      "6",     "--signature",      "RX59", "--ident-version", "2",
          "--byte-count-lie", "-2",    "--page-count-lie", "1",    "--empty-pages",   "--silent",
          "--reply-bytes",    "10000", "--noise",          "300"},
         [](const ParsedOptions& o) {
             const sim::FaultConfig& f = o.Config.Link.Faults;
             return f.DropShare == 0.25 && f.SplitShare == 1 && f.Seed == 99 &&
                    f.ExceptionCode == 6 &&
                    f.Signature == std::array<char, 4>{'R', 'X', '5', '9'} && f.IdentVersion == 2 &&
                    f.ByteCountLie == -2 && f.PageCountLie == 1 && f.EmptyPages && f.Silent &&
                    f.ReplyBytes == 10000 && f.NoiseBytes == 300;
         }},
        {{"--modem", "--answer-delay", "0", "--dial-result", "busy", "--carrier-loss-after", "5000",
          "-v"},
         [](const ParsedOptions& o) {
             return o.Config.Link.Modem && o.Config.Link.ModemSettings.AnswerDelayMs == 0 &&
                    o.Config.Link.ModemSettings.ForcedResult == sim::DialResult::Busy &&
                    o.Config.Link.CarrierLossAfterMs == 5000 && o.Verbose;
         }},
    };
    for (const Case& c : cases) {
        const ParsedOptions parsed = ParseOptions(c.Args);
        EXPECT_EQ(parsed.Error, "") << ::testing::PrintToString(c.Args);
        EXPECT_TRUE(c.Holds(parsed)) << ::testing::PrintToString(c.Args);
    }
}

TEST(Options, BadCommandLinesAreRefusedWithAReason) {
    const std::vector<std::vector<std::string>> cases = {
        {"--edition", "4"},
        {"--address", "256"},
        {"--drop", "1.5"},
        {"--drop", "x"},
        {"--clock", "2024-02-30 00:00:00"},
        {"--signature", "RX5"},
        {"--dial-result", "maybe"},
        {"--hours"},
        {"--frobnicate"},
        {"--tcp", "0", "--link", "/tmp/x"},
        {"--locked=1"},
        {"--baud", "12a"},
    };
    for (const auto& args : cases) {
        const ParsedOptions parsed = ParseOptions(args);
        EXPECT_NE(parsed.Error, "") << ::testing::PrintToString(args);
    }
    EXPECT_EQ(ParseOptions({"--frobnicate"}).Error, "неизвестный параметр --frobnicate");
}
