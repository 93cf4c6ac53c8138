#include "FuzzInput.h"
#include "persistence/RegistryText.h"

#include <cstdlib>
#include <string_view>

// The settings-store parser on any file text. What it keeps must survive
// being written and read again unchanged (the store rewrites the file from
// the document), and every typed read of every kept value must answer.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const persistence::RegistryDocument document = persistence::ParseRegistryText(text);
    const std::string written = persistence::FormatRegistryText(document);
    if (!(persistence::ParseRegistryText(written) == document))
        std::abort(); // the store would change what it stores by storing it

    for (const persistence::RegistryKey& key : document.Keys()) {
        document.HasKey(key.Name);
        document.SubkeyNames(key.Name);
        for (const auto& [name, value] : key.Values) {
            (void)value;
            document.GetDword(key.Name, name);
            document.GetString(key.Name, name);
            document.GetExpandString(key.Name, name);
            document.GetBinary(key.Name, name);
        }
    }
    return 0;
}
