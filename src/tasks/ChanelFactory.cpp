#include "tasks/TaskContext.h"

namespace tasks {

// Channels by kind join here as their transports land; until then no kind
// can be made and the task fails with "Ошибка при создании канала".
ChanelPlan DefaultChanelFactory(const RX58ChanelSetup&, platform::UiQueue&) { return {}; }

} // namespace tasks
