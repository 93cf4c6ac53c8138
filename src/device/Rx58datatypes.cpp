#include "device/Rx58datatypes.h"

#include "device/ByteCodec.h"
#include "device/Sysutil.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

using editions::Encoding;
using editions::FieldType;
using editions::RegisterField;
using editions::RegisterMap;
using namespace device::codec;

namespace {

std::uint16_t RoundScaled(double value, double scale) {
    const double r = std::round(value * scale);
    if (!std::isfinite(r))
        return 0;
    double low = std::fmod(r, 65536.0);
    if (low < 0)
        low += 65536.0;
    return static_cast<std::uint16_t>(low);
}

// Calls fn with a value of the C++ type that holds the field.
template <class Fn>
auto WithFieldType(FieldType type, Fn&& fn) {
    switch (type) {
    case FieldType::Double:
        return fn(double{});
    case FieldType::U32:
        return fn(std::uint32_t{});
    case FieldType::I32:
        return fn(std::int32_t{});
    case FieldType::U16:
        return fn(std::uint16_t{});
    case FieldType::I16:
        return fn(std::int16_t{});
    case FieldType::U8:
        return fn(std::uint8_t{});
    case FieldType::Bool:
        break;
    }
    return fn(bool{});
}

// Stores a number into a record field of any held type; integers keep the
// low bits of the value truncated toward zero (every mapped integer fits a
// double exactly).
void SetValue(void* record, const RegisterField& f, double v) {
    auto* p = static_cast<std::uint8_t*>(record) + f.RecordOffset;
    WithFieldType(f.Type, [&](auto type) {
        using T = decltype(type);
        if constexpr (std::is_same_v<T, double>)
            Store(p, v);
        else if constexpr (std::is_same_v<T, bool>)
            Store(p, static_cast<std::uint8_t>(v != 0));
        else
            Store(p, static_cast<T>(WrapToU32(v)));
        return 0;
    });
}

double GetValue(const void* record, const RegisterField& f) {
    const auto* p = static_cast<const std::uint8_t*>(record) + f.RecordOffset;
    return WithFieldType(f.Type, [&](auto type) -> double {
        using T = decltype(type);
        if constexpr (std::is_same_v<T, bool>)
            return Load<std::uint8_t>(p) != 0;
        else
            return static_cast<double>(Load<T>(p));
    });
}

double DoubleAt(const void* record, std::uint16_t offset) {
    return Load<double>(static_cast<const std::uint8_t*>(record) + offset);
}

// Consecutive seasons decode like the two halves of a clock: once one is
// invalid, the ones after it keep their values too.
bool DecodeMap(RegisterMap map, const std::uint8_t* image, void* record) {
    bool seasonRefused = false;
    for (const RegisterField& f : map) {
        if (f.Enc != Encoding::Season) {
            seasonRefused = false;
            device::DecodeField(f, image, record);
        } else if (!seasonRefused) {
            seasonRefused = !device::DecodeField(f, image, record);
        }
    }
    return true;
}

bool EncodeMap(RegisterMap map, const void* record, std::uint8_t* image) {
    for (const RegisterField& f : map)
        device::EncodeField(f, record, image);
    return true;
}

} // namespace

std::uint16_t Round100(double value) {
    return RoundScaled(value, 100.0);
}
std::uint16_t Round1000(double value) {
    return RoundScaled(value, 1000.0);
}

bool SwapCurrentImage(const Edition& edition, std::uint8_t* image) {
    SwapImageOf(edition.Current, image);
    return true;
}

bool SwapSetupImage(const Edition& edition, std::uint8_t* image) {
    SwapImageOf(edition.Setup, image);
    return true;
}

bool DecodeCurrentParams(const Edition& edition, const std::uint8_t* image,
                         RX58CurrentParams& params) {
    return DecodeMap(edition.CurrentMap, image, &params);
}

bool DecodeSetupParams(const Edition& edition, const std::uint8_t* image, RX58SetupParams& params) {
    return DecodeMap(edition.SetupMap, image, &params);
}

bool DecodeCalibration(const Edition& edition, const std::uint8_t* setupImage,
                       RX58Calibration& calibration) {
    return DecodeMap(editions::register_maps_detail::Calibration,
                     setupImage + edition.CalibrationOffset, &calibration);
}

bool EncodeCurrentParams(const Edition& edition, const RX58CurrentParams& params,
                         std::uint8_t* image) {
    return EncodeMap(edition.CurrentMap, &params, image);
}

bool EncodeSetupParams(const Edition& edition, const RX58SetupParams& params, std::uint8_t* image) {
    return EncodeMap(edition.SetupMap, &params, image);
}

bool EncodeCalibration(const Edition& edition, const RX58Calibration& calibration,
                       std::uint8_t* setupImage) {
    return EncodeMap(editions::register_maps_detail::Calibration, &calibration,
                     setupImage + edition.CalibrationOffset);
}

namespace device {

bool DecodeField(const RegisterField& f, const std::uint8_t* image, void* record) {
    const std::uint8_t* p = image + f.ImageOffset;
    const auto reg = Load<std::uint16_t>(p);
    switch (f.Enc) {
    case Encoding::S16_100:
        SetValue(record, f, static_cast<std::int16_t>(reg) * 0.01);
        break;
    case Encoding::U16_100:
        SetValue(record, f, reg * 0.01);
        break;
    case Encoding::S16_1000:
        SetValue(record, f, static_cast<std::int16_t>(reg) * 0.001);
        break;
    case Encoding::U16_1000:
        SetValue(record, f, reg * 0.001);
        break;
    case Encoding::U16:
        SetValue(record, f, reg);
        break;
    case Encoding::S16:
        SetValue(record, f, static_cast<std::int16_t>(reg));
        break;
    case Encoding::LoByte:
        SetValue(record, f, reg & 0xFF);
        break;
    case Encoding::SByte:
        SetValue(record, f, static_cast<std::int8_t>(static_cast<std::uint8_t>(reg & 0xFF)));
        break;
    case Encoding::Bool:
        SetValue(record, f, reg != 0);
        break;
    case Encoding::F32:
        SetValue(record, f, Load<float>(p));
        break;
    case Encoding::U32:
        SetValue(record, f, Load<std::uint32_t>(p));
        break;
    case Encoding::Counter:
        SetValue(record, f,
                 static_cast<double>(Load<std::int32_t>(p)) +
                     static_cast<double>(Load<float>(p + 4)));
        break;
    case Encoding::DateTime: {
        auto r = [p](int i) { return static_cast<int>(Load<std::uint16_t>(p + 2 * i)); };
        double date, time;
        if (!TryEncodeDate(2000 + r(0), r(1), r(2), date))
            return false;
        Store(static_cast<std::uint8_t*>(record) + f.RecordOffset, date);
        if (!TryEncodeTime(r(3), r(4), r(5), 0, time))
            return false;
        Store(static_cast<std::uint8_t*>(record) + f.RecordOffset2, time);
        break;
    }
    case Encoding::Season: {
        double date;
        if (!TryEncodeDate(2000, Load<std::uint16_t>(p), Load<std::uint16_t>(p + 2), date))
            return false;
        Store(static_cast<std::uint8_t*>(record) + f.RecordOffset, date);
        break;
    }
    }
    return true;
}

void EncodeField(const RegisterField& f, const void* record, std::uint8_t* image) {
    std::uint8_t* p = image + f.ImageOffset;
    switch (f.Enc) {
    case Encoding::S16_100:
    case Encoding::U16_100:
        Store(p, Round100(GetValue(record, f)));
        break;
    case Encoding::S16_1000:
    case Encoding::U16_1000:
        Store(p, Round1000(GetValue(record, f)));
        break;
    case Encoding::U16:
    case Encoding::S16:
        Store(p, static_cast<std::uint16_t>(WrapToU32(GetValue(record, f))));
        break;
    case Encoding::LoByte:
        Store(p, static_cast<std::uint16_t>(WrapToU32(GetValue(record, f)) & 0xFF));
        break;
    case Encoding::SByte: {
        const auto low =
            static_cast<std::int8_t>(static_cast<std::uint8_t>(WrapToU32(GetValue(record, f))));
        Store(p, static_cast<std::uint16_t>(static_cast<std::int16_t>(low)));
        break;
    }
    case Encoding::Bool:
        Store(p, static_cast<std::uint16_t>(WrapToU32(GetValue(record, f)) != 0));
        break;
    case Encoding::F32:
        Store(p, NarrowToFloat(GetValue(record, f)));
        break;
    case Encoding::U32:
        Store(p, static_cast<std::uint32_t>(WrapToU32(GetValue(record, f))));
        break;
    case Encoding::Counter: {
        const double v = GetValue(record, f);
        double whole = 0;
        if (std::isfinite(v)) {
            whole = std::trunc(v);
            whole = std::fmin(std::fmax(whole, static_cast<double>(INT32_MIN)),
                              static_cast<double>(INT32_MAX));
        }
        Store(p, static_cast<std::int32_t>(whole));
        Store(p + 4, NarrowToFloat(v - whole));
        break;
    }
    case Encoding::DateTime: {
        const DateParts d = DecodeDate(DoubleAt(record, f.RecordOffset));
        const TimeParts t = DecodeTime(DoubleAt(record, f.RecordOffset2));
        const int regs[6] = {d.Year % 100, d.Month, d.Day, t.Hour, t.Minute, t.Second};
        for (int i = 0; i < 6; ++i)
            Store(p + 2 * i, static_cast<std::uint16_t>(regs[i]));
        break;
    }
    case Encoding::Season: {
        const DateParts d = DecodeDate(DoubleAt(record, f.RecordOffset));
        Store(p, static_cast<std::uint16_t>(d.Month));
        Store(p + 2, static_cast<std::uint16_t>(d.Day));
        break;
    }
    }
}

double FieldValue(const RegisterField& f, const void* record) {
    if (f.Enc == Encoding::DateTime)
        return DoubleAt(record, f.RecordOffset) + DoubleAt(record, f.RecordOffset2);
    return GetValue(record, f);
}

std::uint16_t RingDescriptor::Count() const {
    return Next >= First ? static_cast<std::uint16_t>(Next - First)
                         : static_cast<std::uint16_t>(Last - First + Next + 1);
}

std::uint16_t RingDescriptor::Newest() const {
    return Next != 0 ? static_cast<std::uint16_t>(Next - 1) : Last;
}

std::uint16_t RingDescriptor::After(std::uint16_t index) const {
    return index >= Last ? 0 : static_cast<std::uint16_t>(index + 1);
}

std::uint16_t RingDescriptor::Before(std::uint16_t index) const {
    return index == 0 || index > Last ? Last : static_cast<std::uint16_t>(index - 1);
}

RingDescriptor ReadRing(const std::uint8_t* currentImage, int archiveType) {
    RingDescriptor ring;
    if (archiveType < 0 || archiveType > 3)
        return ring;
    const std::uint8_t* p = currentImage + RingDescriptorOffset + RingDescriptorBytes * archiveType;
    ring.Last = Load<std::uint16_t>(p);
    ring.First = Load<std::uint16_t>(p + 2);
    ring.Next = Load<std::uint16_t>(p + 4);
    return ring;
}

void WriteRing(std::uint8_t* currentImage, int archiveType, const RingDescriptor& ring) {
    if (archiveType < 0 || archiveType > 3)
        return;
    std::uint8_t* p = currentImage + RingDescriptorOffset + RingDescriptorBytes * archiveType;
    Store(p, ring.Last);
    Store(p + 2, ring.First);
    Store(p + 4, ring.Next);
}

} // namespace device
