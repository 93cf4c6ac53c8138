#include "persistence/SettingsStore.h"

#include "ChildProcess.h"
#include "TempFolder.h"
#include "persistence/RegistryText.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace persistence;

namespace {

const char* const Key = "\\Software\\Veldrin\\RX58Manager\\Test";

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

bool Increment(const SettingsStore& store, const std::string& own, int i) {
    return store.Update([&](RegistryDocument& d) {
        d.Set(Key, "Counter", RegistryValue::MakeDword(d.GetDword(Key, "Counter").value_or(0) + 1));
        d.Set(Key, own, RegistryValue::MakeDword(static_cast<std::uint32_t>(i)));
    });
}

TEST(SettingsStore, LocationFollowsTheEnvironment) {
    {
        ScopedEnv dir(ConfigDirVariable, "/tmp/rx58-private");
        EXPECT_EQ(SettingsStore::ForCurrentUser().File(), "/tmp/rx58-private/RX58Manager.reg");
    }
    ScopedEnv dir(ConfigDirVariable, nullptr);
    ScopedEnv home("HOME", "/home/tester");
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "/xdg");
        EXPECT_EQ(SettingsStore::ForCurrentUser().File(), "/xdg/Veldrin/RX58Manager.reg");
    }
    for (const char* unusable : {static_cast<const char*>(nullptr), "", "relative/dir"}) {
        ScopedEnv xdg("XDG_CONFIG_HOME", unusable);
        EXPECT_EQ(SettingsStore::ForCurrentUser().File(),
                  "/home/tester/.config/Veldrin/RX58Manager.reg");
    }
}

TEST(SettingsStore, StoringKeepsWhatOtherVersionsWrote) {
    TempFolder folder;
    const std::string foreign = "Windows Registry Editor Version 5.00\n\n"
                                "[HKEY_CURRENT_USER\\Software\\Veldrin\\RX58Manager\\FutureKey]\n"
                                "\"Lines\"=hex(7):41,00,00,00,42,00,00,00,00,00\n"
                                "\"Wide\"=hex(b):01,02,03,04,05,06,07,08\n\n"
                                "[HKEY_CURRENT_USER\\Software\\Veldrin\\RX58Manager\\Test]\n"
                                "\"Unknown\"=\"Значение\"\n\n";
    WriteWholeFile(folder / "s.reg", foreign);
    const SettingsStore store(folder / "s.reg");
    const RegistryDocument before = store.Read();
    ASSERT_EQ(before.Keys().size(), 2u);

    ASSERT_TRUE(
        store.Update([](RegistryDocument& d) { d.Set(Key, "Mine", RegistryValue::MakeDword(1)); }));

    RegistryDocument expected = before;
    expected.Set(Key, "Mine", RegistryValue::MakeDword(1));
    EXPECT_EQ(store.Read(), expected);
}

TEST(SettingsStore, AStoreRepairsADamagedFile) {
    TempFolder folder;
    WriteWholeFile(folder / "s.reg", "[HKEY_CURRENT_USER\\Software\\Veldrin\\RX58Manager\\Test]\n"
                                     "\"Kept\"=dword:00000003\n"
                                     "\x01\x02 junk \"=\n"
                                     "\"Broken\"=dword:zz\n"
                                     "\"Cut\"=\"half wr");
    const SettingsStore store(folder / "s.reg");
    ASSERT_TRUE(store.Update(
        [](RegistryDocument& d) { d.Set(Key, "New", RegistryValue::MakeString("x")); }));
    const RegistryDocument d = store.Read();
    EXPECT_EQ(d.ValueNames(Key), (std::vector<std::string>{"Kept", "New"}));
    EXPECT_EQ(ReadWholeFile(folder / "s.reg"), FormatRegistryText(d))
        << "nothing of the damage is left in the file";
}

TEST(SettingsStore, AStoreThatChangesNothingLeavesTheFileAlone) {
    TempFolder folder;
    const SettingsStore store(folder / "s.reg");
    auto set = [](RegistryDocument& d) { d.Set(Key, "A", RegistryValue::MakeDword(1)); };
    ASSERT_TRUE(store.Update(set));
    struct stat first {
    }, second{};
    ASSERT_EQ(::stat(store.File().c_str(), &first), 0);
    ASSERT_TRUE(store.Update(set));
    ASSERT_EQ(::stat(store.File().c_str(), &second), 0);
    EXPECT_EQ(first.st_ino, second.st_ino);
}

TEST(SettingsStore, WritesAreAtomicAndLeaveNoTemporaryFiles) {
    TempFolder folder;
    const SettingsStore store(folder / "sub" / "dir" / "s.reg");
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(Increment(store, "Own", i));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "sub" / "dir"))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"s.reg", "s.reg.lock"}));
    struct stat info {};
    ASSERT_EQ(::stat(store.File().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "phone numbers are nobody else's business";
}

TEST(SettingsStore, AnUnreachableFolderReadsEmptyAndRefusesStores) {
    TempFolder folder;
    WriteWholeFile(folder / "plain-file", "x");
    const SettingsStore store(folder / "plain-file" / "s.reg");
    EXPECT_TRUE(store.Read().Keys().empty());
    EXPECT_FALSE(store.Update([](RegistryDocument& d) { d.CreateKey(Key); }));
}

TEST(SettingsStore, AStuckLockHolderMakesAStoreGiveUpInsteadOfHanging) {
    TempFolder folder;
    const SettingsStore store(folder / "s.reg");
    ASSERT_TRUE(store.Update([](RegistryDocument& d) { d.CreateKey(Key); }));
    const std::string before = ReadWholeFile(store.File());
    const int held = ::open(store.LockFile().c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    EXPECT_FALSE(
        store.Update([](RegistryDocument& d) { d.Set(Key, "A", RegistryValue::MakeDword(1)); }));
    ::close(held);
    EXPECT_EQ(ReadWholeFile(store.File()), before);
}

// Each thread counts up a shared value by read-modify-write; a lost update
// would show as a lower count. Readers meanwhile must always see a whole
// file: the marker written first is never missing.
TEST(SettingsStore, ThreadsStoringAtOnceLoseNothing) {
    TempFolder folder;
    const SettingsStore store(folder / "s.reg");
    ASSERT_TRUE(store.Update(
        [](RegistryDocument& d) { d.Set(Key, "Marker", RegistryValue::MakeString("present")); }));
    constexpr int Threads = 4, Rounds = 40;
    std::atomic<bool> writing{true};
    std::atomic<int> failures{0}, tornReads{0};
    std::thread reader([&] {
        for (int i = 0; i < 100000 && writing.load(); ++i)
            if (store.Read().GetString(Key, "Marker") != "present")
                ++tornReads;
    });
    std::vector<std::thread> writers;
    for (int t = 0; t < Threads; ++t)
        writers.emplace_back([&, t] {
            for (int i = 0; i < Rounds; ++i)
                if (!Increment(store, "Thread" + std::to_string(t), i))
                    ++failures;
        });
    for (auto& w : writers)
        w.join();
    writing = false;
    reader.join();

    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(tornReads.load(), 0);
    const RegistryDocument d = store.Read();
    EXPECT_EQ(d.GetDword(Key, "Counter"), static_cast<std::uint32_t>(Threads * Rounds));
    for (int t = 0; t < Threads; ++t)
        EXPECT_EQ(d.GetDword(Key, "Thread" + std::to_string(t)), Rounds - 1u);
}

TEST(SettingsStore, ProcessesStoringAtOnceLoseNothing) {
    TempFolder folder;
    const SettingsStore store(folder / "s.reg");
    constexpr int Processes = 3, Rounds = 30;
    std::vector<std::unique_ptr<ChildProcess>> children;
    for (int p = 0; p < Processes; ++p)
        children.push_back(std::make_unique<ChildProcess>(
            [&store, p] {
                for (int i = 0; i < Rounds; ++i)
                    if (!Increment(store, "Process" + std::to_string(p), i))
                        return std::string("a store failed");
                return std::string();
            },
            false));
    for (auto& child : children)
        child->Go();
    std::vector<std::string> reports;
    for (auto& child : children)
        reports.push_back(child->Wait());
    for (const auto& report : reports)
        EXPECT_EQ(report, "");
    const RegistryDocument d = store.Read();
    EXPECT_EQ(d.GetDword(Key, "Counter"), static_cast<std::uint32_t>(Processes * Rounds));
    for (int p = 0; p < Processes; ++p)
        EXPECT_EQ(d.GetDword(Key, "Process" + std::to_string(p)), Rounds - 1u);
}

} // namespace
