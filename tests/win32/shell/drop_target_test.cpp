// The drop targets on a real list box: the platform's four drag calls made
// by the test with a data object of its own, registration, the component's
// lifetime against the platform's references, auto-scrolling through the
// message loop, the clipboard, and a real drag from another process
// (drop-files.exe, built beside these tests).
#include "components/shell/drop_target.h"
#include "tests/test_support.h"
#include "tests/win32/window_search.h"

#include <shlobj.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

using namespace kelvo;

namespace {

// OLE and the registered formats, once for the whole program, before any window.
const TShellStartup g_shell;

// A data object of the test's own: each offered format is a block of bytes
// handed out in fresh global memory. It counts its references but never
// deletes itself (it lives on the test's stack).
class TestData final : public IDataObject {
public:
    std::map<CLIPFORMAT, std::string> formats;
    std::set<CLIPFORMAT> failing; // offered, but fetching them fails
    LONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        *object = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject) ? this : nullptr;
        if (!*object)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        if (QueryGetData(format) != S_OK)
            return DV_E_FORMATETC;
        if (failing.count(format->cfFormat))
            return E_OUTOFMEMORY;
        const std::string& bytes = formats.at(format->cfFormat);
        *medium = {};
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        std::memcpy(GlobalLock(medium->hGlobal), bytes.data(), bytes.size());
        GlobalUnlock(medium->hGlobal);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override
    {
        return formats.count(format->cfFormat) && (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
};

const std::vector<std::string> kFiles = {"C:\\Sims\\one.far", "C:\\My Sims\\Gr\xF6\xDF" "e.iff", "D:\\three.bmp"};

// Names, each zero-terminated, then an empty name; UTF-16 when wide.
std::string NameList(const std::vector<std::string>& names, bool wide = false)
{
    std::string bytes;
    for (const std::string& name : names) {
        for (char c : name + '\0') {
            bytes.push_back(c);
            if (wide)
                bytes.push_back('\0'); // the test's names are Latin-1: UTF-16 is the byte and a zero
        }
    }
    return bytes + (wide ? std::string(2, '\0') : std::string(1, '\0'));
}

std::string DroppedFiles(const std::vector<std::string>& names, bool wide = false)
{
    DROPFILES header{};
    header.pFiles = sizeof header;
    header.fWide = wide;
    return std::string(reinterpret_cast<const char*>(&header), sizeof header) + NameList(names, wide);
}

// Runs this thread's messages until the condition holds; false when it
// still does not after kPatience.
template <class Condition>
bool PumpUntil(Condition condition)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > test::kPatience)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return true;
}

constexpr DWORD kAllEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

// What the events saw.
struct Seen {
    std::vector<std::string> calls;
    std::map<std::string, std::vector<std::string>> filesAt; // by event
    std::vector<std::string> files, mappedNames;
    std::string text;
    DWORD effect = 0;
    POINT point{};
};

// A drop target taking copies, registered on a list box in a window on the
// screen; the list has 100 lines and an 11-pixel font, so its scroll margin
// is 11 pixels.
template <class Target>
class DropFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::SetExceptionHandler([this](const std::exception& error) { errors.push_back(error.what()); });
        ASSERT_TRUE(window && list && otherList && font);
        SendMessageA(list.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
        for (int i = 0; i < 100; ++i)
            SendMessageA(list.Get(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(("Line " + std::to_string(i)).c_str()));
        UpdateWindow(window.Get());
        target->Dragtypes = {dtCopy};
        target->Register(list.Get(), "FileListBox");
        Record(target->OnEnter, "enter");
        Record(target->OnDragOver, "over");
        Record(target->OnDrop, "drop");
        target->OnLeave = [this](TDropTarget&) { seen.calls.push_back("leave"); };
    }
    void TearDown() override
    {
        EXPECT_TRUE(errors.empty()) << errors.front();
        ui::SetExceptionHandler(nullptr);
    }

    void Record(TDropTargetEvent& event, const char* name)
    {
        event = [this, name](TDropTarget& sender, TShiftState, POINT point, DWORD& effect) {
            EXPECT_EQ(&sender, static_cast<TDropTarget*>(target.Get()));
            seen.calls.push_back(name);
            seen.effect = effect;
            seen.point = point;
            if constexpr (std::is_same_v<Target, TDropFileTarget>) {
                seen.files = seen.filesAt[name] = target->Files;
                seen.mappedNames = target->MappedNames;
            } else {
                seen.text = target->Text;
            }
        };
    }

    // A client point of the list on the screen, as the platform passes it.
    POINTL Screen(POINT client) const
    {
        ClientToScreen(list.Get(), &client);
        return {client.x, client.y};
    }
    POINT Center() const
    {
        RECT client{};
        GetClientRect(list.Get(), &client);
        return {client.right / 2, client.bottom / 2};
    }

    // Enter, move over the centre and drop there, as the platform does;
    // the effect of each call.
    std::vector<DWORD> EnterOverDrop(TestData& data, DWORD keys = MK_LBUTTON, DWORD offered = kAllEffects)
    {
        const POINTL at = Screen(Center());
        std::vector<DWORD> effects(3, offered);
        EXPECT_EQ(target->DragEnter(&data, keys, at, &effects[0]), S_OK);
        EXPECT_EQ(target->DragOver(keys, at, &effects[1]), S_OK);
        EXPECT_EQ(target->Drop(&data, keys & ~MK_LBUTTON, at, &effects[2]), S_OK);
        return effects;
    }

    HWND MakeList(int x) const
    {
        const DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT;
        return CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "", style, x, 10, 200, 200, window.Get(), nullptr,
                               nullptr, nullptr);
    }

    std::vector<std::string> errors;
    Seen seen;
    ui::OwnedWindow window{CreateWindowExA(WS_EX_TOPMOST, "STATIC", "Drop here", WS_POPUP | WS_VISIBLE | WS_BORDER,
                                           100, 100, 460, 240, nullptr, nullptr, nullptr, nullptr)};
    ui::OwnedWindow list{MakeList(10)};
    ui::OwnedWindow otherList{MakeList(240)};
    ui::OwnedFont font{CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0,
                                   "Tahoma")};
    OwnedComponent<Target> target;
};

using FileDrop = DropFixture<TDropFileTarget>;
using TextDrop = DropFixture<TDropTextTarget>;

std::map<CLIPFORMAT, std::string> FileList(const std::vector<std::string>& names = kFiles)
{
    return {{CF_HDROP, DroppedFiles(names)}};
}

} // namespace

TEST_F(FileDrop, ThreeFilesArriveInOrderWithCopyAndAreGoneAfterTheDrop)
{
    for (const auto& [onEnter, wide] : {std::pair{false, false}, {true, true}}) {
        SCOPED_TRACE(onEnter ? "wide names read on enter" : "ANSI names read at the drop");
        target->GetDataOnEnter = onEnter;
        seen = {};
        TestData data;
        data.formats = {{CF_HDROP, DroppedFiles(kFiles, wide)}};
        EXPECT_EQ(EnterOverDrop(data), (std::vector<DWORD>{DROPEFFECT_COPY, DROPEFFECT_COPY, DROPEFFECT_COPY}));
        EXPECT_EQ(seen.calls, (std::vector<std::string>{"enter", "over", "drop"}));
        EXPECT_EQ(seen.filesAt["enter"], onEnter ? kFiles : std::vector<std::string>{});
        EXPECT_EQ(seen.files, kFiles);
        EXPECT_EQ(seen.effect, DROPEFFECT_COPY);
        EXPECT_EQ(seen.point.x, Center().x);
        EXPECT_EQ(seen.point.y, Center().y);
        EXPECT_TRUE(target->Files.empty());
        EXPECT_EQ(data.refs, 1); // the data object's reference went with the drop
    }
}

TEST_F(FileDrop, DataWithoutAFileListIsRefusedForTheWholeDrag)
{
    target->Dragtypes = {dtCopy, dtMove, dtLink};
    TestData data;
    data.formats = {{CF_TEXT, std::string("C:\\Sims\\one.far", 16)}};
    DWORD effect = kAllEffects;
    target->DragEnter(&data, MK_LBUTTON, Screen(Center()), &effect);
    EXPECT_EQ(effect, DROPEFFECT_NONE);
    EXPECT_EQ(data.refs, 1);
    effect = kAllEffects;
    target->DragOver(MK_LBUTTON, Screen({5, 5}), &effect);
    EXPECT_EQ(effect, DROPEFFECT_NONE); // not even the scroll flag
    target->DragLeave();
    effect = kAllEffects;
    target->Drop(&data, 0, Screen(Center()), &effect);
    EXPECT_EQ(effect, DROPEFFECT_NONE);
    EXPECT_EQ(seen.calls, std::vector<std::string>{"leave"});
}

TEST_F(FileDrop, KeysAndAHandlerChooseTheEffect)
{
    target->Dragtypes = {dtCopy, dtMove, dtLink};
    TestData data;
    data.formats = FileList();
    // The drop comes with the mouse button up and the keys still held.
    EXPECT_EQ(EnterOverDrop(data, MK_LBUTTON | MK_SHIFT), (std::vector<DWORD>(3, DROPEFFECT_MOVE)));
    EXPECT_EQ(EnterOverDrop(data, MK_LBUTTON | MK_SHIFT | MK_CONTROL), (std::vector<DWORD>(3, DROPEFFECT_LINK)));
    // A handler's choice replaces the built-in one, unchanged.
    target->OnGetDropEffect = [](TDropTarget&, TShiftState shift, POINT, DWORD& effect) {
        effect = shift.Contains(ssAlt) ? DROPEFFECT_LINK : effect & DROPEFFECT_MOVE;
    };
    EXPECT_EQ(EnterOverDrop(data, MK_LBUTTON | MK_ALT)[1], DROPEFFECT_LINK);
    EXPECT_EQ(EnterOverDrop(data)[1], DROPEFFECT_MOVE);
}

TEST_F(FileDrop, NameMapsArriveOnlyWhenTheyMatchTheFiles)
{
    const std::vector<std::string> mapped = {"a.far", "Gr\xF6\xDF" "e.iff", "c.bmp"};
    const std::vector<std::string> none;
    // the name maps offered, the mapped names seen
    const std::tuple<const char*, std::map<CLIPFORMAT, std::string>, std::vector<std::string>> cases[] = {
        {"wide", {{CF_FILENAMEMAPW, NameList(mapped, true)}}, mapped},
        {"ANSI before wide", {{CF_FILENAMEMAP, NameList(mapped)}, {CF_FILENAMEMAPW, NameList({"x", "y", "z"}, true)}},
         mapped},
        {"fewer names", {{CF_FILENAMEMAP, NameList({"a.far", "b.iff"})}}, none},
    };
    for (const auto& [what, maps, expected] : cases) {
        SCOPED_TRACE(what);
        TestData data;
        data.formats = FileList();
        data.formats.insert(maps.begin(), maps.end());
        seen = {};
        EnterOverDrop(data);
        EXPECT_EQ(seen.files, kFiles);
        EXPECT_EQ(seen.mappedNames, expected);
        EXPECT_TRUE(target->MappedNames.empty());
    }
}

TEST_F(FileDrop, DropsThatCannotBeCompletedEndWithoutEffect)
{
    // A file list that cannot be fetched, or holds no names: no OnDrop.
    TestData failing, empty, good;
    failing.formats = good.formats = FileList();
    failing.failing = {CF_HDROP};
    empty.formats = FileList({});
    for (TestData* data : {&failing, &empty}) {
        seen = {};
        EXPECT_EQ(EnterOverDrop(*data)[2], DROPEFFECT_NONE);
        EXPECT_EQ(seen.calls, (std::vector<std::string>{"enter", "over"}));
        EXPECT_EQ(data->refs, 1);
    }
    // A handler that throws: the error goes to the error box, the data still goes.
    target->OnDrop = [](TDropTarget&, TShiftState, POINT, DWORD&) { throw std::runtime_error("Disk full"); };
    EXPECT_EQ(EnterOverDrop(good)[2], DROPEFFECT_NONE);
    EXPECT_EQ(errors, std::vector<std::string>{"Disk full"});
    EXPECT_EQ(good.refs, 1);
    EXPECT_TRUE(target->Files.empty());
    errors.clear();
}

TEST_F(FileDrop, RegistrationFollowsTheControl)
{
    // Another target, to find out whether a window is registered: the
    // platform takes only one target per window.
    OwnedComponent<TDropDummy> probe;
    const auto registered = [&](HWND control) {
        if (SUCCEEDED(RegisterDragDrop(control, probe.Get()))) {
            RevokeDragDrop(control);
            return false;
        }
        return true;
    };
    EXPECT_TRUE(registered(list.Get()));
    target->Register(list.Get(), "FileListBox"); // the same control again: nothing happens
    EXPECT_TRUE(registered(list.Get()));
    target->Register(otherList.Get(), "OtherListBox");
    EXPECT_FALSE(registered(list.Get()));
    EXPECT_TRUE(registered(otherList.Get()));
    EXPECT_EQ(target->RegisteredControl(), otherList.Get());
    target->Unregister();
    EXPECT_FALSE(registered(otherList.Get()));
    EXPECT_EQ(target->RegisteredControl(), nullptr);
    // Every platform reference taken by the registrations is given back.
    EXPECT_EQ(target->AddRef(), 2u);
    EXPECT_EQ(target->Release(), 1u);

    // The platform refuses a window that has a target already.
    ASSERT_EQ(RegisterDragDrop(list.Get(), probe.Get()), S_OK);
    EXPECT_EQ(test::ErrorOf<ShellError>([&] { target->Register(list.Get(), "FileListBox"); }),
              "Failed to Register FileListBox");
    EXPECT_EQ(target->RegisteredControl(), nullptr);
    RevokeDragDrop(list.Get());
    // Once the window is free, the same call registers it.
    target->Register(list.Get(), "FileListBox");
    EXPECT_TRUE(registered(list.Get()));
    // Revoked behind the target's back: it cannot revoke, and says so.
    RevokeDragDrop(list.Get());
    EXPECT_EQ(test::ErrorOf<ShellError>([&] { target->Unregister(); }), "Failed to Unregister FileListBox");
    EXPECT_EQ(target->RegisteredControl(), list.Get());
    // A control whose window is gone is just forgotten.
    list.Reset();
    target->Unregister();
    EXPECT_EQ(target->RegisteredControl(), nullptr);
}

namespace {

// A component that tells when it is deleted.
class WatchedDummy : public TDropDummy {
public:
    bool* deleted = nullptr;

private:
    ~WatchedDummy() override { *deleted = true; }
};

} // namespace

TEST_F(FileDrop, AComponentStaysWhileThePlatformHoldsItAndGoesWithItsLastReference)
{
    bool deleted = false;
    IDropTarget* held = nullptr;
    int leaves = 0;
    {
        OwnedComponent<WatchedDummy> owned;
        owned->deleted = &deleted;
        owned->Register(otherList.Get(), "OtherListBox");
        owned->OnLeave = [&](TDropTarget&) { ++leaves; };
        // It answers for IUnknown and IDropTarget only.
        void* other = &deleted;
        EXPECT_EQ(owned->QueryInterface(IID_IDataObject, &other), E_NOINTERFACE);
        EXPECT_EQ(other, nullptr);
        ASSERT_EQ(owned->QueryInterface(IID_IDropTarget, reinterpret_cast<void**>(&held)), S_OK);
        held->DragLeave();
        EXPECT_EQ(leaves, 1);
    }
    // The owner is gone: the control is free again, the events are
    // cleared, and the platform's reference keeps the component.
    EXPECT_FALSE(deleted);
    OwnedComponent<TDropDummy> probe;
    EXPECT_EQ(RegisterDragDrop(otherList.Get(), probe.Get()), S_OK);
    RevokeDragDrop(otherList.Get());
    EXPECT_EQ(held->DragLeave(), S_OK);
    EXPECT_EQ(leaves, 1);
    EXPECT_EQ(held->Release(), 0u);
    EXPECT_TRUE(deleted);
}

TEST_F(FileDrop, APointerNearAnEdgeScrollsTheListWhileItRestsThere)
{
    RECT client{};
    GetClientRect(list.Get(), &client);
    const auto top = [&] { return static_cast<int>(SendMessageA(list.Get(), LB_GETTOPINDEX, 0, 0)); };
    // the pointer's height in the list, the direction the list scrolls
    for (const auto& [y, direction] : {std::pair{5, -1}, {static_cast<int>(client.bottom) - 5, 1}}) {
        SCOPED_TRACE(y);
        SendMessageA(list.Get(), LB_SETTOPINDEX, 40, 0);
        TestData data;
        data.formats = FileList();
        DWORD effect = kAllEffects;
        target->DragEnter(&data, MK_LBUTTON, Screen(Center()), &effect);
        EXPECT_EQ(effect, DROPEFFECT_COPY);
        effect = kAllEffects;
        target->DragOver(MK_LBUTTON, Screen({Center().x, y}), &effect);
        EXPECT_EQ(effect, DROPEFFECT_COPY | DROPEFFECT_SCROLL);
        // The timer scrolls the list line by line.
        EXPECT_TRUE(PumpUntil([&] { return (top() - 40) * direction >= 2; })) << top();
        // Out of the margin the flag goes; a drop inside the margin passes it on.
        effect = kAllEffects;
        target->DragOver(MK_LBUTTON, Screen({Center().x, 12}), &effect);
        EXPECT_EQ(effect, DROPEFFECT_COPY);
        effect = kAllEffects;
        target->DragOver(MK_LBUTTON, Screen({Center().x, y}), &effect);
        effect = kAllEffects;
        target->Drop(&data, 0, Screen({Center().x, y}), &effect);
        EXPECT_EQ(effect, DROPEFFECT_COPY | DROPEFFECT_SCROLL);
        EXPECT_EQ(seen.effect, DROPEFFECT_COPY | DROPEFFECT_SCROLL);
    }
}

TEST_F(TextDrop, TextArrivesAndIsGoneAfterTheDrop)
{
    TestData text, files;
    text.formats = {{CF_TEXT, std::string("Hello, FAR\0tail", 15)}};
    files.formats = FileList();
    EXPECT_EQ(EnterOverDrop(text)[2], DROPEFFECT_COPY);
    EXPECT_EQ(seen.text, "Hello, FAR");
    EXPECT_TRUE(target->Text.empty());
    seen = {};
    EXPECT_EQ(EnterOverDrop(files)[0], DROPEFFECT_NONE);
    EXPECT_TRUE(seen.calls.empty());
}

namespace {

// Puts blocks on the clipboard, replacing what it held.
void SetClipboard(HWND owner, const std::map<UINT, std::string>& blocks)
{
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    for (const auto& [format, bytes] : blocks) {
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
        GlobalUnlock(memory);
        SetClipboardData(format, memory);
    }
    CloseClipboard();
}

std::string Effect(DWORD effect) { return std::string(reinterpret_cast<const char*>(&effect), sizeof effect); }

} // namespace

TEST_F(FileDrop, PastingTakesTheClipboardsFilesAndPreferredEffect)
{
    // what the clipboard holds, the effect, the files taken
    const std::tuple<std::map<UINT, std::string>, DWORD, std::vector<std::string>> cases[] = {
        {{{CF_HDROP, DroppedFiles(kFiles)}, {CF_PREFERREDDROPEFFECT, Effect(DROPEFFECT_MOVE)}},
         DROPEFFECT_MOVE,
         kFiles},
        {{{CF_HDROP, DroppedFiles(kFiles, true)}}, DROPEFFECT_COPY, kFiles},
        {{{CF_TEXT, std::string("C:\\a.far", 9)}}, 0, {"kept"}},
    };
    for (const auto& [blocks, effect, files] : cases) {
        SetClipboard(window.Get(), blocks);
        target->Files = {"kept"};
        EXPECT_EQ(target->PasteFromClipboard(), effect);
        EXPECT_EQ(target->Files, files);
    }
    OwnedComponent<TDropTextTarget> text;
    EXPECT_EQ(text->PasteFromClipboard(), DROPEFFECT_COPY);
    EXPECT_EQ(text->Text, "C:\\a.far");
}

TEST_F(FileDrop, AnotherProcessDropsTwoFilesThroughARealDrag)
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::filesystem::path program =
        std::filesystem::path(self).parent_path().parent_path().parent_path() / "e2e" / "drop-files.exe";
    ASSERT_TRUE(std::filesystem::exists(program)) << program;
    POINT at = Center();
    ClientToScreen(list.Get(), &at);
    const std::vector<std::string> files = {kFiles[0], kFiles[1]};
    std::string command = "\"" + program.string() + "\" " + std::to_string(at.x) + " " + std::to_string(at.y);
    for (const std::string& file : files)
        command += " \"" + file + "\"";

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process));
    // The drag calls come in through this thread's messages.
    const bool ended = PumpUntil([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; });
    if (!ended)
        TerminateProcess(process.hProcess, 99);
    DWORD exitCode = 99;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_TRUE(ended);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(seen.files, files);
    EXPECT_EQ(seen.effect, DROPEFFECT_COPY);
    ASSERT_FALSE(seen.calls.empty());
    EXPECT_EQ(seen.calls.front(), "enter");
    EXPECT_EQ(seen.calls.back(), "drop");
}

TEST_F(FileDrop, TheDragImageOfADragFromThisProgramFollowsThePointer)
{
    // A 32 x 32 red image dragged with the image-list functions, its hot spot
    // at its top-left. (Its list has a mask: the drag cursor image is merged
    // into the drag image through the masks.)
    ui::OwnedImageList images(ImageList_Create(32, 32, ILC_COLOR24 | ILC_MASK, 1, 0));
    std::vector<std::uint32_t> pixels(32 * 32, 0xFF0000); // red, as 0x00RRGGBB
    const ui::OwnedBitmap red(CreateBitmap(32, 32, 1, 32, pixels.data()));
    ImageList_AddMasked(images.Get(), red.Get(), RGB(0, 255, 0));
    ASSERT_TRUE(ImageList_BeginDrag(images.Get(), 0, 0, 0));
    const auto redAt = [&](POINT client) {
        const POINT at = ClientPtToWindowPt(list.Get(), client);
        HDC dc = GetWindowDC(list.Get());
        const COLORREF colour = GetPixel(dc, at.x + 8, at.y + 8);
        ReleaseDC(list.Get(), dc);
        // The image is drawn blended with what lies beneath.
        return GetRValue(colour) > 0xC0 && GetGValue(colour) < 0x80 && GetBValue(colour) < 0x80;
    };
    TestData data;
    data.formats = FileList();
    const POINT first = Center(), second{first.x - 60, first.y + 30};
    DWORD effect = kAllEffects;
    target->DragEnter(&data, MK_LBUTTON, Screen(first), &effect);
    EXPECT_TRUE(redAt(first));
    target->DragOver(MK_LBUTTON, Screen(second), &effect);
    EXPECT_TRUE(redAt(second));
    EXPECT_FALSE(redAt(first));
    target->SetShowImage(false);
    EXPECT_FALSE(redAt(second));
    target->SetShowImage(true);
    EXPECT_TRUE(redAt(second));
    target->DragLeave();
    EXPECT_FALSE(redAt(second));
    ImageList_EndDrag();
}
