// The drag sources as the platform and other programs use them: the data
// object's calls and their result codes, the formats and data of the text
// and file sources (the ID-list array read back through the shell), the
// drop source's answers, the clipboard read back by our own drop targets,
// and a whole drag through the platform's drag loop onto our own file
// target.
#include "components/shell/drop_source.h"
#include "components/shell/drop_target.h"
#include "tests/test_support.h"

#include <shlobj.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

using namespace kelvo;

namespace {

// OLE and the registered formats, once for the whole program, before any window.
const TShellStartup g_shell;

FORMATETC Request(UINT format, DWORD tymed = TYMED_HGLOBAL, DWORD aspect = DVASPECT_CONTENT)
{
    return {static_cast<CLIPFORMAT>(format), nullptr, aspect, -1, tymed};
}

// The data of a request, and its result code.
std::pair<HRESULT, std::string> DataOf(IDataObject& data, UINT format, DWORD tymed = TYMED_HGLOBAL,
                                       DWORD aspect = DVASPECT_CONTENT)
{
    FORMATETC request = Request(format, tymed, aspect);
    STGMEDIUM medium{};
    const HRESULT result = data.GetData(&request, &medium);
    if (result != S_OK)
        return {result, {}};
    EXPECT_EQ(medium.tymed, static_cast<DWORD>(TYMED_HGLOBAL));
    EXPECT_EQ(medium.pUnkForRelease, nullptr);
    const auto* bytes = static_cast<const char*>(GlobalLock(medium.hGlobal));
    std::string block(bytes, GlobalSize(medium.hGlobal));
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    return {result, block};
}

std::string StringOf(const drag::Bytes& bytes) { return {bytes.begin(), bytes.end()}; }

// The formats an enumerator still lists.
std::vector<UINT> Listed(IEnumFORMATETC& formats)
{
    std::vector<UINT> listed;
    FORMATETC format{};
    while (formats.Next(1, &format, nullptr) == S_OK)
        listed.push_back(format.cfFormat);
    return listed;
}

// Two files in one folder and one in another, on disk, so the shell can parse them.
class SourceFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        root = std::filesystem::path(temp) / ("kelvo-source-" + std::to_string(GetCurrentProcessId()));
        std::filesystem::create_directories(root / "A");
        std::filesystem::create_directories(root / "B");
        for (const char* name : {"A\\x.txt", "A\\y.txt", "B\\z.txt"})
            test::WriteBytes(root / name, name);
        x = (root / "A\\x.txt").string();
        y = (root / "A\\y.txt").string();
        z = (root / "B\\z.txt").string();
        source->Files = {x, y};
    }
    void TearDown() override { std::filesystem::remove_all(root); }

    std::filesystem::path root;
    std::string x, y, z;
    OwnedComponent<TDropFileSource> source;
};

// The formats of a file source, in the order it lists them.
std::vector<UINT> FileFormats()
{
    return {CF_HDROP, CF_IDLIST, CF_PREFERREDDROPEFFECT, CF_FILENAMEMAP, CF_FILENAMEMAPW};
}

} // namespace

TEST_F(SourceFiles, AFileSourceListsItsFiveFormatsInOrderAndAnswersQueriesForThem)
{
    IEnumFORMATETC* formats = reinterpret_cast<IEnumFORMATETC*>(1);
    EXPECT_EQ(source->EnumFormatEtc(DATADIR_SET, &formats), E_NOTIMPL);
    EXPECT_EQ(formats, nullptr);
    formats = reinterpret_cast<IEnumFORMATETC*>(1);
    EXPECT_EQ(source->EnumFormatEtc(7, &formats), E_INVALIDARG);
    EXPECT_EQ(formats, nullptr);
    ASSERT_EQ(source->EnumFormatEtc(DATADIR_GET, &formats), S_OK);

    // Next with more than remain copies what there is and says so.
    FORMATETC listed[8]{};
    ULONG fetched = 0;
    EXPECT_EQ(formats->Next(8, listed, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 5u);
    for (ULONG i = 0; i < fetched; ++i) {
        EXPECT_EQ(listed[i].cfFormat, FileFormats()[i]) << i;
        EXPECT_EQ(listed[i].dwAspect, static_cast<DWORD>(DVASPECT_CONTENT));
        EXPECT_EQ(listed[i].lindex, -1);
        EXPECT_EQ(listed[i].tymed, static_cast<DWORD>(TYMED_HGLOBAL));
    }
    EXPECT_EQ(formats->Skip(1), S_FALSE);
    formats->Reset();
    EXPECT_EQ(formats->Skip(3), S_OK);
    IEnumFORMATETC* clone = nullptr;
    ASSERT_EQ(formats->Clone(&clone), S_OK);
    EXPECT_EQ(formats->Skip(3), S_FALSE); // 2 remained
    EXPECT_EQ(Listed(*clone), (std::vector<UINT>{CF_FILENAMEMAP, CF_FILENAMEMAPW}));
    clone->Release();

    // A format counts when its number and aspect agree and the media overlap.
    const std::tuple<FORMATETC, HRESULT> queries[] = {
        {Request(CF_HDROP), S_OK},
        {Request(CF_IDLIST, TYMED_HGLOBAL | TYMED_ISTREAM), S_OK},
        {Request(CF_HDROP, TYMED_ISTREAM), E_FAIL},
        {Request(CF_HDROP, TYMED_HGLOBAL, DVASPECT_ICON), E_FAIL},
        {Request(CF_TEXT), E_FAIL},
    };
    for (auto [query, result] : queries)
        EXPECT_EQ(source->QueryGetData(&query), result) << query.cfFormat << " " << query.tymed;

    // An enumerator a target still holds after its source is gone keeps its
    // formats, even when another source takes the source's memory.
    IDataObject* gone = nullptr;
    {
        OwnedComponent<TDropFileSource> other;
        other->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&gone));
        gone->EnumFormatEtc(DATADIR_GET, &clone);
    }
    gone->Release();
    OwnedComponent<TDropTextSource> successor;
    EXPECT_EQ(Listed(*clone), FileFormats());
    clone->Release();
    formats->Release();
}

TEST_F(SourceFiles, AFileSourceGivesTheDataOfEachFormat)
{
    source->MappedNames = {"one.far", "\x80.iff"};
    EXPECT_EQ(source->GiveFeedback(DROPEFFECT_MOVE), DRAGDROP_S_USEDEFAULTCURSORS);
    // format, the block
    const std::tuple<UINT, drag::Bytes> blocks[] = {
        {CF_HDROP, drag::DroppedFilesBlock({x, y})},
        {CF_PREFERREDDROPEFFECT, drag::EffectBlock(DROPEFFECT_MOVE)},
        {CF_FILENAMEMAP, drag::NameMapBlock(source->MappedNames)},
        {CF_FILENAMEMAPW, drag::WideNameMapBlock(source->MappedNames)},
    };
    for (const auto& [format, block] : blocks)
        EXPECT_EQ(DataOf(*source, format), std::pair(S_OK, StringOf(block))) << format;

    // The ID-list array: the folder's list and each file's list relative to
    // it, which together name the files again.
    const auto [result, array] = DataOf(*source, CF_IDLIST, TYMED_HGLOBAL | TYMED_ISTREAM);
    ASSERT_EQ(result, S_OK);
    const auto* ida = reinterpret_cast<const CIDA*>(array.data());
    ASSERT_EQ(ida->cidl, 2u);
    EXPECT_EQ(ida->aoffset[0], 16u);
    const auto* folder = reinterpret_cast<LPCITEMIDLIST>(array.data() + ida->aoffset[0]);
    for (UINT i = 0; i < 2; ++i) {
        LPITEMIDLIST full = ILCombine(folder, reinterpret_cast<LPCITEMIDLIST>(array.data() + ida->aoffset[i + 1]));
        char path[MAX_PATH] = {};
        EXPECT_TRUE(SHGetPathFromIDListA(full, path));
        EXPECT_TRUE(std::filesystem::equivalent(path, i == 0 ? x : y)) << path;
        ILFree(full);
    }
    const auto* last = reinterpret_cast<const std::uint8_t*>(array.data() + ida->aoffset[2]);
    EXPECT_EQ(array.size(), ida->aoffset[2] + drag::ItemIdListSize(last));

    // Requests it cannot answer.
    using Names = std::vector<std::string>;
    const std::tuple<const char*, Names, Names, FORMATETC, HRESULT> refusals[] = {
        {"another format", {x}, {}, Request(CF_TEXT), DV_E_FORMATETC},
        {"another medium", {x}, {}, Request(CF_HDROP, TYMED_ISTREAM), DV_E_FORMATETC},
        {"another aspect", {x}, {}, Request(CF_HDROP, TYMED_HGLOBAL, DVASPECT_THUMBNAIL), DV_E_FORMATETC},
        {"a name map too short", {x, y}, {"one.far"}, Request(CF_FILENAMEMAP), DV_E_FORMATETC},
        {"a wide name map too short", {x, y}, {"one.far"}, Request(CF_FILENAMEMAPW), DV_E_FORMATETC},
        {"files in two folders", {x, z}, {}, Request(CF_IDLIST), DV_E_FORMATETC},
        {"no files", {}, {}, Request(CF_HDROP), E_UNEXPECTED},
    };
    for (auto [what, files, mapped, request, expected] : refusals) {
        SCOPED_TRACE(what);
        source->Files = files;
        source->MappedNames = mapped;
        STGMEDIUM medium{};
        medium.tymed = TYMED_HGLOBAL;
        EXPECT_EQ(source->GetData(&request, &medium), expected);
        EXPECT_EQ(medium.tymed, static_cast<DWORD>(TYMED_NULL));
    }
    FORMATETC request = Request(CF_HDROP);
    STGMEDIUM medium{};
    EXPECT_EQ(source->GetDataHere(&request, &medium), E_NOTIMPL);
    EXPECT_EQ(source->SetData(&request, &medium, TRUE), E_NOTIMPL);
    DWORD connection = 0;
    EXPECT_EQ(source->DAdvise(&request, 0, nullptr, &connection), OLE_E_ADVISENOTSUPPORTED);
    IEnumSTATDATA* advise = reinterpret_cast<IEnumSTATDATA*>(1);
    EXPECT_EQ(source->EnumDAdvise(&advise), OLE_E_ADVISENOTSUPPORTED);
    EXPECT_EQ(advise, nullptr);
}

TEST(TextSource, GivesItsTextAsTextAndFileContentsAndListsTwentyFormatsAtMost)
{
    OwnedComponent<TDropTextSource> source;
    source->Text = "Hello, FAR";
    const std::string text("Hello, FAR\0", 11);
    EXPECT_EQ(DataOf(*source, CF_TEXT), std::pair(S_OK, text));
    EXPECT_EQ(DataOf(*source, CF_FILECONTENTS), std::pair(S_OK, text));
    EXPECT_EQ(DataOf(*source, CF_FILEGROUPDESCRIPTOR),
              std::pair(S_OK, StringOf(drag::FileGroupDescriptorBlock("Text Scrap File.txt", FD_LINKUI))));
    EXPECT_EQ(DataOf(*source, CF_HDROP).first, DV_E_FORMATETC);
    // Only the text is listed.
    FORMATETC descriptor = Request(CF_FILEGROUPDESCRIPTOR);
    EXPECT_EQ(source->QueryGetData(&descriptor), E_FAIL);

    for (UINT format = 0xC100; format < 0xC100 + 20; ++format)
        source->AddFormatEtc(static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL);
    IEnumFORMATETC* formats = nullptr;
    ASSERT_EQ(source->EnumFormatEtc(DATADIR_GET, &formats), S_OK);
    const std::vector<UINT> listed = Listed(*formats);
    formats->Release();
    ASSERT_EQ(listed.size(), 20u);
    EXPECT_EQ(listed.front(), static_cast<UINT>(CF_TEXT));
    EXPECT_EQ(listed.back(), 0xC100u + 18);
    FORMATETC twentyFirst = Request(0xC100 + 19);
    EXPECT_EQ(source->QueryGetData(&twentyFirst), E_FAIL);
}

TEST(DropSourceCalls, QueryContinueDragDropsOnlyWhatTheDragTypesAndOnDropAllow)
{
    OwnedComponent<TDropTextSource> source;
    std::vector<TDragType> asked;
    bool allow = true;
    source->OnDrop = [&](TDropSource& sender, TDragType type, bool& continueDrop) {
        EXPECT_EQ(&sender, static_cast<TDropSource*>(source.Get()));
        asked.push_back(type);
        continueDrop = allow;
    };
    // drag types, the target's last effect, escape, keys, whether OnDrop allows, the answer
    const std::tuple<TDragTypes, DWORD, BOOL, DWORD, bool, HRESULT> cases[] = {
        {{dtCopy}, DROPEFFECT_COPY, TRUE, MK_LBUTTON, true, DRAGDROP_S_CANCEL},
        {{dtCopy}, DROPEFFECT_COPY, FALSE, MK_RBUTTON, true, S_OK},
        {{dtCopy}, DROPEFFECT_COPY, FALSE, MK_SHIFT, true, DRAGDROP_S_DROP},
        {{dtCopy}, DROPEFFECT_COPY, FALSE, 0, false, DRAGDROP_S_CANCEL},
        {{dtCopy}, DROPEFFECT_MOVE, FALSE, 0, true, DRAGDROP_S_CANCEL},
        {{dtCopy, dtLink}, DROPEFFECT_NONE, FALSE, 0, true, DRAGDROP_S_CANCEL},
        {{dtCopy, dtLink}, DROPEFFECT_LINK | DROPEFFECT_SCROLL, FALSE, 0, true, DRAGDROP_S_DROP},
    };
    for (const auto& [dragTypes, effect, escape, keys, allows, answer] : cases) {
        SCOPED_TRACE(testing::Message() << "effect " << effect << " keys " << keys << " escape " << escape);
        source->Dragtypes = dragTypes;
        allow = allows;
        source->GiveFeedback(effect);
        EXPECT_EQ(source->QueryContinueDrag(escape, keys), answer);
    }
    // OnDrop is asked only about drops the drag types allow.
    EXPECT_EQ(asked, (std::vector<TDragType>{dtCopy, dtCopy, dtLink}));

    // Feedback: the platform's cursors unless the handler takes over.
    std::vector<DWORD> told;
    EXPECT_EQ(source->GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
    source->OnFeedback = [&](TDropSource&, DWORD effect, bool& useDefaultCursors) {
        told.push_back(effect);
        useDefaultCursors = effect != DROPEFFECT_MOVE;
    };
    EXPECT_EQ(source->GiveFeedback(DROPEFFECT_MOVE), S_OK);
    EXPECT_EQ(source->GiveFeedback(DROPEFFECT_NONE), DRAGDROP_S_USEDEFAULTCURSORS);
    EXPECT_EQ(told, (std::vector<DWORD>{DROPEFFECT_MOVE, DROPEFFECT_NONE}));
}

TEST_F(SourceFiles, CopyAndCutPutTheFilesOnTheClipboardForOurOwnTargets)
{
    OwnedComponent<TDropTextSource> text;
    text->Text = "left over";
    ASSERT_TRUE(text->CopyToClipboard());
    OwnedComponent<TDropFileTarget> target;
    // cut or copy, the effect the target pastes
    for (const auto& [cut, effect] : {std::pair{false, DROPEFFECT_COPY}, {true, DROPEFFECT_MOVE}}) {
        ASSERT_TRUE(cut ? source->CutToClipboard() : source->CopyToClipboard());
        EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT)); // nothing of before stays beside the files
        EXPECT_EQ(target->PasteFromClipboard(), effect);
        EXPECT_EQ(target->Files, (std::vector<std::string>{x, y}));
    }
    // Text goes on the clipboard without a preferred effect.
    ASSERT_TRUE(text->CutToClipboard());
    OwnedComponent<TDropTextTarget> textTarget;
    EXPECT_EQ(textTarget->PasteFromClipboard(), DROPEFFECT_COPY);
    EXPECT_EQ(textTarget->Text, "left over");
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_PREFERREDDROPEFFECT));
    // Nothing to give: the clipboard is left alone.
    source->Files.clear();
    EXPECT_FALSE(source->CopyToClipboard());
    EXPECT_EQ(textTarget->PasteFromClipboard(), DROPEFFECT_COPY);
}

namespace {

// The pressed state of the left mouse button as this thread's messages see it.
void SetLeftButton(bool down)
{
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_LBUTTON] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

} // namespace

// The platform's drag loop follows the pointer and asks the source on every
// tick whether to go on, with the mouse buttons of this thread's key state.
// The test puts the pointer over a list box of its own with our file target,
// presses the left button in the key state, and lets go of it once the
// target has seen the drag (or after many ticks, so that a drag the target
// never sees ends too).
TEST_F(SourceFiles, AWholeDragCarriesTheFilesToOurFileTarget)
{
    const ui::OwnedWindow window(CreateWindowExA(WS_EX_TOPMOST, "LISTBOX", "", WS_POPUP | WS_VISIBLE | WS_BORDER, 100,
                                                 100, 300, 200, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(window);
    UpdateWindow(window.Get());
    OwnedComponent<TDropFileTarget> target;
    target->Dragtypes = {dtCopy};
    target->Register(window.Get(), "FileListBox");
    std::vector<std::string> dropped;
    bool imageShown = false;
    target->OnEnter = [&](TDropTarget&, TShiftState, POINT, DWORD&) {
        imageShown = ImageList_GetDragImage(nullptr, nullptr) != nullptr;
    };
    target->OnDragOver = [&](TDropTarget&, TShiftState, POINT, DWORD&) { SetLeftButton(false); };
    target->OnDrop = [&](TDropTarget&, TShiftState, POINT, DWORD&) { dropped = target->Files; };
    int ticks = 0;
    source->OnFeedback = [&](TDropSource&, DWORD, bool&) {
        if (++ticks > 100)
            SetLeftButton(false);
    };
    std::vector<TDragType> asked;
    source->OnDrop = [&](TDropSource&, TDragType type, bool&) { asked.push_back(type); };

    // A 32 x 32 image with a mask, as the platform's drag image needs.
    ui::OwnedImageList images(ImageList_Create(32, 32, ILC_COLOR24 | ILC_MASK, 1, 0));
    const ui::OwnedBitmap bitmap(CreateBitmap(32, 32, 1, 32, std::vector<std::uint32_t>(32 * 32, 0xFF0000).data()));
    ImageList_AddMasked(images.Get(), bitmap.Get(), RGB(0, 255, 0));
    source->SetImages(images.Get());

    // drag types, the outcome, the files the target takes
    const std::tuple<TDragTypes, TDragResult, std::vector<std::string>> drags[] = {
        {{dtCopy, dtMove}, drDropCopy, {x, y}},
        {{dtMove}, drCancel, {}}, // the target takes copies only
    };
    for (const auto& [dragTypes, outcome, files] : drags) {
        SCOPED_TRACE(outcome);
        dropped.clear();
        ticks = 0;
        RECT rect{};
        GetWindowRect(window.Get(), &rect);
        SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        SetLeftButton(true);
        source->Dragtypes = dragTypes;
        EXPECT_EQ(source->Execute(), outcome);
        EXPECT_EQ(dropped, files);
        EXPECT_LE(ticks, 100);
    }
    EXPECT_TRUE(imageShown);
    EXPECT_EQ(asked, std::vector<TDragType>{dtCopy});
    EXPECT_EQ(ImageList_GetDragImage(nullptr, nullptr), nullptr);
    source->SetImages(nullptr);
}
