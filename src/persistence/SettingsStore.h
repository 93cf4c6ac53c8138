#pragma once

#include "persistence/RegistryDocument.h"

#include <filesystem>
#include <functional>

namespace persistence {

// The per-user settings store that stands in for the registry: one text
// file in registry-export syntax, shared by both editions. Reads take the
// file as it is (a missing or damaged file reads as missing values); every
// change is a read-modify-write under an advisory lock on a lock file
// beside it, and replaces the file atomically, so concurrent writers from
// any process or thread lose nothing and readers never see half a file.
// Holds only its path: copies are cheap and any thread may use one.
class SettingsStore {
public:
    explicit SettingsStore(std::filesystem::path file);

    // The current user's store: $RX58_CONFIG_DIR/RX58Manager.reg when that
    // variable is set (tests, the demo and scripts point it elsewhere),
    // otherwise $XDG_CONFIG_HOME/Veldrin/RX58Manager.reg, ~/.config when
    // XDG_CONFIG_HOME is unset or not absolute.
    static SettingsStore ForCurrentUser();

    const std::filesystem::path& File() const { return file_; }
    std::filesystem::path LockFile() const;

    RegistryDocument Read() const;

    // Applies `change` to the stored document and stores the result; the
    // file is rewritten only when its text changes (a damaged file is
    // rewritten clean). False when the store cannot be locked or written,
    // the file then stays as it was.
    bool Update(const std::function<void(RegistryDocument&)>& change) const;

private:
    std::filesystem::path file_;
};

inline constexpr const char* ConfigDirVariable = "RX58_CONFIG_DIR";
inline constexpr const char* StoreFileName = "RX58Manager.reg";

} // namespace persistence
