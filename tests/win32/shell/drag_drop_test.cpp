// Drop targets and drag sources on a real list box, through the platform's calls; effects and blocks are drop_rules'.
#include "components/shell/drop_source.h"
#include "components/shell/drop_target.h"
#include "tests/win32/test_doubles.h"

#include <shlobj.h>

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
using Formats = std::map<CLIPFORMAT, std::string>;
using namespace std::string_literals;

namespace {

const TShellStartup g_shell;

std::string Block(const drag::Bytes& bytes) { return {bytes.begin(), bytes.end()}; }

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

bool Registered(HWND control)
{
    OwnedComponent<TDropDummy> probe;
    return FAILED(RegisterDragDrop(control, probe.Get())) || (RevokeDragDrop(control), false);
}

// Files in two folders; 100 lines in an 11-pixel font (an 11-pixel scroll margin); a logging file target; a source.
class DragDropTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::SetExceptionHandler([this](const std::exception& error) { log.push_back(error.what()); });
        SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
        for (int i = 0; i < 100; ++i)
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Line"));
        UpdateWindow(window.Handle());
        Watch(*target);
        source->Files = {x, y};
    }
    void TearDown() override { ui::SetExceptionHandler(nullptr); }

    void Watch(TDropFileTarget& watched)
    {
        watched.Dragtypes = {dtCopy};
        watched.Register(list, "FileListBox");
        for (auto [event, name] : {std::pair{&watched.OnEnter, "enter"}, {&watched.OnDragOver, "over"},
                                   {&watched.OnDrop, "drop"}})
            *event = [this, &watched, name](TDropTarget& sender, TShiftState, POINT point, DWORD& effect) {
                EXPECT_TRUE(&sender == &watched && point.x == Center().x);
                log.push_back(name + (" " + std::to_string(effect)));
                for (const std::string& file : watched.Files)
                    log.back() += " " + file;
                for (const std::string& mapped : watched.MappedNames)
                    log.back() += " =" + mapped;
            };
    }
    POINTL Screen(POINT client) const { return ClientToScreen(list, &client), POINTL{client.x, client.y}; }
    POINT Center() const
    {
        RECT client{};
        return GetClientRect(list, &client), POINT{client.right / 2, client.bottom / 2};
    }
    // Enter, move and drop (the button up) at the point: each call's effect.
    Effects EnterOverDrop(TDropTarget& into, FakeDataObject& data, DWORD keys, POINT at)
    {
        Effects effects(3, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);
        EXPECT_EQ(into.DragEnter(&data, keys, Screen(at), &effects[0]), S_OK);
        EXPECT_EQ(into.DragOver(keys, Screen(at), &effects[1]), S_OK);
        EXPECT_EQ(into.Drop(&data, keys & ~MK_LBUTTON, Screen(at), &effects[2]), S_OK);
        return effects;
    }

    test::ScratchFolder scratch;
    std::string a = scratch.Folder("A"), b = scratch.Folder("B");
    std::string x = scratch.File("A\\x.txt", "x"), y = scratch.File("A\\y.txt", "y"), z = scratch.File("B\\z.txt", "z");
    Strings log;
    test::TestWindow window;
    HWND list = window.AddChild("LISTBOX", WS_VSCROLL | LBS_NOINTEGRALHEIGHT, {10, 10, 210, 210});
    HWND otherList = window.AddChild("LISTBOX", 0, {240, 10, 440, 210});
    ui::OwnedFont font{CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma")};
    OwnedComponent<TDropFileTarget> target;
    OwnedComponent<TDropFileSource> source;
};

} // namespace

TEST_F(DragDropTest, EachDropEndsWithTheEffectsEventsAndDataItShould)
{
    const std::string files = Block(drag::DroppedFilesBlock({"C:\\a", "D:\\b"}));
    using SetUp = std::function<void(TDropFileTarget&, FakeDataObject&)>;
    const SetUp chooser = [](TDropFileTarget& into, FakeDataObject&) {
        into.Dragtypes = {dtCopy, dtMove, dtLink};
        into.OnGetDropEffect = [](TDropTarget&, TShiftState shift, POINT, DWORD& effect) {
            effect = shift.Contains(ssAlt) ? DROPEFFECT_LINK : effect & DROPEFFECT_MOVE;
        };
    };
    const Effects copied(3, DROPEFFECT_COPY), refused{DROPEFFECT_COPY, DROPEFFECT_COPY, 0};
    const std::string ab = " C:\\a D:\\b", mapped = "drop 1" + ab + " =m =n", xy = Block(drag::WideNameMapBlock({"x", "y"}));
    const std::string ansiMap = Block(drag::NameMapBlock({"m", "n"})), wideMap = Block(drag::WideNameMapBlock({"m", "n"}));
    const std::tuple<const char*, Formats, SetUp, DWORD, Effects, Strings> cases[] = {
        {"read at the drop", {{CF_HDROP, files}}, nullptr, 0, copied, {"enter 1", "over 1", "drop 1" + ab}},
        {"read on entering", {{CF_HDROP, files}}, [](auto& into, auto&) { into.GetDataOnEnter = true; }, 0, copied,
         {"enter 1" + ab, "over 1" + ab, "drop 1" + ab}},
        {"a handler chooses, told the keys", {{CF_HDROP, files}}, chooser, MK_ALT, Effects(3, 4),
         {"enter 4", "over 4", "drop 4" + ab}},
        {"a wide name map", {{CF_HDROP, files}, {CF_FILENAMEMAPW, wideMap}}, nullptr, 0, copied, {"enter 1", "over 1", mapped}},
        {"the ANSI name map first", {{CF_HDROP, files}, {CF_FILENAMEMAP, ansiMap}, {CF_FILENAMEMAPW, xy}}, nullptr, 0,
         copied, {"enter 1", "over 1", mapped}},
        {"a file list that cannot be fetched", {{CF_HDROP, files}}, [](auto&, auto& data) { data.failing = {CF_HDROP}; },
         0, refused, {"enter 1", "over 1"}},
        {"an empty file list", {{CF_HDROP, Block(drag::DroppedFilesBlock({}))}}, nullptr, 0, refused, {"enter 1", "over 1"}},
        {"no file list: not even the scroll flag", {{CF_TEXT, "C:\\a.far"}}, nullptr, 0, {0, 0, 0}, {}},
        {"a handler that throws: to the error box", {{CF_HDROP, files}}, [](auto& into, auto&) {
             into.OnDrop = [](TDropTarget&, TShiftState, POINT, DWORD&) { throw std::runtime_error("Disk full"); };
         }, 0, refused, {"enter 1", "over 1", "Disk full"}},
    };
    for (const auto& [what, formats, setUp, keys, effects, events] : cases) {
        SCOPED_TRACE(what);
        target->Unregister();
        OwnedComponent<TDropFileTarget> fresh;
        Watch(*fresh);
        FakeDataObject data;
        data.formats = formats;
        if (setUp)
            setUp(*fresh, data);
        log.clear();
        EXPECT_EQ(EnterOverDrop(*fresh, data, MK_LBUTTON | keys, {Center().x, events.empty() ? 5 : 50}), effects);
        EXPECT_EQ(log, events); // the data lives only during OnDrop, the data object's reference goes with the drop
        EXPECT_TRUE(fresh->Files.empty() && fresh->MappedNames.empty());
        EXPECT_EQ(data.refs, 1);
    }
    OwnedComponent<TDropTextTarget> text; // takes text up to its end, and nothing else
    text->Dragtypes = {dtCopy};
    text->Register(otherList, "TextListBox");
    text->OnDrop = [&](TDropTarget&, TShiftState, POINT, DWORD&) { log.push_back(text->Text); };
    FakeDataObject data;
    data.formats = {{CF_TEXT, std::string("Hello, FAR\0tail", 15)}, {CF_HDROP, files}};
    EXPECT_EQ(EnterOverDrop(*text, data, MK_LBUTTON, Center())[2], DROPEFFECT_COPY);
    EXPECT_EQ(std::pair(log.back(), text->Text), std::pair("Hello, FAR"s, ""s));
    data.formats.erase(CF_TEXT);
    EXPECT_EQ(EnterOverDrop(*text, data, MK_LBUTTON, Center()), Effects(3, 0));
}

TEST_F(DragDropTest, RegistrationFollowsTheControlAndTheComponentLivesWhileThePlatformHoldsIt)
{
    target->Register(list, "FileListBox"); // the same control again: nothing happens
    target->Register(otherList, "OtherListBox");
    EXPECT_EQ(std::pair(Registered(list), Registered(otherList)), std::pair(false, true));
    target->Unregister();
    EXPECT_FALSE(Registered(otherList));
    EXPECT_EQ(target->AddRef(), 2u); // every registration's reference is given back
    target->Release();
    // The platform refuses a window that has a target already; revoked behind its back, it cannot revoke.
    OwnedComponent<TDropDummy> other;
    ASSERT_EQ(RegisterDragDrop(list, other.Get()), S_OK);
    EXPECT_EQ(test::ErrorOf<ShellError>([&] { target->Register(list, "FileListBox"); }), "Failed to Register FileListBox");
    RevokeDragDrop(list), target->Register(list, "FileListBox");
    EXPECT_EQ(RevokeDragDrop(list), S_OK);
    EXPECT_EQ(test::ErrorOf<ShellError>([&] { target->Unregister(); }), "Failed to Unregister FileListBox");
    // Only IDropTarget is answered; the owner gone, the control is free, the events cleared, the platform's reference kept.
    IDropTarget* held = nullptr;
    int leaves = 0;
    {
        OwnedComponent<TDropDummy> owned;
        owned->Register(otherList, "OtherListBox");
        owned->OnLeave = [&](TDropTarget&) { ++leaves; };
        void* data = &leaves;
        EXPECT_EQ(std::pair(owned->QueryInterface(IID_IDataObject, &data), data), std::pair(E_NOINTERFACE, (void*)nullptr));
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
    FakeDataObject data;
    data.formats = {{CF_HDROP, Block(drag::DroppedFilesBlock({x}))}};
    // In the margin the timer scrolls the list and the flag joins, also at the drop.
    SendMessageA(list, LB_SETTOPINDEX, 40, 0);
    Effects effects(4, DROPEFFECT_COPY | DROPEFFECT_MOVE);
    target->DragEnter(&data, MK_LBUTTON, Screen(Center()), &effects[0]);
    target->DragOver(MK_LBUTTON, Screen({Center().x, 5}), &effects[1]);
    EXPECT_TRUE(test::PumpUntil([&] { return SendMessageA(list, LB_GETTOPINDEX, 0, 0) <= 38; }));
    target->DragOver(MK_LBUTTON, Screen({Center().x, 12}), &effects[2]);
    target->Drop(&data, 0, Screen({Center().x, 5}), &effects[3]);
    const DWORD scrolling = DROPEFFECT_COPY | DROPEFFECT_SCROLL;
    EXPECT_EQ(effects, (Effects{DROPEFFECT_COPY, scrolling, DROPEFFECT_COPY, scrolling}));
    // The image-list drag image, its hot spot at its top-left, follows the pointer.
    const ui::OwnedImageList images = RedImage();
    ASSERT_TRUE(ImageList_BeginDrag(images.Get(), 0, 0, 0));
    const auto redAt = [&](POINT client) {
        const POINT at = ClientPtToWindowPt(list, client);
        HDC dc = GetWindowDC(list);
        const COLORREF colour = GetPixel(dc, at.x + 8, at.y + 8);
        ReleaseDC(list, dc);
        return GetRValue(colour) > 0xC0 && GetGValue(colour) < 0x80 && GetBValue(colour) < 0x80;
    };
    const POINT first = Center(), second{first.x, first.y + 30};
    Strings shown; // whether the image shows at each point
    const auto look = [&] { shown.push_back(std::to_string(redAt(first)) + std::to_string(redAt(second))); };
    target->DragEnter(&data, MK_LBUTTON, Screen(first), &effects[0]), look();
    target->DragOver(MK_LBUTTON, Screen(second), &effects[0]), look();
    target->SetShowImage(false), look(), target->SetShowImage(true), look();
    target->DragLeave(), look();
    EXPECT_EQ(shown, (Strings{"10", "01", "00", "01", "00"}));
    ImageList_EndDrag();
}

TEST_F(DragDropTest, AFileSourceListsItsFormatsAndGivesTheirDataOrRefuses)
{
    const std::vector<UINT> fileFormats{CF_HDROP, CF_IDLIST, CF_PREFERREDDROPEFFECT, CF_FILENAMEMAP, CF_FILENAMEMAPW};
    IEnumFORMATETC *formats = nullptr, *clone = nullptr;
    {
        OwnedComponent<TDropFileSource> gone;
        EXPECT_EQ(gone->EnumFormatEtc(DATADIR_SET, &formats), E_NOTIMPL);
        ASSERT_EQ(gone->EnumFormatEtc(DATADIR_GET, &formats), S_OK);
    }
    // An enumerator outlives its source (its memory taken by another); a clone goes on from its place.
    OwnedComponent<TDropTextSource> successor;
    FORMATETC listed[8]{}; // more than remain: what there is, and S_FALSE
    ULONG fetched = 0;
    ASSERT_EQ(formats->Skip(1), S_OK);
    ASSERT_EQ(formats->Clone(&clone), S_OK);
    EXPECT_EQ(formats->Next(8, listed, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 4u);
    const auto fields = [](const FORMATETC& f) { return std::tuple(f.cfFormat, f.ptd, f.dwAspect, f.lindex, f.tymed); };
    for (ULONG i = 0; i < fetched; ++i)
        EXPECT_EQ(fields(listed[i]), fields(Request(fileFormats[i + 1]))) << i;
    EXPECT_EQ(Listed(*clone), std::vector<UINT>(fileFormats.begin() + 1, fileFormats.end()));
    clone->Release(), formats->Reset();
    EXPECT_EQ(Listed(*formats), fileFormats);
    formats->Release();

    source->MappedNames = {"one.far", "\x80.iff"};
    source->GiveFeedback(DROPEFFECT_MOVE); // the effect the target reports
    const std::tuple<FORMATETC, drag::Bytes> blocks[] = {{Request(CF_HDROP), drag::DroppedFilesBlock({x, y})},
        {Request(CF_PREFERREDDROPEFFECT), drag::EffectBlock(DROPEFFECT_MOVE)},
        {Request(CF_FILENAMEMAP), drag::NameMapBlock(source->MappedNames)},
        {Request(CF_FILENAMEMAPW, TYMED_HGLOBAL | TYMED_ISTREAM), drag::WideNameMapBlock(source->MappedNames)}};
    for (const auto& [request, block] : blocks)
        EXPECT_EQ(DataOf(*source, request), std::pair(S_OK, Block(block))) << request.cfFormat;
    // The folder's ID list and each file's, relative to it, name the files again.
    const auto [result, array] = DataOf(*source, Request(CF_IDLIST));
    ASSERT_EQ(result, S_OK);
    const auto* ida = reinterpret_cast<const CIDA*>(array.data());
    ASSERT_EQ(ida->cidl, 2u);
    for (UINT i = 0; i < 2; ++i) {
        LPITEMIDLIST full = ILCombine(reinterpret_cast<LPCITEMIDLIST>(array.data() + ida->aoffset[0]),
                                      reinterpret_cast<LPCITEMIDLIST>(array.data() + ida->aoffset[i + 1]));
        char path[MAX_PATH] = {};
        EXPECT_TRUE(SHGetPathFromIDListA(full, path) && std::filesystem::equivalent(path, i == 0 ? x : y)) << path;
        ILFree(full);
    }
    // Refused: the query and the fetch agree (a name map too short, files in two folders, no files).
    const HRESULT no = DV_E_FORMATETC;
    const std::tuple<Strings, Strings, FORMATETC, HRESULT, HRESULT> refusals[] = {{{x}, {}, Request(CF_TEXT), E_FAIL, no},
        {{x}, {}, Request(CF_HDROP, TYMED_ISTREAM), E_FAIL, no}, {{x, z}, {}, Request(CF_IDLIST), S_OK, no},
        {{x}, {}, Request(CF_HDROP, TYMED_HGLOBAL, DVASPECT_ICON), E_FAIL, no}, {{}, {}, Request(CF_HDROP), S_OK, E_UNEXPECTED},
        {{x, y}, {"one.far"}, Request(CF_FILENAMEMAPW), S_OK, no}};
    for (auto [files, mapped, request, query, fetch] : refusals) {
        source->Files = files, source->MappedNames = mapped;
        EXPECT_EQ(std::pair(source->QueryGetData(&request), DataOf(*source, request)), std::pair(query, std::pair(fetch, ""s)));
    }
}

TEST(TextSource, GivesItsTextListsTwentyFormatsAtMostAndDropsOnlyWhatItsDragTypesAllow)
{
    OwnedComponent<TDropTextSource> source;
    source->Text = "Hello, FAR";
    const std::string text("Hello, FAR\0", 11);
    EXPECT_EQ(DataOf(*source, Request(CF_TEXT)), std::pair(S_OK, text));
    EXPECT_EQ(DataOf(*source, Request(CF_FILECONTENTS)), std::pair(S_OK, text));
    EXPECT_EQ(DataOf(*source, Request(CF_FILEGROUPDESCRIPTOR)),
              std::pair(S_OK, Block(drag::FileGroupDescriptorBlock("Text Scrap File.txt", FD_LINKUI))));
    EXPECT_EQ(DataOf(*source, Request(CF_HDROP)).first, DV_E_FORMATETC);
    std::vector<UINT> expected{CF_TEXT}; // only the text is listed of its own, and 20 formats at most
    for (UINT format = 0xC100; format < 0xC100 + 20; ++format)
        expected.push_back(format), source->AddFormatEtc(CLIPFORMAT(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL);
    expected.pop_back();
    IEnumFORMATETC* formats = nullptr;
    ASSERT_EQ(source->EnumFormatEtc(DATADIR_GET, &formats), S_OK);
    EXPECT_EQ(Listed(*formats), expected);
    formats->Release();

    std::vector<TDragType> asked;
    bool allow = true;
    source->OnDrop = [&](TDropSource&, TDragType type, bool& continueDrop) { asked.push_back(type), continueDrop = allow; };
    // drag types, the target's last effect, escape, keys, whether OnDrop allows, the answer
    const DWORD copy = DROPEFFECT_COPY;
    const HRESULT drop = DRAGDROP_S_DROP, cancel = DRAGDROP_S_CANCEL;
    const TDragTypes c{dtCopy}, cl{dtCopy, dtLink};
    const std::tuple<TDragTypes, DWORD, BOOL, DWORD, bool, HRESULT> cases[] = {{c, copy, TRUE, MK_LBUTTON, true, cancel},
        {c, copy, FALSE, MK_RBUTTON, true, S_OK}, {c, copy, FALSE, MK_SHIFT, true, drop}, {c, copy, FALSE, 0, false, cancel},
        {c, DROPEFFECT_MOVE, FALSE, 0, true, cancel}, {cl, 0, FALSE, 0, true, cancel},
        {cl, DROPEFFECT_LINK | DROPEFFECT_SCROLL, FALSE, 0, true, drop}};
    for (const auto& [dragTypes, effect, escape, keys, allows, answer] : cases) {
        source->Dragtypes = dragTypes, allow = allows;
        source->GiveFeedback(effect);
        EXPECT_EQ(source->QueryContinueDrag(escape, keys), answer) << effect << " " << keys << " " << escape;
    }
    EXPECT_EQ(asked, (std::vector<TDragType>{dtCopy, dtCopy, dtLink})); // only drops the drag types allow
    EXPECT_EQ(source->GiveFeedback(DROPEFFECT_MOVE), DRAGDROP_S_USEDEFAULTCURSORS); // unless the handler takes over
    source->OnFeedback = [&](TDropSource&, DWORD effect, bool& useDefault) { useDefault = effect != DROPEFFECT_MOVE; };
    EXPECT_EQ(std::pair(source->GiveFeedback(DROPEFFECT_MOVE), source->GiveFeedback(DROPEFFECT_NONE)),
              std::pair(S_OK, DRAGDROP_S_USEDEFAULTCURSORS));
}

TEST_F(DragDropTest, TheClipboardCarriesFilesAndTextWithTheirEffect)
{
    OwnedComponent<TDropTextSource> text;
    text->Text = "C:\\a.far";
    OwnedComponent<TDropTextTarget> texts;
    const auto other = [this](Formats formats) {
        FakeDataObject data;
        data.formats = std::move(formats);
        data.PutOnClipboard(window.Handle());
        return true;
    };
    const std::string files = Block(drag::DroppedFilesBlock({z})), move = Block(drag::EffectBlock(DROPEFFECT_MOVE));
    // what puts it there, the effect and files the file target pastes, the text the text target pastes
    const std::tuple<std::function<bool()>, DWORD, Strings, std::string> cases[] = {
        {[&] { return text->CutToClipboard(); }, 0, {"kept"}, "C:\\a.far"}, // text: no preferred effect
        {[&] { return source->CopyToClipboard(); }, DROPEFFECT_COPY, {x, y}, "kept"}, // nothing of before stays
        {[&] { return source->CutToClipboard(); }, DROPEFFECT_MOVE, {x, y}, "kept"},
        {[&] { return other({{CF_HDROP, files}}); }, DROPEFFECT_COPY, {z}, "kept"},
        {[&] { return other({{CF_HDROP, files}, {CF_PREFERREDDROPEFFECT, move}}); }, DROPEFFECT_MOVE, {z}, "kept"},
    };
    for (const auto& [put, effect, pasted, pastedText] : cases) {
        ASSERT_TRUE(put());
        target->Files = {"kept"}, texts->Text = "kept";
        EXPECT_EQ(std::tuple(target->PasteFromClipboard(), target->Files, texts->PasteFromClipboard(), texts->Text),
                  std::tuple(effect, pasted, pastedText == "kept" ? 0ul : DROPEFFECT_COPY, pastedText));
    }
    source->Files.clear(); // nothing to give: the clipboard is left alone
    EXPECT_FALSE(source->CopyToClipboard());
    EXPECT_EQ(target->PasteFromClipboard(), DROPEFFECT_MOVE);
}

// The drag loop reads the left button from this thread's key state: the target lets go once it sees the drag.
TEST_F(DragDropTest, AWholeDragShowsTheImageAndCarriesTheFilesToOurFileTarget)
{
    target->OnEnter = [&](TDropTarget&, TShiftState, POINT, DWORD&) {
        log.push_back(ImageList_GetDragImage(nullptr, nullptr) ? "image" : "no image");
    };
    target->OnDragOver = [&](TDropTarget&, TShiftState, POINT, DWORD&) { test::SetLeftButton(false); };
    const ui::OwnedImageList images = RedImage();
    source->SetImages(images.Get());
    source->Dragtypes = {dtCopy, dtMove};
    const POINTL center = Screen(Center());
    SetCursorPos(center.x, center.y), test::SetLeftButton(true);
    const UINT_PTR timer = SetTimer(nullptr, 0, test::kPatience, LetGo); // should the target never see it
    EXPECT_EQ(source->Execute(), drDropCopy);
    KillTimer(nullptr, timer);
    EXPECT_EQ(log, (Strings{"image", "drop 1 " + x + " " + y}));
    EXPECT_EQ(ImageList_GetDragImage(nullptr, nullptr), nullptr);
    source->SetImages(nullptr);
}
