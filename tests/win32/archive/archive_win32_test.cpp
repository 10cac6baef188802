// The archive core on Windows file semantics: share modes of the open archive
// and of the preview file, targets held by other programs, the read-only
// attribute, and names that differ in letter case only.
#include "tests/native/archive/archive_test_support.h"

#include <windows.h>

namespace kelvo::test {
namespace {

// The error of opening the file as another program would, 0 on success.
DWORD OpenError(const std::string& path, DWORD access, DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE)
{
    HANDLE file = CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    CloseHandle(file);
    return 0;
}

class ArchiveWin32Test : public ArchiveTest {
protected:
    void SetUp() override { ASSERT_TRUE(OpenBytes(BuildArchive(original))); }
    const std::vector<EntrySpec> original = {{"Objects\\Chair.iff", "chair data"}, {"readme.txt", "text"}};
    const DWORD shared = ERROR_SHARING_VIOLATION;
};

TEST_F(ArchiveWin32Test, TheOpenArchiveIsSharedWithNobodyBeforeAndAfterASave)
{
    EXPECT_EQ(OpenError(dir / "in.far", GENERIC_READ), shared);
    archive.SetDeleted(archive.Entries[0], true);
    ASSERT_TRUE(archive.Save(dir / "in.far"));
    EXPECT_EQ(OpenError(dir / "in.far", GENERIC_READ), shared); // the new file, held by the object
    EXPECT_EQ(PreviewAll(archive), std::vector<std::string>{"text"});
    ASSERT_TRUE(archive.Save(dir / "copy.far")); // Save As lets the old file go
    EXPECT_EQ(OpenError(dir / "in.far", GENERIC_READ | GENERIC_WRITE), 0u);
    EXPECT_EQ(OpenError(dir / "copy.far", GENERIC_READ), shared);
    archive.Close();
    EXPECT_EQ(OpenError(dir / "copy.far", GENERIC_READ | GENERIC_WRITE), 0u);
}

TEST_F(ArchiveWin32Test, PreviewFileIsLeftClosedAndDeletedWhenAsked)
{
    const std::string name = archive.TempFileName();
    ASSERT_TRUE(archive.ExtractToTemp(0));
    EXPECT_EQ(OpenError(name, GENERIC_READ | GENERIC_WRITE, 0), 0u); // the viewer can read it, the next preview replace it
    archive.DeleteTempFile();
    EXPECT_EQ(GetFileAttributesA(name.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ArchiveWin32Test, HeldReadOnlyAndSameNamedFilesAreNotReplaced)
{
    // A save target another program holds, or one marked read-only: refused, the archive still usable.
    WriteBytes(dir / "held.far", "held");
    WriteBytes(dir / "ro.far", "read-only");
    ASSERT_TRUE(SetFileAttributesA((dir / "ro.far").c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE other = CreateFileA((dir / "held.far").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(archive.Save(dir / "held.far"));
    CloseHandle(other);
    EXPECT_FALSE(archive.Save(dir / "ro.far"));
    EXPECT_EQ(archive.LastError(), "The file " + (dir / "ro.far") + " is read-only.");
    EXPECT_EQ(ReadBytes(dir / "held.far") + ReadBytes(dir / "ro.far"), "heldread-only");
    EXPECT_EQ(OpenError(dir / "in.far", GENERIC_READ), shared);
    // Extraction leaves a read-only file alone, and an added entry's own file (held while it is read).
    const std::string out = dir.path().string() + "\\Out";
    ASSERT_TRUE(archive.ExtractEntry(archive.Entries[1], out));
    ASSERT_TRUE(SetFileAttributesA((out + "\\readme.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(archive.ExtractEntry(archive.Entries[1], out));
    WriteBytes(dir / "added.txt", "keep me");
    archive.AddFile(dir.path().string() + "\\added.txt");
    EXPECT_FALSE(archive.ExtractEntry(archive.Entries[2], dir.path().string()));
    EXPECT_EQ(ReadBytes(dir / "added.txt"), "keep me");
    SetFileAttributesA((out + "\\readme.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesA((dir / "ro.far").c_str(), FILE_ATTRIBUTE_NORMAL);
    // The archive file itself, under another letter case, is never an extraction's output.
    const std::string bytes = BuildArchive({{"IN.FAR", "not an archive"}});
    ASSERT_TRUE(OpenBytes(bytes));
    EXPECT_FALSE(archive.ExtractEntry(archive.Entries[0], dir.path().string()));
    EXPECT_EQ(archive.LastError(), "The file " + dir.path().string() + "\\IN.FAR is the archive itself.");
    archive.Close();
    EXPECT_EQ(ReadBytes(dir / "in.far"), bytes);
}

} // namespace
} // namespace kelvo::test
