// A third-party Modbus master reads and writes the simulator over its
// pseudo-terminal: what mbpoll gets must be what the simulator holds.

#include "SimProbe.h"
#include "rx58sim/Simulator.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <unistd.h>

namespace {

constexpr std::uint8_t Address = 17;

// Runs mbpoll once (bounded by timeout(1)) and returns what it printed.
std::string RunMbpoll(const std::string& arguments) {
    const std::string command = "timeout 20 mbpoll -m rtu -b 19200 -P none -o 2 -1 -a " +
                                std::to_string(Address) + " " + arguments + " 2>&1";
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            output.append(buffer, n);
        ::pclose(pipe);
    }
    return output;
}

// "[12]: 	65534 (-2)" lines: reference number to the unsigned value.
std::map<int, long> Values(const std::string& output) {
    std::map<int, long> values;
    const std::regex line(R"(\[(\d+)\]:\s+(-?\d+))");
    for (auto it = std::sregex_iterator(output.begin(), output.end(), line);
         it != std::sregex_iterator(); ++it)
        values[std::stoi((*it)[1])] = std::stol((*it)[2]);
    return values;
}

struct Block {
    char Table; // '3' input, '4' holding
    int First;  // reference number, 1-based
    int Count;
};

struct MbpollFixture : ::testing::TestWithParam<const Edition*> {
    std::unique_ptr<sim::Simulator> simulator;

    void SetUp() override {
        if (::access("/usr/bin/mbpoll", X_OK) != 0)
            GTEST_SKIP() << "mbpoll is not installed (scripts/setup installs it)";
        sim::SimulatorConfig config;
        config.Device.DeviceEdition = GetParam();
        config.Device.FrozenClock = true;
        config.Link.Address = Address;
        simulator = std::make_unique<sim::Simulator>(config);
        simulator->Start();
    }

    void ExpectBlock(const Block& block, const std::vector<std::uint8_t>& image) {
        const std::string output =
            RunMbpoll(std::string("-t ") + block.Table + " -r " + std::to_string(block.First) +
                      " -c " + std::to_string(block.Count) + " " + simulator->Endpoint());
        const std::map<int, long> values = Values(output);
        ASSERT_EQ(static_cast<int>(values.size()), block.Count) << output;
        for (const auto& [reference, value] : values)
            EXPECT_EQ(static_cast<std::uint16_t>(value), simtest::RegisterAt(image, reference - 1))
                << "table " << block.Table << " reference " << reference;
    }
};

} // namespace

TEST_P(MbpollFixture, ReadsTheInputAndHoldingRegistersTheSimulatorHolds) {
    const Edition& edition = *GetParam();
    const sim::DeviceSnapshot snapshot = simulator->Snapshot();
    const int current = edition.Current.Registers;
    const int setup = edition.Setup.Registers;
    // mbpoll reads at most 125 registers at a time.
    for (const Block& block : {Block{'3', 1, 100}, Block{'3', 101, current - 100}})
        ExpectBlock(block, snapshot.CurrentImage);
    for (const Block& block : {Block{'4', 1, 100}, Block{'4', 101, setup - 100}})
        ExpectBlock(block, snapshot.SetupImage);
}

TEST_P(MbpollFixture, ItsIdentificationAndWritesReachTheDevice) {
    const std::string ident = RunMbpoll("-u " + simulator->Endpoint());
    EXPECT_NE(ident.find("Length: 8"), std::string::npos) << ident;
    EXPECT_NE(ident.find("Id    : 0x52"), std::string::npos) << "'R' of RX58\n" << ident;

    // Two values go out as one write of multiple registers (0x10): the
    // serial number and the network address.
    const std::string write = RunMbpoll("-t 4 -r 9 " + simulator->Endpoint() + " 4321 17");
    EXPECT_NE(write.find("Written 2 references"), std::string::npos) << write;
    EXPECT_EQ(simulator->Snapshot().Setup.SerialNum, 4321);

    simulator->SetLocked(true);
    const std::string refused = RunMbpoll("-t 4 -r 9 " + simulator->Endpoint() + " 1 17");
    EXPECT_EQ(refused.find("Written"), std::string::npos) << refused;
    EXPECT_EQ(simulator->Snapshot().Setup.SerialNum, 4321);
}

INSTANTIATE_TEST_SUITE_P(BothEditions, MbpollFixture, ::testing::Values(&EditionV3, &EditionV2),
                         [](const auto& info) { return std::string("V") + info.param->Name; });
