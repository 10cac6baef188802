// Entry names (Windows-1252) and the system's names (UTF-8 here).
#include "cli/far_names.h"

#include "tests/native/cli/test_support.h"

namespace kelvo::cli {
namespace {

using namespace kelvo::test;
namespace fs = std::filesystem;

TEST(Names, EveryByteBecomesOneCharacterAndComesBack)
{
    std::string all;
    std::set<std::string> forms;
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const std::string form = SystemName(byte);
        EXPECT_EQ(EntryName(form), byte) << b;
        forms.insert(form);
        all += byte;
    }
    EXPECT_EQ(forms.size(), 256u);
    EXPECT_EQ(EntryName(SystemName(all)), all);
    EXPECT_EQ(SystemName("Caf\xe9"), "Caf\xc3\xa9");
    // The euro sign, an unassigned byte (its C1 control) and the last of the block.
    EXPECT_EQ(SystemName("\x80\x81\x9f"), "\xe2\x82\xac\xc2\x81\xc5\xb8");

    // Not in the code page, malformed, overlong, a surrogate, beyond the first plane.
    for (const char* text : {"\xe6\x97\xa5", "\xe9", "Caf\xc3", "\xc0\xaf", "\xe0\x80\xaf", "\xed\xa0\x80",
                             "\xf0\x9f\x98\x80", "\xc3\xa9\xff", "\xc2\xa9\x80"})
        EXPECT_FALSE(EntryName(text)) << text;
}

TEST(Names, ListAndExtractWriteUtf8AndCreateFromTheTreeGivesTheSameArchive)
{
    ScratchFolder scratch;
    // Every byte but the separators in a name of the top folder (files come
    // first, in byte order, as create walks them), then a folder's file.
    std::vector<EntrySpec> entries;
    for (int b = 1; b < 256; ++b) {
        // Not the separators, nor what Windows refuses or drops at the end.
        if (b >= 0x20 && std::string_view("/\\:<>\"|?*. ").find(static_cast<char>(b)) == std::string_view::npos)
            entries.push_back({"x" + std::string(1, static_cast<char>(b)), std::to_string(b)});
    }
    entries.push_back({"\xc9t\xe9\\Caf\xe9.txt", "caf\xe9"});
    const std::string archive = BuildArchive(entries);
    WriteFile("a.far", archive);

    const Output list = Far({"list", "a.far"});
    EXPECT_EQ(list.code, 0);
    EXPECT_NE(list.out.find("\t\xc3\x89t\xc3\xa9\\Caf\xc3\xa9.txt\n"), std::string::npos);
    EXPECT_NE(list.out.find("\tx\xe2\x82\xac\n"), std::string::npos);

    ASSERT_EQ(Far({"extract", "a.far", "t"}).code, 0);
    EXPECT_EQ(ReadBytes("t/\xc3\x89t\xc3\xa9/Caf\xc3\xa9.txt"), "caf\xe9");
    EXPECT_EQ(ReadBytes("t/x\xc2\x81"), "129");
    fs::current_path("t");
    const Output create = Far({"create", "../b.far", "."});
    fs::current_path("..");
    ASSERT_EQ(create.code, 0) << create.err;
    EXPECT_EQ(ReadBytes("b.far"), archive);

    // Names on the command line are UTF-8 too.
    ASSERT_EQ(Far({"extract", "a.far", "one", "\xc3\x89t\xc3\xa9\\Caf\xc3\xa9.txt"}).code, 0);
    EXPECT_EQ(ReadBytes("one/\xc3\x89t\xc3\xa9/Caf\xc3\xa9.txt"), "caf\xe9");
    ASSERT_EQ(Far({"delete", "b.far", "x\xe2\x82\xac"}).code, 0);
    EXPECT_EQ(Far({"list", "b.far"}).out.find("x\xe2\x82\xac"), std::string::npos);
}

TEST(Names, ANameWithoutAWindows1252FormIsRefusedAndNothingIsWritten)
{
    ScratchFolder scratch;
    WriteFile("ok.txt", "ok");
    ASSERT_EQ(Far({"create", "a.far", "ok.txt"}).code, 0);
    const std::string before = ReadBytes("a.far");
    WriteFile("cjk/ok.txt", "ok");
    WriteFile("cjk/\xe6\x97\xa5.txt", "sun");
    WriteFile("latin1/\xe9.txt", "e");
    const std::string refused = "kelvo-far: name not valid UTF-8 or without a Windows-1252 form: ";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"create", "new.far", "cjk"}, refused + "cjk\\\xe6\x97\xa5.txt\n"},
        {{"create", "new.far", "latin1/\xe9.txt"}, refused + "latin1\\\xe9.txt\n"},
        {{"add", "a.far", "ok.txt", "latin1"}, refused + "latin1\\\xe9.txt\n"},
        {{"extract", "a.far", "out", "\xe6\x97\xa5.txt"}, refused + "\xe6\x97\xa5.txt\n"},
        {{"delete", "a.far", "\xe9"}, refused + "\xe9\n"},
    };
    for (const auto& [args, message] : cases) {
        const Output r = Far(args);
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err, message);
    }
    EXPECT_FALSE(fs::exists("new.far"));
    EXPECT_FALSE(fs::exists("out"));
    EXPECT_EQ(ReadBytes("a.far"), before);
}

} // namespace
} // namespace kelvo::cli
