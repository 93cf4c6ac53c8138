#pragma once

#include "device/Rx58Records.h"
#include "editions/Edition.h"

#include <cstdint>

// Conversion between the register images and the typed records. Images are
// caller-owned buffers of the edition's buffer length (Edition::Current /
// Edition::Setup .BufferBytes). Decoders and encoders work on images in host
// order; SwapCurrentImage / SwapSetupImage convert between host and device
// order in place (each its own inverse). Every operation returns true.

// The 16-bit register value of a x0.01 / x0.001 encoding: the product rounded
// to the nearest integer, halves away from zero, low 16 bits kept
// (-5.00 gives 0xFE0C, 12.345 gives 12345). NaN gives 0.
std::uint16_t Round100(double value);
std::uint16_t Round1000(double value);

bool SwapCurrentImage(const Edition& edition, std::uint8_t* image);
bool SwapSetupImage(const Edition& edition, std::uint8_t* image);

// Decoders fill every field their edition's map names; fields the edition
// lacks keep their values. An invalid clock leaves the date and time alone
// (an invalid time alone leaves only the time alone); seasons likewise.
bool DecodeCurrentParams(const Edition& edition, const std::uint8_t* image,
                         RX58CurrentParams& params);
bool DecodeSetupParams(const Edition& edition, const std::uint8_t* image, RX58SetupParams& params);
bool DecodeCalibration(const Edition& edition, const std::uint8_t* setupImage,
                       RX58Calibration& calibration);

// Encoders write only the registers their map names; every other byte of the
// image (ring descriptors, uninterpreted registers, and for the setup
// encoder the calibration values) keeps what the buffer holds.
bool EncodeCurrentParams(const Edition& edition, const RX58CurrentParams& params,
                         std::uint8_t* image);
bool EncodeSetupParams(const Edition& edition, const RX58SetupParams& params, std::uint8_t* image);
bool EncodeCalibration(const Edition& edition, const RX58Calibration& calibration,
                       std::uint8_t* setupImage);

namespace device {

// Typed access to one mapped field, for tools that walk a register map
// (the command-line dump, the simulator). `record` points at the record the
// map describes.
bool DecodeField(const editions::RegisterField& field, const std::uint8_t* image, void* record);
void EncodeField(const editions::RegisterField& field, const void* record, std::uint8_t* image);
// The field as a number (a clock gives its date plus time of day).
double FieldValue(const editions::RegisterField& field, const void* record);

// Ring descriptor of one archive, registers 30007..30018 of the current image
// (the same in both editions): records sit at indexes 0..Last, First is the
// oldest, Next the index the next record goes to.
struct RingDescriptor {
    std::uint16_t Last = 0;
    std::uint16_t First = 0;
    std::uint16_t Next = 0;

    // Records present (16-bit arithmetic).
    std::uint16_t Count() const;
    // Index of the newest record: Next - 1, or Last when Next is 0.
    std::uint16_t Newest() const;
    // Index slots of the ring.
    std::uint32_t Capacity() const { return static_cast<std::uint32_t>(Last) + 1; }
    // The index after `index`, wrapping after Last.
    std::uint16_t After(std::uint16_t index) const;
    // The index before `index`, wrapping before 0.
    std::uint16_t Before(std::uint16_t index) const;

    bool operator==(const RingDescriptor&) const = default;
};

inline constexpr int RingDescriptorOffset = 12; // byte offset of the hourly descriptor
inline constexpr int RingDescriptorBytes = 6;

// `archiveType` is ArchiveType (0 hourly, 1 daily, 2 monthly, 3 journal); the
// image is in host order.
RingDescriptor ReadRing(const std::uint8_t* currentImage, int archiveType);
void WriteRing(std::uint8_t* currentImage, int archiveType, const RingDescriptor& ring);

} // namespace device
