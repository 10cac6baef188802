// The archive core on Windows: share modes of the open archive, the preview
// file's folder, saving over a file that is held open, and extraction into folders.
#include "tests/native/archive/archive_test_support.h"

#include <windows.h>

#include <memory>

namespace kelvo::test {
namespace {

// A file opened the way another program would open it, closed with the test.
using RawHandle = std::unique_ptr<void, decltype(&CloseHandle)>;
RawHandle OpenAs(const std::string& path, DWORD access, DWORD share)
{
    return {CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr), CloseHandle};
}

// The error of such an open, 0 on success.
DWORD OpenError(const std::string& path, DWORD access, DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE)
{
    return OpenAs(path, access, share).get() != INVALID_HANDLE_VALUE ? 0 : GetLastError();
}

class ArchiveWin32Test : public ArchiveTest {
protected:
    void SetUp() override { ASSERT_TRUE(OpenBytes(BuildArchive(original))); }
    std::string in() const { return dir / "in.far"; }

    const std::vector<EntrySpec> original = {{"Objects\\Chair.iff", "chair data"}, {"Sub\\Deep\\pic.bmp", "BM...."},
                                             {"readme.txt", "text"}};
};

TEST_F(ArchiveWin32Test, OpenArchiveIsSharedWithNobody)
{
    EXPECT_EQ(OpenError(in(), GENERIC_WRITE), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(OpenError(in(), GENERIC_READ), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    archive.Close();
    EXPECT_EQ(OpenError(in(), GENERIC_READ | GENERIC_WRITE), 0u);
}

TEST_F(ArchiveWin32Test, PreviewFileIsInTheTempFolder)
{
    char folder[MAX_PATH + 1];
    DWORD length = GetTempPathA(sizeof folder, folder);
    ASSERT_GT(length, 0u);
    // A name of its own that another program cannot guess.
    const std::string expected = archive.TempFileName();
    EXPECT_EQ(expected.substr(0, length + 6), std::string(folder, length) + "kelvo-");
    EXPECT_EQ(expected.find(std::to_string(GetCurrentProcessId())), std::string::npos);
    ASSERT_TRUE(archive.ExtractToTemp(0));
    EXPECT_EQ(ReadBytes(expected), "chair data");
    // Closed after use, so the preview can read it and the next one replace it.
    EXPECT_EQ(OpenError(expected, GENERIC_READ | GENERIC_WRITE, 0), 0u);
    ASSERT_TRUE(archive.ExtractToTemp(2));
    EXPECT_EQ(ReadBytes(expected), "text");
    archive.DeleteTempFile();
    EXPECT_EQ(GetFileAttributesA(expected.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ArchiveWin32Test, SaveOverTheOpenArchive)
{
    archive.SetDeleted(archive.Entries[1], true);
    WriteBytes(dir / "added.txt", "added");
    archive.AddFile(dir.path().string() + "\\added.txt");
    ASSERT_TRUE(archive.Save(in()));
    EXPECT_EQ(dir.Contents(), (std::set<std::string>{"in.far", "added.txt"}));
    // The object holds the new file, locked, and reads from it.
    EXPECT_EQ(OpenError(in(), GENERIC_READ), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(PreviewAll(archive), (std::vector<std::string>{"chair data", "text", "added"}));
    EXPECT_EQ(archive.Entries[1].FileOffset, 16u + 10);
    archive.Close();
    EXPECT_EQ(ReadBytes(dir.path() / "in.far"),
              BuildArchive({original[0], original[2], {dir.path().string() + "\\added.txt", "added"}}));
}

TEST_F(ArchiveWin32Test, SaveAsANewName)
{
    ASSERT_TRUE(archive.Save(dir / "copy.far"));
    EXPECT_EQ(archive.FileName, dir / "copy.far");
    EXPECT_EQ(OpenError(in(), GENERIC_READ | GENERIC_WRITE), 0u);
    EXPECT_EQ(OpenError(dir / "copy.far", GENERIC_READ), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(PreviewAll(archive), (std::vector<std::string>{"chair data", "BM....", "text"}));
    archive.Close();
    EXPECT_EQ(ReadBytes(dir.path() / "copy.far"), BuildArchive(original));
}

TEST_F(ArchiveWin32Test, TargetHeldByAnotherProgramKeepsTheArchiveUsable)
{
    WriteBytes(dir / "held.far", "held");
    {
        const RawHandle other = OpenAs(dir / "held.far", GENERIC_READ, 0);
        ASSERT_NE(other.get(), INVALID_HANDLE_VALUE);
        EXPECT_FALSE(archive.Save(dir / "held.far"));
    }
    EXPECT_EQ(ReadBytes(dir.path() / "held.far"), "held");
    EXPECT_EQ(dir.Contents(), (std::set<std::string>{"in.far", "held.far"}));
    EXPECT_EQ(archive.FileName, in());
    EXPECT_EQ(OpenError(in(), GENERIC_READ), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(PreviewAll(archive), (std::vector<std::string>{"chair data", "BM....", "text"}));
}

TEST_F(ArchiveWin32Test, ExtractionCreatesNestedFolders)
{
    const std::string out = dir.path().string() + "\\Out";
    for (const TFarEntry& e : archive.Entries)
        EXPECT_TRUE(archive.ExtractEntry(e, out)) << e.Name;
    EXPECT_EQ(ReadBytes(out + "\\Objects\\Chair.iff"), "chair data");
    EXPECT_EQ(ReadBytes(out + "\\Sub\\Deep\\pic.bmp"), "BM....");
    EXPECT_TRUE(archive.ExtractEntry(archive.Entries[2], out + "\\"));
    EXPECT_EQ(ReadBytes(out + "\\readme.txt"), "text");

    // An added entry lands under its file name; onto itself (held open while
    // it is read) it fails and leaves the file whole.
    WriteBytes(dir / "added.txt", "keep me");
    archive.AddFile(dir.path().string() + "\\added.txt");
    EXPECT_TRUE(archive.ExtractEntry(archive.Entries[3], out));
    EXPECT_EQ(ReadBytes(out + "\\added.txt"), "keep me");
    EXPECT_FALSE(archive.ExtractEntry(archive.Entries[3], dir.path().string()));
    EXPECT_EQ(ReadBytes(dir.path() / "added.txt"), "keep me");
}

TEST_F(ArchiveWin32Test, ReadOnlyFilesAndFailedExtractionsKeepTheUsersFiles)
{
    // A read-only archive is not replaced by a save.
    WriteBytes(dir / "ro.far", "read-only");
    ASSERT_TRUE(SetFileAttributesA((dir / "ro.far").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(archive.Save(dir / "ro.far"));
    EXPECT_EQ(archive.LastError(), "The file " + (dir / "ro.far") + " is read-only.");
    EXPECT_EQ(ReadBytes(dir / "ro.far"), "read-only");

    // An existing file is replaced only by a complete one: data that runs
    // past the end of the archive leaves it as it was, and no other file.
    ASSERT_TRUE(OpenBytes(BuildRaw("FAR!byAZ", 1, "text", 2, {{100000, 100000, 76, "readme.txt"}, {4, 4, 16, "readme.txt"}})));
    const std::string out = dir.path().string() + "\\Out";
    CreateDirectoryA(out.c_str(), nullptr);
    WriteBytes(out + "\\readme.txt", "the user's own");
    EXPECT_FALSE(archive.ExtractEntry(archive.Entries[0], out));
    EXPECT_EQ(archive.LastError(), "The data of entry readme.txt runs past the end of its file.");
    EXPECT_EQ(ReadBytes(out + "\\readme.txt"), "the user's own");
    EXPECT_TRUE(archive.ExtractEntry(archive.Entries[1], out));
    EXPECT_EQ(ReadBytes(out + "\\readme.txt"), "text");
    // A read-only file in the folder is left alone too.
    WriteBytes(out + "\\readme.txt", "read-only too");
    ASSERT_TRUE(SetFileAttributesA((out + "\\readme.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(archive.ExtractEntry(archive.Entries[1], out));
    EXPECT_EQ(ReadBytes(out + "\\readme.txt"), "read-only too");
    SetFileAttributesA((out + "\\readme.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesA((dir / "ro.far").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(dir.Contents(), (std::set<std::string>{"in.far", "ro.far", "Out", "Out/readme.txt"}));

    // The archive file itself is never an extraction's output.
    const std::string bytes = BuildArchive({{"IN.FAR", "not an archive"}});
    ASSERT_TRUE(OpenBytes(bytes));
    EXPECT_FALSE(archive.ExtractEntry(archive.Entries[0], dir.path().string()));
    EXPECT_EQ(archive.LastError(), "The file " + dir.path().string() + "\\IN.FAR is the archive itself.");
    archive.Close();
    EXPECT_EQ(ReadBytes(in()), bytes);
}

} // namespace
} // namespace kelvo::test
