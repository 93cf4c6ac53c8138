#include "channels/ModemActions.h"

#include "channels/ChanelTexts.h"
#include "channels/PortRequest.h"
#include "channels/TtapiCallState.h"
#include "channels/comprt/ComPortList.h"
#include "protocol/Crc16.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>

namespace channels {

namespace {

// What a modem says when the call drops while it still hands bytes on: a
// line without carrier detect learns of the end only this way.
bool IsNoCarrier(const ChanelCommonStruct& request) {
    const std::size_t length = std::min<std::size_t>(request.RxLength, ChanelDataSize);
    if (length >= 4 && Crc16Matches(request.RxData, length)) {
        return false; // a frame, whatever bytes it carries
    }
    const std::string_view reply(reinterpret_cast<const char*>(request.RxData), length);
    return reply.find("NO CARRIER") != std::string_view::npos;
}

} // namespace

ModemActions::ModemActions() : Serial(LineCut, ComPortList()) {}

ModemActions::~ModemActions() = default;

bool ModemActions::Performs(std::int32_t kind) const {
    return Serial.Performs(kind);
}

void ModemActions::Perform(std::int32_t kind, ChanelCommonStruct& request, TChanelThread& worker) {
    switch (kind) {
    case rkAttach:
        Attach(request, worker);
        break;
    case rkClose:
        Close(request, worker);
        break;
    case rkTransfer:
    case rkTransferQuiet:
        Transfer(kind, request, worker);
        break;
    default:
        Serial.Perform(kind, request, worker);
        break;
    }
}

void ModemActions::Offer(DataLease lease) {
    std::lock_guard lock(Lock);
    Offers.push_back({std::move(lease), Cuts.load()});
}

void ModemActions::Withdraw() {
    std::lock_guard lock(Lock);
    if (!Offers.empty()) {
        Offers.pop_back();
    }
}

void ModemActions::Cut() {
    Cuts.fetch_add(1);
    LineCut.Cancel();
}

void ModemActions::Attach(ChanelCommonStruct& request, TChanelThread& worker) {
    // A new call: the cuts of the calls before it are over.
    LineCut.Reset();
    Offered offered;
    {
        std::lock_guard lock(Lock);
        if (!Offers.empty()) {
            offered = std::move(Offers.front());
            Offers.pop_front();
        }
    }
    const PortRequest fields = LoadPortRequest(request);
    if (!offered.Lease || offered.Lease.Fd() != fields.CommHandle) {
        throw std::runtime_error(text::BadPortHandle);
    }
    // A cut since the offer means the call ended before its line came here.
    const auto cut = [&] { return Cuts.load() != offered.CutsBefore; };
    if (cut()) {
        LineCut.Cancel();
        throw std::runtime_error(text::Cancelled);
    }
    Current = std::move(offered.Lease);
    try {
        Serial.Perform(rkAttach, request, worker);
        if (cut()) {
            throw std::runtime_error(text::Cancelled);
        }
    } catch (...) {
        Serial.Perform(rkClose, request, worker);
        Current.Release();
        throw;
    }
}

void ModemActions::Close(ChanelCommonStruct& request, TChanelThread& worker) {
    Serial.Perform(rkClose, request, worker);
    Current.Release(); // the call may hang up now
}

void ModemActions::Transfer(std::int32_t kind, ChanelCommonStruct& request, TChanelThread& worker) {
    Serial.Perform(kind, request, worker);
    if (IsNoCarrier(request)) {
        worker.Notify().Post(platform::WmUser + 2, 0);
        throw std::runtime_error(CallStateText(CallState::Disconnected));
    }
}

} // namespace channels
