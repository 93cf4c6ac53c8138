#include "channels/MoxaRequest.h"

#include <cstring>
#include <type_traits>

namespace channels {

static_assert(std::is_trivially_copyable_v<MoxaRequest>);

void MoxaRequest::SetAdapterHost(std::string_view host) {
    std::memset(AdapterHost, 0, sizeof AdapterHost);
    HostTooLong = host.size() > MaxHostLength;
    if (!HostTooLong)
        std::memcpy(AdapterHost, host.data(), host.size());
}

std::string MoxaRequest::GetAdapterHost() const {
    return std::string(AdapterHost, strnlen(AdapterHost, sizeof AdapterHost));
}

void StoreMoxaRequest(ChanelCommonStruct& request, const MoxaRequest& fields) {
    std::memcpy(request.TxData, &fields, sizeof fields);
    request.TxLength = 0;
}

MoxaRequest LoadMoxaRequest(const ChanelCommonStruct& request) {
    MoxaRequest fields;
    std::memcpy(&fields, request.TxData, sizeof fields);
    return fields;
}

} // namespace channels
