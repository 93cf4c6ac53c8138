#include "FuzzInput.h"
#include "persistence/ArchiveFileError.h"
#include "persistence/ArchiveFileReader.h"

#include <cstdio>
#include <fstream>

// The archive file reader on any file content, as each edition reads it.
// A refusal is an ArchiveFileError; anything else escaping is a finding.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path file = fuzz::ScratchFolder() / "input.arch";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    for (const Edition* edition : {&EditionV3, &EditionV2}) {
        RX58Valve read;
        try {
            persistence::ReadArchiveFile(file, *edition, read);
        } catch (const persistence::ArchiveFileError&) {
        }
    }
    return 0;
}
