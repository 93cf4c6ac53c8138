#include "persistence/AtomicFile.h"

#include "FileSizeLimit.h"
#include "TempFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <vector>

using namespace persistence;

namespace {

std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

TEST(AtomicFileWriter, ReplacesTheTargetOnlyOnCommit) {
    TempFolder folder;
    const auto target = folder / "data.bin";
    WriteWholeFile(target, "old contents");
    AtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(target));
    ASSERT_TRUE(writer.Write("new", 3));
    EXPECT_EQ(ReadWholeFile(target), "old contents") << "nothing shows before the commit";
    ASSERT_TRUE(writer.Commit());
    EXPECT_EQ(ReadWholeFile(target), "new");
    EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{"data.bin"});
}

TEST(AtomicFileWriter, AWriteThatFailsMidwayLeavesTheOldFileWhole) {
    TempFolder folder;
    const auto target = folder / "data.bin";
    const std::string old(100000, 'o');
    WriteWholeFile(target, old);
    const std::vector<char> chunk(40000, 'n');
    int error = 0;
    {
        FileSizeLimit limit(50000);
        AtomicFileWriter writer;
        ASSERT_TRUE(writer.Open(target));
        bool ok = true;
        for (int i = 0; i < 5 && ok; ++i)
            ok = writer.Write(chunk.data(), chunk.size());
        ok = ok && writer.Commit();
        EXPECT_FALSE(ok);
        error = writer.Error();
    }
    EXPECT_EQ(error, EFBIG);
    EXPECT_EQ(ReadWholeFile(target), old);
    EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{"data.bin"})
        << "the temporary file is removed";
}

TEST(AtomicFileWriter, AnAbandonedWriteLeavesNothingBehind) {
    TempFolder folder;
    {
        AtomicFileWriter writer;
        ASSERT_TRUE(writer.Open(folder / "new.bin"));
        ASSERT_TRUE(writer.Write("x", 1));
    }
    EXPECT_TRUE(FolderEntries(folder.Path()).empty());
}

TEST(AtomicFileWriter, KeepsPermissionsAndWritesThroughALink) {
    TempFolder folder;
    const auto real = folder / "real.arch";
    WriteWholeFile(real, "old");
    ::chmod(real.c_str(), 0640);
    std::filesystem::create_symlink(real, folder / "link.arch");
    AtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(folder / "link.arch"));
    ASSERT_TRUE(writer.Write("new", 3));
    ASSERT_TRUE(writer.Commit());
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.arch"));
    EXPECT_EQ(ReadWholeFile(real), "new");
    struct stat info {};
    ASSERT_EQ(::stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(AtomicFileWriter, AMissingFolderIsAnError) {
    TempFolder folder;
    AtomicFileWriter writer;
    EXPECT_FALSE(writer.Open(folder / "no" / "such" / "file"));
    EXPECT_EQ(writer.Error(), ENOENT);
    EXPECT_FALSE(writer.Write("x", 1));
    EXPECT_FALSE(writer.Commit());
}

} // namespace
