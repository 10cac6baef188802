#include "components/shell/about_box.h"

#include "common/dpi_scale.h"
#include "components/shell/about_rules.h"
#include "components/shell/shell_init.h"
#include "ui/canvas.h"
#include "ui/registry.h"
#include "ui/window.h"

#include <shellapi.h>

namespace kelvo {

TAboutBox* AboutBox = nullptr;

namespace {

// The system's version, taken once when the program starts.
about::OsVersion QueryVersion()
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info))
        return {};
    return {info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, info.szCSDVersion};
}
const about::OsVersion startVersion = QueryVersion();

constexpr int kClientWidth = 342;
constexpr int kClientHeight = 250;

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kNavy = RGB(0, 0, 128);

// Where the embossed title's three layers are drawn, bottom layer first.
struct TitleLayer {
    HWND TAboutBox::*label;
    POINT origin;
    COLORREF color;
};
constexpr TitleLayer kTitleLayers[] = {
    {&TAboutBox::ProductName1, {82, 36}, kWhite},
    {&TAboutBox::ProductName3, {83, 35}, kGrey},
    {&TAboutBox::ProductName2, {84, 34}, kBlack},
};
constexpr int kTitleWidth = 238;
constexpr int kTitleHeight = 33;

// The ids of the clickable labels.
enum ControlId : int { idURL = 101, idEMAIL, idLabel };

ui::OwnedFont MakeFont(const char* face, int pixels, int weight = FW_NORMAL, bool underline = false)
{
    return ui::OwnedFont(CreateFontA(-pixels, 0, 0, 0, weight, FALSE, underline, FALSE, DEFAULT_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face));
}

std::string TextOf(HWND window)
{
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

RECT BoundsInParent(HWND control)
{
    RECT bounds{};
    GetWindowRect(control, &bounds);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&bounds), 2);
    return bounds;
}

} // namespace

INT_PTR TAboutBox::ShowModal(HWND owner)
{
    // A dialog template with no controls, menu, class or title: the box
    // makes its controls itself. Templates are read as DWORD-aligned.
    struct alignas(4) EmptyTemplate {
        DLGTEMPLATE header;
        WORD menu, windowClass, title;
    };
    const EmptyTemplate empty{{WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 0, 0, 0, 0}, 0, 0, 0};
    return DialogBoxIndirectParamA(GetModuleHandleA(nullptr), &empty.header, owner, DialogProc,
                                   reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK TAboutBox::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        reinterpret_cast<TAboutBox*>(lParam)->handle_ = dialog;
    }
    auto* self = reinterpret_cast<TAboutBox*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (!self)
        return FALSE;
    try {
        const INT_PTR result = self->HandleMessage(message, wParam, lParam);
        if (message == WM_NCDESTROY)
            self->handle_ = nullptr;
        return result;
    } catch (const std::exception& error) {
        ui::ShowException(error);
        return FALSE;
    }
}

INT_PTR TAboutBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        CreateControls();
        FormCreate();
        SetFocus(OKButton);
        return FALSE; // the focus is set
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL: // Escape: the OK button is also the cancel button
            EndDialog(handle_, IDOK);
            return TRUE;
        case idURL:
            if (HIWORD(wParam) == STN_CLICKED)
                URLClick();
            return TRUE;
        case idEMAIL:
            if (HIWORD(wParam) == STN_CLICKED)
                EMAILClick();
            return TRUE;
        default:
            return FALSE;
        }
    case WM_CLOSE: // the close box
        EndDialog(handle_, IDCANCEL);
        return TRUE;
    case WM_SETCURSOR: {
        const auto over = reinterpret_cast<HWND>(wParam);
        if (over != URL && over != EMAIL)
            return FALSE;
        SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
        SetWindowLongPtrA(handle_, DWLP_MSGRESULT, TRUE);
        return TRUE;
    }
    case WM_CTLCOLORSTATIC: {
        const auto label = reinterpret_cast<HWND>(lParam);
        if (label != Company && label != Version && label != Copyright && label != URL && label != EMAIL)
            return FALSE;
        const auto dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, LabelColor(label));
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_DRAWITEM:
        DrawTitle(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    default:
        return FALSE;
    }
}

int TAboutBox::Scale(int size) const { return dpi::Scale(size, dpi_); }

COLORREF TAboutBox::LabelColor(HWND label) const { return label == URL || label == EMAIL ? kNavy : kBlack; }

void TAboutBox::CreateControls()
{
    // Every size below is written for 96 DPI.
    dpi_ = ui::DpiOf(handle_);
    formFont_ = MakeFont("MS Sans Serif", Scale(11));
    companyFont_ = MakeFont("MS Sans Serif", Scale(13));
    titleFont_ = MakeFont("Courier New", Scale(29), FW_BOLD);
    linkFont_ = MakeFont("MS Sans Serif", Scale(11), FW_NORMAL, true);

    // The client area at its size, centred on the screen.
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(handle_, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrA(handle_, GWL_EXSTYLE));
    RECT frame{0, 0, Scale(kClientWidth), Scale(kClientHeight)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(handle_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowTextA(handle_, ("About " + texts_.ProductName).c_str());
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(formFont_.Get()), FALSE);

    // Created in tab order: the OK button first.
    OKButton = AddControl("BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, "OK", {256, 215, 75, 25}, IDOK, formFont_.Get());
    SendMessageA(handle_, DM_SETDEFID, IDOK, 0);

    ProgramIcon = AddControl("STATIC", SS_ICON, "", {16, 19, 41, 41}, idLabel, nullptr);
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1));
    if (!icon)
        icon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    SendMessageA(ProgramIcon, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);

    Company = AddLabel(SS_LEFT, texts_.Company, {82, 19, 58, 16}, idLabel, companyFont_.Get());
    for (const TitleLayer& layer : kTitleLayers)
        this->*layer.label = AddControl("STATIC", SS_OWNERDRAW | SS_NOPREFIX, texts_.ProductName,
                                        {layer.origin.x, layer.origin.y, kTitleWidth, kTitleHeight}, idLabel,
                                        titleFont_.Get());
    Version = AddLabel(SS_LEFT, texts_.Version, {82, 67, 44, 13}, idLabel, formFont_.Get());
    Copyright = AddLabel(SS_LEFT, texts_.Copyright, {82, 86, 53, 13}, idLabel, formFont_.Get());
    URL = AddLabel(SS_LEFT | SS_NOTIFY, texts_.URL, {82, 109, 31, 13}, idURL, linkFont_.Get());
    EMAIL = AddLabel(SS_LEFT | SS_NOTIFY, texts_.EMail, {82, 134, 32, 13}, idEMAIL, linkFont_.Get());
    Bevel1 = AddControl("STATIC", SS_ETCHEDHORZ, "", {82, 158, 251, 2}, idLabel, nullptr);
    OS = AddLabel(SS_LEFT, "OS", {82, 167, 15, 13}, idLabel, formFont_.Get());
    Label3 = AddLabel(SS_LEFT, "Memory Available to Windows:", {82, 184, 145, 13}, idLabel, formFont_.Get());
    PhysMem = AddLabel(SS_RIGHT, "0", {323, 184, 6, 13}, idLabel, formFont_.Get());
}

HWND TAboutBox::AddControl(const char* className, DWORD style, const std::string& text, RECT bounds, int id,
                           HFONT font)
{
    HWND control = CreateWindowExA(0, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, Scale(bounds.left),
                                   Scale(bounds.top), Scale(bounds.right), Scale(bounds.bottom), handle_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                                   nullptr);
    if (font)
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

HWND TAboutBox::AddLabel(DWORD style, const std::string& text, RECT bounds, int id, HFONT font)
{
    HWND label = AddControl("STATIC", SS_NOPREFIX | style, text, bounds, id, font);
    FitToText(label);
    return label;
}

void TAboutBox::SetLabel(HWND label, const std::string& text)
{
    SetWindowTextA(label, text.c_str());
    FitToText(label);
}

void TAboutBox::FitToText(HWND label)
{
    ui::WindowDc dc(label);
    ui::Canvas canvas(dc.Get());
    canvas.SelectFont(reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)));
    const std::optional<SIZE> extent = canvas.TextExtent(TextOf(label));
    if (!extent)
        return;
    RECT bounds = BoundsInParent(label);
    if ((GetWindowLongPtrA(label, GWL_STYLE) & SS_TYPEMASK) == SS_RIGHT)
        bounds.left = bounds.right - extent->cx;
    else
        bounds.right = bounds.left + extent->cx;
    MoveWindow(label, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, TRUE);
}

void TAboutBox::DrawTitle(const DRAWITEMSTRUCT& item) const
{
    // Each of the three labels draws all three layers over its own part of
    // the form, so the title looks the same whichever label paints last.
    const RECT own = BoundsInParent(item.hwndItem);
    ui::Canvas canvas(item.hDC);
    canvas.SetBrushColor(GetSysColor(COLOR_BTNFACE));
    canvas.FillRect(item.rcItem);
    canvas.SelectFont(titleFont_.Get());
    canvas.SetBrushClear();
    for (const TitleLayer& layer : kTitleLayers) {
        const int left = Scale(layer.origin.x) - own.left;
        const int top = Scale(layer.origin.y) - own.top;
        canvas.SetTextColor(layer.color);
        canvas.DrawText(TextOf(this->*layer.label), {left, top, left + Scale(kTitleWidth), top + Scale(kTitleHeight)},
                        DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    }
}

void TAboutBox::FormCreate() { InitializeCaptions(); }

void TAboutBox::InitializeCaptions()
{
    GetOSInfo();
    // GlobalMemoryStatusEx: the plain status stops at 2 GB for a 32-bit program.
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    GlobalMemoryStatusEx(&status);
    char separator[8] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator, sizeof separator);
    SetLabel(PhysMem, about::FormatKilobytes(status.ullTotalPhys, separator));
    // A long figure in a wide font would run into its caption: it then
    // follows the caption instead of ending at the right margin.
    constexpr int kGap = 4;
    const RECT caption = BoundsInParent(Label3);
    const RECT figure = BoundsInParent(PhysMem);
    if (figure.left < caption.right + kGap)
        MoveWindow(PhysMem, caption.right + kGap, figure.top, figure.right - figure.left, figure.bottom - figure.top,
                   TRUE);
}

void TAboutBox::GetOSInfo() { SetLabel(OS, about::OsInfoText(startVersion)); }

LONG TAboutBox::Regkey(HKEY root, const std::string& key, std::string& value)
{
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &opened);
    if (status != ERROR_SUCCESS)
        return status;
    const ui::OwnedKey owned(opened);
    value = ui::ReadRegistryString(opened, "", "").value_or("");
    return status;
}

void TAboutBox::URLClick()
{
    std::string pageClass, command;
    if (Regkey(HKEY_CLASSES_ROOT, ".htm", pageClass) != ERROR_SUCCESS || pageClass.empty() ||
        Regkey(HKEY_CLASSES_ROOT, pageClass + "\\shell\\open\\command", command) != ERROR_SUCCESS)
        return;
    const std::optional<std::string> line = about::BrowserCommandLine(command, TextOf(URL));
    if (line && WinExec(line->c_str(), SW_SHOWNORMAL) < 32)
        throw ShellError("Couldn't launch default browser");
}

void TAboutBox::EMAILClick()
{
    ShellExecuteA(nullptr, nullptr, ("mailto:" + TextOf(EMAIL)).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool TAboutDialog::Execute()
{
    if (ProductName.empty())
        ProductName = about::kApplicationTitle;
    TAboutBox box({Company, ProductName, Version, Copyright, URL, EMail});
    struct Published {
        explicit Published(TAboutBox& box) { AboutBox = &box; }
        ~Published() { AboutBox = nullptr; }
    } published(box);
    return box.ShowModal(parent_) == IDOK;
}

} // namespace kelvo
