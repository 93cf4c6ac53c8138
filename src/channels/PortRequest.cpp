#include "channels/PortRequest.h"

#include <cstring>
#include <type_traits>

namespace channels {

static_assert(std::is_trivially_copyable_v<PortRequest>);

void PortRequest::SetPortName(std::string_view name) {
    std::memset(PortName, 0, sizeof PortName);
    NameTooLong = name.size() > MaxNameLength;
    if (!NameTooLong) {
        std::memcpy(PortName, name.data(), name.size());
    }
}

std::string PortRequest::GetPortName() const {
    return std::string(PortName, strnlen(PortName, sizeof PortName));
}

void StorePortRequest(ChanelCommonStruct& request, const PortRequest& fields) {
    std::memcpy(request.TxData, &fields, sizeof fields);
    request.TxLength = 0;
}

PortRequest LoadPortRequest(const ChanelCommonStruct& request) {
    PortRequest fields;
    std::memcpy(&fields, request.TxData, sizeof fields);
    return fields;
}

} // namespace channels
