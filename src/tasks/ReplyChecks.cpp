#include "tasks/ReplyChecks.h"

#include "tasks/TaskTexts.h"

#include <algorithm>

namespace tasks {

namespace {
constexpr int CrcBytes = 2;
constexpr int RegisterDataOffset = 3;
} // namespace

const char* CheckIdentification(const Edition& edition, const std::uint8_t* reply,
                                std::uint16_t length, std::uint8_t* ident) {
    if (length < IdentBytesOffset + IdentBytesCount + CrcBytes)
        return texts::BadDataCount;
    if (!std::equal(IdentSignature, IdentSignature + 4, reply + IdentSignatureOffset))
        return texts::UnknownDevice;
    if (ident)
        std::copy_n(reply + IdentBytesOffset, IdentBytesCount, ident);
    if (reply[IdentBytesOffset + IdentVersionIndex] != edition.ProtocolVersion)
        return texts::UnknownVersion;
    return nullptr;
}

const std::uint8_t* RegisterReplyData(const std::uint8_t* reply, std::uint16_t length, int bytes) {
    if (length < RegisterDataOffset || reply[2] != bytes ||
        length < RegisterDataOffset + bytes + CrcBytes)
        return nullptr;
    return reply + RegisterDataOffset;
}

} // namespace tasks
