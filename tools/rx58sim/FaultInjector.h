#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Faults a test or a trainee can switch on: lost, damaged, split and lying
// replies, a device that refuses everything or says nothing, a foreign
// identification. Every random choice comes from one generator seeded with
// `Seed`, so a run repeats exactly with the same seed and requests.

namespace sim {

struct FaultConfig {
    double DropShare = 0;    // replies not sent at all
    double CorruptShare = 0; // replies sent with a damaged CRC
    double SplitShare = 0;   // replies sent in two pieces with a gap
    int SplitGapMs = 60;     // the gap; above the 20 ms inter-byte time-out of the port
    int ExceptionCode = -1;  // 0..255: every request answered with this exception
    bool Silent = false;     // nothing is ever answered
    std::optional<std::array<char, 4>> Signature; // identification signature instead of "RX58"
    int IdentVersion = -1;   // 0..255: version byte sent instead of the device's
    int ByteCountLie = 0;    // added to the byte count of register replies
    int PageCountLie = 0;    // added to the record count of archive pages
    bool EmptyPages = false; // every archive page carries 0 records
    int ReplyBytes = 0;      // > 0: every reply runs on with noise to this many bytes
    int NoiseBytes = 0;      // > 0: every request is answered with this many noise bytes
    std::uint32_t Seed = 1;

    bool operator==(const FaultConfig&) const = default;
};

// How a reply goes on the line: pieces with a pause between them.
struct Transmission {
    std::vector<std::vector<std::uint8_t>> Pieces;
    int GapMs = 0;
    // What the faults did, for the exchange log; empty when nothing.
    std::string Notes;
};

class FaultInjector {
public:
    explicit FaultInjector(const FaultConfig& config = {}) { Configure(config); }

    // Replaces the configuration and reseeds the generator.
    void Configure(const FaultConfig& config);
    const FaultConfig& Config() const { return config_; }

    // Before the device sees a request (already known to be addressed to it
    // and intact): true with `reply` empty for silence, or with the
    // exception reply that stands in for the device's answer.
    bool Preempt(const std::vector<std::uint8_t>& request, std::vector<std::uint8_t>& reply) const;
    // Turns the device's reply to `request` into what goes on the line.
    Transmission Apply(const std::vector<std::uint8_t>& request, std::vector<std::uint8_t> reply);

private:
    std::uint64_t Next();
    bool Draw(double share);
    void AddNoise(std::vector<std::uint8_t>& bytes, std::size_t size);
    void Falsify(const std::vector<std::uint8_t>& request, std::vector<std::uint8_t>& reply,
                 std::string& notes) const;

    FaultConfig config_;
    std::uint64_t state_ = 0;
};

} // namespace sim
