// The drop targets and drag sources as the platform uses them: the drag
// calls on a real list box, registration and lifetime, auto-scrolling, the
// drag image, the data object's calls, the clipboard and the platform's drag
// loop. Effects and blocks are the portable rules' (drop_rules).
#include "components/shell/drop_source.h"
#include "components/shell/drop_target.h"
#include "tests/win32/test_doubles.h"

#include <shlobj.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

using namespace kelvo;
using test::DataOf;
using test::FakeDataObject;
using test::Request;
using Strings = std::vector<std::string>;
using Effects = std::vector<DWORD>;

namespace {

// OLE and the registered formats, once for the whole program, before any window.
const TShellStartup g_shell;

constexpr DWORD kAllEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

std::string Block(const drag::Bytes& bytes) { return {bytes.begin(), bytes.end()}; }

// A 32 x 32 red image in a list with a mask, as the platform's drag image needs.
ui::OwnedImageList RedImage()
{
    ui::OwnedImageList images(ImageList_Create(32, 32, ILC_COLOR24 | ILC_MASK, 1, 0));
    const ui::OwnedBitmap red(CreateBitmap(32, 32, 1, 32, std::vector<std::uint32_t>(32 * 32, 0xFF0000).data()));
    ImageList_AddMasked(images.Get(), red.Get(), RGB(0, 255, 0));
    return images;
}

void CALLBACK LetGo(HWND, UINT, UINT_PTR, DWORD) { test::SetLeftButton(false); }

std::vector<UINT> Listed(IEnumFORMATETC& formats)
{
    std::vector<UINT> listed;
    for (FORMATETC format{}; formats.Next(1, &format, nullptr) == S_OK;)
        listed.push_back(format.cfFormat);
    return listed;
}

// Files in two folders; a list box of 100 lines in an 11-pixel font (so an
// 11-pixel scroll margin) with a file target that logs its events and the
// files it holds at each; a file source.
class DragDropTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::SetExceptionHandler([this](const std::exception& error) { errors.push_back(error.what()); });
        SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
        for (int i = 0; i < 100; ++i)
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Line"));
        UpdateWindow(window.Handle());
        Watch(*target);
        source->Files = {x, y};
        oneFile.formats = {{CF_HDROP, Block(drag::DroppedFilesBlock({x}))}};
    }
    void TearDown() override { ui::SetExceptionHandler(nullptr); }

    void Watch(TDropFileTarget& watched)
    {
        watched.Dragtypes = {dtCopy};
        watched.Register(list, "FileListBox");
        for (auto [event, name] : {std::pair{&watched.OnEnter, "enter "}, {&watched.OnDragOver, "over "},
                                   {&watched.OnDrop, "drop "}}) {
            *event = [this, &watched, name](TDropTarget& sender, TShiftState, POINT point, DWORD& effect) {
                EXPECT_EQ(&sender, &watched);
                EXPECT_EQ(point.x, Center().x);
                calls.push_back(name + std::to_string(effect) + (watched.Files.empty() ? "" : " files"));
                files = watched.Files;
                mapped = watched.MappedNames;
            };
        }
    }
    POINTL Screen(POINT client) const
    {
        ClientToScreen(list, &client);
        return {client.x, client.y};
    }
    POINT Center() const
    {
        RECT client{};
        GetClientRect(list, &client);
        return {client.right / 2, client.bottom / 2};
    }
    // Enter, move and drop at the point with the button up, as the platform
    // does; the effect of each call.
    Effects EnterOverDrop(TDropTarget& into, FakeDataObject& data, DWORD keys, POINT at)
    {
        Effects effects(3, kAllEffects);
        EXPECT_EQ(into.DragEnter(&data, keys, Screen(at), &effects[0]), S_OK);
        EXPECT_EQ(into.DragOver(keys, Screen(at), &effects[1]), S_OK);
        EXPECT_EQ(into.Drop(&data, keys & ~MK_LBUTTON, Screen(at), &effects[2]), S_OK);
        return effects;
    }
    // Whether a control is registered: the platform takes one target per window.
    static bool Registered(HWND control)
    {
        OwnedComponent<TDropDummy> probe;
        if (FAILED(RegisterDragDrop(control, probe.Get())))
            return true;
        RevokeDragDrop(control);
        return false;
    }

    test::ScratchFolder scratch;
    std::string a = scratch.Folder("A"), b = scratch.Folder("B");
    std::string x = scratch.File("A\\x.txt", "x"), y = scratch.File("A\\y.txt", "y"), z = scratch.File("B\\z.txt", "z");
    Strings errors, calls, files, mapped;
    test::TestWindow window;
    HWND list = window.AddChild("LISTBOX", WS_VSCROLL | LBS_NOINTEGRALHEIGHT, {10, 10, 210, 210});
    HWND otherList = window.AddChild("LISTBOX", 0, {240, 10, 440, 210});
    ui::OwnedFont font{CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma")};
    OwnedComponent<TDropFileTarget> target;
    OwnedComponent<TDropFileSource> source;
    FakeDataObject oneFile;
};

} // namespace

TEST_F(DragDropTest, EachDropEndsWithTheEffectsEventsAndDataItShould)
{
    const Strings kFiles = {"C:\\Sims\\one.far", "C:\\My Sims\\Gr\xF6\xDF" "e.iff"}, kMapped = {"a.far", "b.iff"};
    const std::string fileList = Block(drag::DroppedFilesBlock(kFiles));
    using SetUp = std::function<void(TDropFileTarget&, FakeDataObject&)>;
    const SetUp chooser = [](TDropFileTarget& into, FakeDataObject&) {
        into.Dragtypes = {dtCopy, dtMove, dtLink};
        into.OnGetDropEffect = [](TDropTarget&, TShiftState shift, POINT, DWORD& effect) {
            effect = shift.Contains(ssAlt) ? DROPEFFECT_LINK : effect & DROPEFFECT_MOVE;
        };
    };
    const Effects copied(3, DROPEFFECT_COPY), refused{DROPEFFECT_COPY, DROPEFFECT_COPY, 0};
    const Strings copyCalls = {"enter 1", "over 1", "drop 1 files"}, noDrop = {"enter 1", "over 1"};
    struct Case {
        const char* what;
        std::map<CLIPFORMAT, std::string> formats;
        SetUp setUp;
        DWORD keys;
        Effects effects;
        Strings calls, files, mapped, errors;
    };
    const Case cases[] = {
        {"read at the drop", {{CF_HDROP, fileList}}, nullptr, MK_LBUTTON, copied, copyCalls, kFiles, {}, {}},
        {"read on entering", {{CF_HDROP, fileList}}, [](auto& into, auto&) { into.GetDataOnEnter = true; }, MK_LBUTTON,
         copied, {"enter 1 files", "over 1 files", "drop 1 files"}, kFiles, {}, {}},
        {"a handler chooses, told the keys", {{CF_HDROP, fileList}}, chooser, MK_LBUTTON | MK_ALT, Effects(3, 4),
         {"enter 4", "over 4", "drop 4 files"}, kFiles, {}, {}},
        {"a wide name map", {{CF_HDROP, fileList}, {CF_FILENAMEMAPW, Block(drag::WideNameMapBlock(kMapped))}}, nullptr,
         MK_LBUTTON, copied, copyCalls, kFiles, kMapped, {}},
        {"the ANSI name map first",
         {{CF_HDROP, fileList}, {CF_FILENAMEMAP, Block(drag::NameMapBlock(kMapped))},
          {CF_FILENAMEMAPW, Block(drag::WideNameMapBlock({"x", "y"}))}},
         nullptr, MK_LBUTTON, copied, copyCalls, kFiles, kMapped, {}},
        {"a file list that cannot be fetched", {{CF_HDROP, fileList}},
         [](auto&, FakeDataObject& data) { data.failing = {CF_HDROP}; }, MK_LBUTTON, refused, noDrop, {}, {}, {}},
        {"an empty file list", {{CF_HDROP, Block(drag::DroppedFilesBlock({}))}}, nullptr, MK_LBUTTON, refused, noDrop,
         {}, {}, {}},
        // Refused for the whole drag: not even the scroll flag near the edge.
        {"no file list", {{CF_TEXT, "C:\\a.far"}}, nullptr, MK_LBUTTON, {0, 0, 0}, {}, {}, {}, {}},
        {"a handler that throws: to the error box", {{CF_HDROP, fileList}},
         [](auto& into, auto&) {
             into.OnDrop = [](TDropTarget&, TShiftState, POINT, DWORD&) { throw std::runtime_error("Disk full"); };
         },
         MK_LBUTTON, refused, noDrop, {}, {}, {"Disk full"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        target->Unregister();
        OwnedComponent<TDropFileTarget> fresh;
        Watch(*fresh);
        FakeDataObject data;
        data.formats = c.formats;
        if (c.setUp)
            c.setUp(*fresh, data);
        calls.clear(), files.clear(), mapped.clear(), errors.clear();
        EXPECT_EQ(EnterOverDrop(*fresh, data, c.keys, {Center().x, c.calls.empty() ? 5 : Center().y}), c.effects);
        EXPECT_EQ(std::tie(calls, files, mapped, errors), std::tie(c.calls, c.files, c.mapped, c.errors));
        // The data lives only during OnDrop; the data object's reference goes with the drop.
        EXPECT_TRUE(fresh->Files.empty() && fresh->MappedNames.empty());
        EXPECT_EQ(data.refs, 1);
    }
    // A text target takes text up to its end, and nothing else.
    OwnedComponent<TDropTextTarget> text;
    text->Dragtypes = {dtCopy};
    text->Register(otherList, "TextListBox");
    std::string dropped;
    text->OnDrop = [&](TDropTarget&, TShiftState, POINT, DWORD&) { dropped = text->Text; };
    FakeDataObject data;
    data.formats = {{CF_TEXT, std::string("Hello, FAR\0tail", 15)}};
    EXPECT_EQ(EnterOverDrop(*text, data, MK_LBUTTON, Center())[2], DROPEFFECT_COPY);
    EXPECT_EQ(dropped, "Hello, FAR");
    EXPECT_TRUE(text->Text.empty());
    EXPECT_EQ(EnterOverDrop(*text, oneFile, MK_LBUTTON, Center()), Effects(3, 0));
}

TEST_F(DragDropTest, RegistrationFollowsTheControlAndTheComponentLivesWhileThePlatformHoldsIt)
{
    target->Register(list, "FileListBox"); // the same control again: nothing happens
    target->Register(otherList, "OtherListBox");
    EXPECT_FALSE(Registered(list));
    EXPECT_TRUE(Registered(otherList));
    target->Unregister();
    EXPECT_FALSE(Registered(otherList));
    EXPECT_EQ(target->AddRef(), 2u); // every registration's reference is given back
    target->Release();
    // The platform refuses a window that has a target already.
    OwnedComponent<TDropDummy> other;
    ASSERT_EQ(RegisterDragDrop(list, other.Get()), S_OK);
    EXPECT_EQ(test::ErrorOf<ShellError>([&] { target->Register(list, "FileListBox"); }), "Failed to Register FileListBox");
    RevokeDragDrop(list);
    target->Register(list, "FileListBox");
    // Revoked behind the target's back: it cannot revoke, and says so.
    EXPECT_EQ(RevokeDragDrop(list), S_OK);
    EXPECT_EQ(test::ErrorOf<ShellError>([&] { target->Unregister(); }), "Failed to Unregister FileListBox");

    // An owned component answers for IDropTarget only; once its owner is
    // gone the control is free, the events cleared, and the platform's
    // reference keeps it until released.
    IDropTarget* held = nullptr;
    int leaves = 0;
    {
        OwnedComponent<TDropDummy> owned;
        owned->Register(otherList, "OtherListBox");
        owned->OnLeave = [&](TDropTarget&) { ++leaves; };
        void* data = &leaves;
        EXPECT_EQ(owned->QueryInterface(IID_IDataObject, &data), E_NOINTERFACE);
        EXPECT_EQ(data, nullptr);
        ASSERT_EQ(owned->QueryInterface(IID_IDropTarget, reinterpret_cast<void**>(&held)), S_OK);
        held->DragLeave();
    }
    EXPECT_FALSE(Registered(otherList));
    EXPECT_EQ(held->DragLeave(), S_OK);
    EXPECT_EQ(leaves, 1);
    EXPECT_EQ(held->Release(), 0u);
}

TEST_F(DragDropTest, NearAnEdgeTheListScrollsAndTheDragImageFollowsThePointer)
{
    const auto top = [&] { return static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0)); };
    const int bottom = 2 * Center().y - 5;
    for (const auto& [y, direction] : {std::pair{5, -1}, {bottom, 1}}) {
        SCOPED_TRACE(y);
        SendMessageA(list, LB_SETTOPINDEX, 40, 0);
        DWORD effects[4] = {kAllEffects, kAllEffects, kAllEffects, kAllEffects};
        target->DragEnter(&oneFile, MK_LBUTTON, Screen(Center()), &effects[0]);
        target->DragOver(MK_LBUTTON, Screen({Center().x, y}), &effects[1]);
        // The timer scrolls the list line by line.
        EXPECT_TRUE(test::PumpUntil([&] { return (top() - 40) * direction >= 2; })) << top();
        // Out of the margin the flag goes; a drop inside the margin passes it on.
        target->DragOver(MK_LBUTTON, Screen({Center().x, 12}), &effects[2]);
        target->Drop(&oneFile, 0, Screen({Center().x, y}), &effects[3]);
        const DWORD scrolling = DROPEFFECT_COPY | DROPEFFECT_SCROLL;
        EXPECT_EQ(Effects(effects, effects + 4), (Effects{DROPEFFECT_COPY, scrolling, DROPEFFECT_COPY, scrolling}));
    }

    // An image dragged with the image-list functions, its hot spot at its top-left.
    const ui::OwnedImageList images = RedImage();
    ASSERT_TRUE(ImageList_BeginDrag(images.Get(), 0, 0, 0));
    const auto redAt = [&](POINT client) {
        const POINT at = ClientPtToWindowPt(list, client);
        HDC dc = GetWindowDC(list);
        const COLORREF colour = GetPixel(dc, at.x + 8, at.y + 8);
        ReleaseDC(list, dc);
        // The image is drawn blended with what lies beneath.
        return GetRValue(colour) > 0xC0 && GetGValue(colour) < 0x80 && GetBValue(colour) < 0x80;
    };
    const POINT first = Center(), second{first.x, first.y + 30};
    DWORD effect = kAllEffects;
    target->DragEnter(&oneFile, MK_LBUTTON, Screen(first), &effect);
    EXPECT_TRUE(redAt(first));
    target->DragOver(MK_LBUTTON, Screen(second), &effect);
    EXPECT_TRUE(redAt(second) && !redAt(first));
    target->SetShowImage(false);
    EXPECT_FALSE(redAt(second));
    target->SetShowImage(true);
    EXPECT_TRUE(redAt(second));
    target->DragLeave();
    EXPECT_FALSE(redAt(second));
    ImageList_EndDrag();
}

TEST_F(DragDropTest, AFileSourceListsItsFormatsAndGivesTheirDataOrRefuses)
{
    const std::vector<UINT> fileFormats{CF_HDROP, CF_IDLIST, CF_PREFERREDDROPEFFECT, CF_FILENAMEMAP, CF_FILENAMEMAPW};
    IEnumFORMATETC* formats = nullptr;
    EXPECT_EQ(source->EnumFormatEtc(DATADIR_SET, &formats), E_NOTIMPL);
    ASSERT_EQ(source->EnumFormatEtc(DATADIR_GET, &formats), S_OK);
    FORMATETC listed[8]{}; // more than remain: what there is, and S_FALSE
    ULONG fetched = 0;
    EXPECT_EQ(formats->Next(8, listed, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 5u);
    const auto fields = [](const FORMATETC& f) { return std::tuple(f.cfFormat, f.ptd, f.dwAspect, f.lindex, f.tymed); };
    for (ULONG i = 0; i < fetched; ++i)
        EXPECT_EQ(fields(listed[i]), fields(Request(fileFormats[i]))) << i;
    EXPECT_EQ(formats->Skip(1), S_FALSE);
    formats->Reset();
    EXPECT_EQ(formats->Skip(3), S_OK);
    IEnumFORMATETC* clone = nullptr;
    ASSERT_EQ(formats->Clone(&clone), S_OK);
    EXPECT_EQ(formats->Skip(3), S_FALSE); // 2 remained
    EXPECT_EQ(Listed(*clone), (std::vector<UINT>{CF_FILENAMEMAP, CF_FILENAMEMAPW}));
    clone->Release();
    formats->Release();
    // An enumerator outliving its source keeps its formats, even when
    // another source takes the source's memory.
    {
        OwnedComponent<TDropFileSource> gone;
        gone->EnumFormatEtc(DATADIR_GET, &formats);
    }
    OwnedComponent<TDropTextSource> successor;
    EXPECT_EQ(Listed(*formats), fileFormats);
    formats->Release();

    OwnedComponent<TDropFileSource> files;
    files->Files = {x, y};
    files->MappedNames = {"one.far", "\x80.iff"};
    files->GiveFeedback(DROPEFFECT_MOVE); // the effect the target reports
    const std::tuple<FORMATETC, drag::Bytes> blocks[] = {
        {Request(CF_HDROP), drag::DroppedFilesBlock({x, y})},
        {Request(CF_PREFERREDDROPEFFECT), drag::EffectBlock(DROPEFFECT_MOVE)},
        {Request(CF_FILENAMEMAP), drag::NameMapBlock(files->MappedNames)},
        {Request(CF_FILENAMEMAPW, TYMED_HGLOBAL | TYMED_ISTREAM), drag::WideNameMapBlock(files->MappedNames)},
    };
    for (const auto& [request, block] : blocks)
        EXPECT_EQ(DataOf(*files, request), std::pair(S_OK, Block(block))) << request.cfFormat;
    // The ID-list array: the folder's list and each file's list relative to it name the files again.
    const auto [result, array] = DataOf(*files, Request(CF_IDLIST));
    ASSERT_EQ(result, S_OK);
    const auto* ida = reinterpret_cast<const CIDA*>(array.data());
    ASSERT_EQ(ida->cidl, 2u);
    for (UINT i = 0; i < 2; ++i) {
        LPITEMIDLIST full = ILCombine(reinterpret_cast<LPCITEMIDLIST>(array.data() + ida->aoffset[0]),
                                      reinterpret_cast<LPCITEMIDLIST>(array.data() + ida->aoffset[i + 1]));
        char path[MAX_PATH] = {};
        EXPECT_TRUE(SHGetPathFromIDListA(full, path));
        EXPECT_TRUE(std::filesystem::equivalent(path, i == 0 ? x : y)) << path;
        ILFree(full);
    }
    const auto* last = reinterpret_cast<const std::uint8_t*>(array.data() + ida->aoffset[2]);
    EXPECT_EQ(array.size(), ida->aoffset[2] + drag::ItemIdListSize(last));

    // What the source cannot give: the query and the fetch agree.
    const std::tuple<const char*, Strings, Strings, FORMATETC, HRESULT> refusals[] = {
        {"another format", {x}, {}, Request(CF_TEXT), DV_E_FORMATETC},
        {"another medium", {x}, {}, Request(CF_HDROP, TYMED_ISTREAM), DV_E_FORMATETC},
        {"another aspect", {x}, {}, Request(CF_HDROP, TYMED_HGLOBAL, DVASPECT_ICON), DV_E_FORMATETC},
        {"a name map too short", {x, y}, {"one.far"}, Request(CF_FILENAMEMAPW), DV_E_FORMATETC},
        {"files in two folders", {x, z}, {}, Request(CF_IDLIST), DV_E_FORMATETC},
        {"no files", {}, {}, Request(CF_HDROP), E_UNEXPECTED},
    };
    for (auto [what, names, mappedNames, request, expected] : refusals) {
        files->Files = names;
        files->MappedNames = mappedNames;
        EXPECT_EQ(DataOf(*files, request), std::pair(expected, std::string())) << what;
        if (expected == DV_E_FORMATETC && !names.empty() && mappedNames.empty() && request.cfFormat != CF_IDLIST) {
            EXPECT_EQ(files->QueryGetData(&request), E_FAIL) << what;
        }
    }
}

TEST(TextSource, GivesItsTextAsTextAndFileContentsAndListsTwentyFormatsAtMost)
{
    OwnedComponent<TDropTextSource> source;
    source->Text = "Hello, FAR";
    const std::string text("Hello, FAR\0", 11);
    EXPECT_EQ(DataOf(*source, Request(CF_TEXT)), std::pair(S_OK, text));
    EXPECT_EQ(DataOf(*source, Request(CF_FILECONTENTS)), std::pair(S_OK, text));
    EXPECT_EQ(DataOf(*source, Request(CF_FILEGROUPDESCRIPTOR)),
              std::pair(S_OK, Block(drag::FileGroupDescriptorBlock("Text Scrap File.txt", FD_LINKUI))));
    EXPECT_EQ(DataOf(*source, Request(CF_HDROP)).first, DV_E_FORMATETC);
    std::vector<UINT> expected{CF_TEXT}; // only the text is listed of its own
    for (UINT format = 0xC100; format < 0xC100 + 20; ++format) {
        source->AddFormatEtc(static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL);
        if (expected.size() < 20)
            expected.push_back(format);
    }
    IEnumFORMATETC* formats = nullptr;
    ASSERT_EQ(source->EnumFormatEtc(DATADIR_GET, &formats), S_OK);
    EXPECT_EQ(Listed(*formats), expected);
    formats->Release();
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
        source->Dragtypes = dragTypes;
        allow = allows;
        source->GiveFeedback(effect);
        EXPECT_EQ(source->QueryContinueDrag(escape, keys), answer) << effect << " " << keys << " " << escape;
    }
    EXPECT_EQ(asked, (std::vector<TDragType>{dtCopy, dtCopy, dtLink})); // only drops the drag types allow
    // Feedback: the platform's cursors unless the handler takes over.
    EXPECT_EQ(source->GiveFeedback(DROPEFFECT_MOVE), DRAGDROP_S_USEDEFAULTCURSORS);
    source->OnFeedback = [&](TDropSource&, DWORD effect, bool& useDefault) { useDefault = effect != DROPEFFECT_MOVE; };
    EXPECT_EQ(source->GiveFeedback(DROPEFFECT_MOVE), S_OK);
    EXPECT_EQ(source->GiveFeedback(DROPEFFECT_NONE), DRAGDROP_S_USEDEFAULTCURSORS);
}

TEST_F(DragDropTest, TheClipboardCarriesFilesAndTextWithTheirEffect)
{
    OwnedComponent<TDropTextSource> text;
    text->Text = "C:\\a.far";
    OwnedComponent<TDropTextTarget> texts;
    const auto other = [this](std::map<CLIPFORMAT, std::string> formats) {
        return [this, formats] {
            FakeDataObject data;
            data.formats = formats;
            data.PutOnClipboard(window.Handle());
            return true;
        };
    };
    const std::string files = Block(drag::DroppedFilesBlock({z})), move = Block(drag::EffectBlock(DROPEFFECT_MOVE));
    // what puts it there, the effect and files the file target pastes, the text the text target pastes
    const std::tuple<const char*, std::function<bool()>, DWORD, Strings, std::string> cases[] = {
        {"cut text", [&] { return text->CutToClipboard(); }, 0, {"kept"}, "C:\\a.far"},
        {"copied files, and nothing of before", [&] { return source->CopyToClipboard(); }, 1, {x, y}, "kept"},
        {"cut files", [&] { return source->CutToClipboard(); }, DROPEFFECT_MOVE, {x, y}, "kept"},
        {"files from elsewhere", other({{CF_HDROP, files}}), DROPEFFECT_COPY, {z}, "kept"},
        {"to move from elsewhere", other({{CF_HDROP, files}, {CF_PREFERREDDROPEFFECT, move}}), 2, {z}, "kept"},
    };
    for (const auto& [what, put, effect, pasted, pastedText] : cases) {
        SCOPED_TRACE(what);
        ASSERT_TRUE(put());
        target->Files = {"kept"};
        texts->Text = "kept";
        EXPECT_EQ(target->PasteFromClipboard(), effect);
        EXPECT_EQ(target->Files, pasted);
        EXPECT_EQ(texts->PasteFromClipboard(), pastedText == "kept" ? 0 : DROPEFFECT_COPY);
        EXPECT_EQ(texts->Text, pastedText);
    }
    source->Files.clear(); // nothing to give: the clipboard is left alone
    EXPECT_FALSE(source->CopyToClipboard());
    EXPECT_EQ(target->PasteFromClipboard(), DROPEFFECT_MOVE);
}

// The platform's drag loop reads the left button from this thread's key
// state: the target lets go of it once it has seen the drag.
TEST_F(DragDropTest, AWholeDragShowsTheImageAndCarriesTheFilesToOurFileTarget)
{
    bool imageShown = false;
    target->OnEnter = [&](TDropTarget&, TShiftState, POINT, DWORD&) {
        imageShown = ImageList_GetDragImage(nullptr, nullptr) != nullptr;
    };
    target->OnDragOver = [&](TDropTarget&, TShiftState, POINT, DWORD&) { test::SetLeftButton(false); };
    const ui::OwnedImageList images = RedImage();
    source->SetImages(images.Get());
    source->Dragtypes = {dtCopy, dtMove};
    const POINTL center = Screen(Center());
    SetCursorPos(center.x, center.y);
    test::SetLeftButton(true);
    const UINT_PTR timer = SetTimer(nullptr, 0, test::kPatience, LetGo); // should the target never see it
    EXPECT_EQ(source->Execute(), drDropCopy);
    KillTimer(nullptr, timer);
    EXPECT_EQ(files, (Strings{x, y}));
    EXPECT_TRUE(imageShown);
    EXPECT_EQ(ImageList_GetDragImage(nullptr, nullptr), nullptr);
    source->SetImages(nullptr);
}
