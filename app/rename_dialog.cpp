#include "app/rename_dialog.h"

#include <cwchar>
#include <vector>

namespace kelvo {

namespace {

constexpr UINT kEntryCodePage = 1252; // entry names are Windows-1252

struct DialogState {
    std::wstring name;
    bool accepted = false;
};

// A dialog template in memory: the header, then the items, each starting on
// a four-byte boundary.
class DialogTemplate {
public:
    DialogTemplate(const wchar_t* caption, short width, short height)
    {
        const DWORD style = DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
        Put32(style);
        Put32(0); // extended style
        countAt_ = words_.size();
        Put16(0);  // item count, counted as items come
        Put16(0);  // x
        Put16(0);  // y
        Put16(static_cast<WORD>(width));
        Put16(static_cast<WORD>(height));
        Put16(0); // no menu
        Put16(0); // the standard dialog class
        PutText(caption);
        Put16(8);
        PutText(L"MS Shell Dlg");
    }
    // An item of a predefined class: 0x0080 button, 0x0081 edit, 0x0082 static.
    void Add(WORD classAtom, DWORD style, short x, short y, short width, short height, WORD id, const wchar_t* text)
    {
        if (words_.size() % 2 != 0)
            Put16(0);
        Put32(WS_CHILD | WS_VISIBLE | style);
        Put32(0);
        for (short value : {x, y, width, height})
            Put16(static_cast<WORD>(value));
        Put16(id);
        Put16(0xFFFF);
        Put16(classAtom);
        PutText(text);
        Put16(0); // no creation data
        ++words_[countAt_];
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void Put16(WORD value) { words_.push_back(value); }
    void Put32(DWORD value)
    {
        Put16(LOWORD(value));
        Put16(HIWORD(value));
    }
    void PutText(const wchar_t* text)
    {
        for (; *text; ++text)
            Put16(static_cast<WORD>(*text));
        Put16(0);
    }

    std::vector<WORD> words_;
    std::size_t countAt_ = 0;
};

INT_PTR CALLBACK RenameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        const auto& state = *reinterpret_cast<const DialogState*>(lParam);
        HWND edit = GetDlgItem(dialog, kRenameEditId);
        SetWindowTextW(edit, state.name.c_str());
        SendMessageW(edit, EM_SETSEL, 0, -1);
        SetFocus(edit);
        return FALSE; // the focus is set
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            auto& state = *reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
            if (LOWORD(wParam) == IDOK) {
                HWND edit = GetDlgItem(dialog, kRenameEditId);
                std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
                text.resize(static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
                state.name = text;
                state.accepted = true;
            }
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

std::wstring Widen(const std::string& text)
{
    if (text.empty())
        return {};
    const int length = MultiByteToWideChar(kEntryCodePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(kEntryCodePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

} // namespace

std::optional<std::string> RunRenameDialog(HWND owner, const std::string& name, bool& refused)
{
    refused = false;
    DialogTemplate form(L"Rename Entry", 280, 62);
    form.Add(0x0082, SS_LEFT, 7, 7, 266, 9, 0xFFFF, L"&New name:");
    form.Add(0x0081, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 7, 18, 266, 13, kRenameEditId, L"");
    form.Add(0x0080, WS_TABSTOP | BS_DEFPUSHBUTTON, 169, 40, 50, 14, IDOK, L"OK");
    form.Add(0x0080, WS_TABSTOP | BS_PUSHBUTTON, 223, 40, 50, 14, IDCANCEL, L"Cancel");
    DialogState state{Widen(name)};
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), form.Get(), owner, RenameDialogProc,
                            reinterpret_cast<LPARAM>(&state));
    if (!state.accepted)
        return std::nullopt;
    if (state.name.empty())
        return std::string();
    BOOL lost = FALSE;
    const int length = WideCharToMultiByte(kEntryCodePage, WC_NO_BEST_FIT_CHARS, state.name.data(),
                                           static_cast<int>(state.name.size()), nullptr, 0, nullptr, &lost);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(kEntryCodePage, WC_NO_BEST_FIT_CHARS, state.name.data(), static_cast<int>(state.name.size()),
                        text.data(), length, nullptr, &lost);
    refused = lost != FALSE;
    return text;
}

} // namespace kelvo
