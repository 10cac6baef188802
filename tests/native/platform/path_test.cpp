#include "platform/file.h"
#include "platform/path.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

namespace kelvo::platform {
namespace {

TEST(PathTest, PartsOfAPath)
{
    for (auto [path, name, folder, extension] : {
             std::tuple{"C:\\Mods\\Back.bmp", "Back.bmp", "C:\\Mods\\", ".bmp"},
             {"/tmp/a.b/c", "c", "/tmp/a.b/", ""}, // a dot in a folder is no extension
             {"C:Back.tar.gz", "Back.tar.gz", "C:", ".gz"},
             {"UIGraphics\\Panel/", "", "UIGraphics\\Panel/", ""},
             {".hidden", ".hidden", "", ".hidden"},
             {"a.", "a.", "", "."},
             {"", "", "", ""},
         }) {
        EXPECT_EQ(std::tuple(NamePart(path), FolderPart(path), Extension(path)), std::tuple(name, folder, extension)) << path;
    }
}

// Every temporary name is new, made by an exclusive create, and unguessable: no two alike, no process id in it.
TEST(PathTest, TemporaryNamesAreMadeNewAndUnpredictable)
{
    std::set<std::string> names;
    for (int i = 0; i < 3; ++i) {
        const std::string folder = MakeTempFolder("kelvo-test-");
        ASSERT_TRUE(DirectoryExists(folder));
        EXPECT_EQ(NamePart(folder).substr(0, 11), "kelvo-test-");
        const std::string file = MakeUniqueFile(folder + "\\", "x", ".dat");
        EXPECT_EQ(ReadableFileSize(file), 0);
        EXPECT_EQ(std::string(FolderPart(file)).append(Extension(file)), folder + "\\.dat");
        EXPECT_TRUE(names.insert(folder).second && names.insert(file).second);
        EXPECT_EQ(file.find(std::to_string(ProcessId())), std::string::npos);
        EXPECT_TRUE(RemoveFile(file) && RemoveFolder(folder));
    }
    EXPECT_EQ(MakeUniqueFile("/nonexistent-kelvo-folder/", "x", ".dat"), ""); // a folder that cannot hold files
}

} // namespace
} // namespace kelvo::platform
