#include "MeteredRead.h"

#include "protocol/Modbus.h"

namespace bench {

bool MeteredChanel::SendPacket(const std::uint8_t* data, int length, std::int32_t id, bool quiet) {
    Exchange e;
    e.Sent = e.Replied = Clock::now();
    e.RequestBytes = length;
    e.Function = length > 1 ? data[1] : 0;
    e.ArchiveType = length > 2 && e.Function == mfReadArchivePage ? data[2] : 0;
    log_.Exchanges.push_back(e);
    return TComPortQueueIDChanel::SendPacket(data, length, id, quiet);
}

void MeterChanels(tasks::TaskContext& context, ExchangeLog& log) {
    context.makeChanel = [&log](const RX58ChanelSetup& setup, platform::UiQueue& ui) {
        // The default plan opens the port as every task does; only the
        // channel object is swapped for the metered one.
        tasks::ChanelPlan plan = tasks::DefaultChanelFactory(setup, ui);
        if (plan.Chanel)
            plan.Chanel = std::make_unique<MeteredChanel>(ui, log);
        return plan;
    };
}

} // namespace bench
