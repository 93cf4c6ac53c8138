#include "rx58sim/FaultInjector.h"

#include "protocol/Crc16.h"
#include "protocol/Modbus.h"
#include "rx58sim/SlaveDispatcher.h"

#include <algorithm>

namespace sim {

void FaultInjector::Configure(const FaultConfig& config) {
    config_ = config;
    state_ = 0x9E3779B97F4A7C15ULL ^ config.Seed;
}

// splitmix64: small, fast, and the same sequence on every platform.
std::uint64_t FaultInjector::Next() {
    state_ += 0x9E3779B97F4A7C15ULL;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

bool FaultInjector::Draw(double share) {
    if (share <= 0)
        return false;
    return static_cast<double>(Next() >> 11) / 9007199254740992.0 < share;
}

// Random bytes until `bytes` holds `size` of them.
void FaultInjector::AddNoise(std::vector<std::uint8_t>& bytes, std::size_t size) {
    bytes.reserve(size);
    while (bytes.size() < size)
        bytes.push_back(static_cast<std::uint8_t>(Next() >> 56));
}

bool FaultInjector::Preempt(const std::vector<std::uint8_t>& request,
                            std::vector<std::uint8_t>& reply) const {
    reply.clear();
    if (config_.Silent)
        return true;
    if (config_.ExceptionCode >= 0 && request.size() >= 2) {
        reply = ExceptionReply(request[0], request[1] & 0x7F,
                               static_cast<std::uint8_t>(config_.ExceptionCode));
        return true;
    }
    return false;
}

void FaultInjector::Falsify(const std::vector<std::uint8_t>& request,
                            std::vector<std::uint8_t>& reply, std::string& notes) const {
    if (reply.size() < 5 || (reply[1] & 0x80))
        return;
    bool changed = false;
    switch (reply[1]) {
    case mfReportSlaveId:
        if (config_.Signature && reply.size() >= 13) {
            std::copy(config_.Signature->begin(), config_.Signature->end(), reply.begin() + 3);
            notes += " [signature]";
            changed = true;
        }
        if (config_.IdentVersion >= 0 && reply.size() >= 13) {
            reply[9] = static_cast<std::uint8_t>(config_.IdentVersion);
            notes += " [version]";
            changed = true;
        }
        break;
    case mfReadHolding:
    case mfReadInput:
        if (config_.ByteCountLie != 0) {
            reply[2] = static_cast<std::uint8_t>(reply[2] + config_.ByteCountLie);
            notes += " [byte count]";
            changed = true;
        }
        break;
    case mfReadArchivePage:
        if (config_.EmptyPages && reply.size() >= 9 && request.size() >= 6) {
            reply.resize(7 + 2);
            reply[4] = request[4];
            reply[5] = request[5];
            reply[6] = 0;
            notes += " [empty page]";
            changed = true;
        }
        if (config_.PageCountLie != 0 && reply.size() >= 9) {
            reply[6] = static_cast<std::uint8_t>(reply[6] + config_.PageCountLie);
            notes += " [record count]";
            changed = true;
        }
        break;
    default:
        break;
    }
    if (changed)
        Crc16Append(reply.data(), reply.size() - 2);
}

Transmission FaultInjector::Apply(const std::vector<std::uint8_t>& request,
                                  std::vector<std::uint8_t> reply) {
    Transmission out;
    if (config_.NoiseBytes > 0) {
        reply.clear();
        AddNoise(reply, static_cast<std::size_t>(config_.NoiseBytes));
        out.Pieces.push_back(std::move(reply));
        out.Notes += " [noise]";
        return out;
    }
    Falsify(request, reply, out.Notes);
    // One draw for each enabled share on every reply, in a fixed order, so
    // the sequence depends only on the seed and the requests.
    const bool corrupt = Draw(config_.CorruptShare);
    const bool drop = Draw(config_.DropShare);
    const bool split = Draw(config_.SplitShare);
    if (corrupt && reply.size() >= 2) {
        reply.back() ^= 0x5A;
        out.Notes += " [bad CRC]";
    }
    if (drop) {
        out.Notes += " [dropped]";
        return out;
    }
    if (config_.ReplyBytes > 0 && reply.size() < static_cast<std::size_t>(config_.ReplyBytes)) {
        AddNoise(reply, static_cast<std::size_t>(config_.ReplyBytes));
        out.Notes += " [run on]";
    }
    if (split && reply.size() >= 2) {
        const auto half = static_cast<std::ptrdiff_t>(reply.size() / 2);
        out.Pieces.emplace_back(reply.begin(), reply.begin() + half);
        out.Pieces.emplace_back(reply.begin() + half, reply.end());
        out.GapMs = std::max(0, config_.SplitGapMs);
        out.Notes += " [split]";
        return out;
    }
    out.Pieces.push_back(std::move(reply));
    return out;
}

} // namespace sim
