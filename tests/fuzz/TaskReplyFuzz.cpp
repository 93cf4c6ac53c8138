#include "TaskDrive.h"

// Any replies, in any step of any task of either edition (see TaskDrive.h).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    fuzz::TaskRun run = fuzz::TaskRunOf(input);
    fuzz::RunTask(run);
    return 0;
}
