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
        EXPECT_EQ(EntryName(SystemName(byte)), byte) << b;
        forms.insert(SystemName(byte));
        all += byte;
    }
    EXPECT_EQ(forms.size(), 256u);
    EXPECT_EQ(EntryName(SystemName(all)), all);
    // The euro sign, an unassigned byte (its C1 control), the last of the block, a Latin-1 letter.
    EXPECT_EQ(SystemName("\x80\x81\x9f\xe9"), "\xe2\x82\xac\xc2\x81\xc5\xb8\xc3\xa9");
    // Not in the code page, malformed, overlong, a surrogate, beyond the first plane.
    for (const char* text : {"\xe6\x97\xa5", "\xe9", "Caf\xc3", "\xc0\xaf", "\xe0\x80\xaf", "\xed\xa0\x80",
                             "\xf0\x9f\x98\x80", "\xc3\xa9\xff", "\xc2\xa9\x80"})
        EXPECT_FALSE(EntryName(text)) << text;
}

TEST(Names, ListAndExtractWriteUtf8AndCreateFromTheTreeGivesTheSameArchive)
{
    ScratchFolder scratch;
    // Every byte but the separators and what Windows refuses or drops at the end, in names of the top folder
    // (files come first, in byte order, as create walks them), then a folder's file.
    std::vector<EntrySpec> entries;
    for (int b = 0x20; b < 256; ++b)
        if (std::string_view("/\\:<>\"|?*. ").find(static_cast<char>(b)) == std::string_view::npos)
            entries.push_back({"x" + std::string(1, static_cast<char>(b)), std::to_string(b)});
    entries.push_back({"\xc9t\xe9\\Caf\xe9.txt", "caf\xe9"});
    const std::string archive = BuildArchive(entries);
    WriteFile("a.far", archive);
    const Output list = Far({"list", "a.far"});
    EXPECT_NE(list.out.find("\t\xc3\x89t\xc3\xa9\\Caf\xc3\xa9.txt\n"), std::string::npos);
    EXPECT_NE(list.out.find("\tx\xe2\x82\xac\n"), std::string::npos);
    ASSERT_EQ(Far({"extract", "a.far", "t"}).code, 0);
    EXPECT_EQ(ReadBytes("t/\xc3\x89t\xc3\xa9/Caf\xc3\xa9.txt") + ReadBytes("t/x\xc2\x81"), "caf\xe9" "129");
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

    // A name without a Windows-1252 form is refused and nothing is written.
    WriteFile("cjk/ok.txt", "ok");
    WriteFile("cjk/\xe6\x97\xa5.txt", "sun");
    WriteFile("latin1/\xe9.txt", "e");
    const std::string refused = "kelvo-far: name not valid UTF-8 or without a Windows-1252 form: ";
    for (const auto& [args, name] : {std::pair<std::vector<std::string>, std::string>{{"create", "new.far", "cjk"}, "cjk\\\xe6\x97\xa5.txt"},
                                     {{"create", "new.far", "latin1/\xe9.txt"}, "latin1\\\xe9.txt"},
                                     {{"add", "a.far", "cjk/ok.txt", "latin1"}, "latin1\\\xe9.txt"},
                                     {{"extract", "a.far", "out", "\xe6\x97\xa5.txt"}, "\xe6\x97\xa5.txt"},
                                     {{"delete", "a.far", "\xe9"}, "\xe9"}}) {
        const Output r = Far(args);
        EXPECT_EQ(std::tie(r.code, r.err), std::make_tuple(1, refused + name + "\n"));
    }
    EXPECT_FALSE(fs::exists("new.far") || fs::exists("out"));
    EXPECT_EQ(ReadBytes("a.far"), archive);
}

} // namespace
} // namespace kelvo::cli
