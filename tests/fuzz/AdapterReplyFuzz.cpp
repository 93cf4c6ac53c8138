#include "ScriptedSocket.h"
#include "channels/ChanelTypes.h"
#include "channels/MoxaActions.h"
#include "channels/SocketLibrary.h"

#include <cstdlib>
#include <memory>
#include <stdexcept>

// A network serial adapter answering with whatever the input holds: the
// first byte tells how many of the pieces that follow are the command
// connection's replies (to the speed and the control-line commands), the
// rest are the data connection's, read by up to four transfers of a
// request frame. Failures are the actions' runtime errors; a reply never
// fills more than the channel's data area.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static channels::SocketLibraryScope library;
    fuzz::Input input(data, size);
    const int commandPieces = input.Byte() & 3;
    auto command = std::make_unique<fuzz::ScriptedSocket>();
    auto line = std::make_unique<fuzz::ScriptedSocket>();
    for (int i = 0; i < commandPieces; ++i)
        command->Add(input.Piece());
    while (!input.Empty())
        line->Add(input.Piece());

    TMoxaPort port;
    port.Adopt(std::move(line), std::move(command));
    try {
        channels::MoxaCheck(port.SetBaudRate(19200));
        channels::MoxaCheck(port.SetLines(true, false));
    } catch (const std::runtime_error&) {
    }
    static ChanelCommonStruct request;
    static constexpr std::uint8_t frame[] = {0x00, 0x11, 0xC0, 0x2C};
    for (int transfer = 0; transfer < 4; ++transfer) {
        request.TxLength = sizeof frame;
        std::copy(std::begin(frame), std::end(frame), request.TxData);
        try {
            channels::MoxaTransferAction(port, request, {});
        } catch (const std::runtime_error&) {
        }
        if (request.RxLength > ChanelDataSize)
            std::abort();
    }
    return 0;
}
