#include "components/shell/browse_directory_dlg.h"

#include <cstring>

#include "ui/handles.h"
#include "ui/window.h"

namespace kelvo {

static_assert(browse::kBifReturnOnlyFsDirs == BIF_RETURNONLYFSDIRS &&
              browse::kBifDontGoBelowDomain == BIF_DONTGOBELOWDOMAIN && browse::kBifStatusText == BIF_STATUSTEXT &&
              browse::kBifReturnFsAncestors == BIF_RETURNFSANCESTORS && browse::kBifEditBox == BIF_EDITBOX &&
              browse::kBifValidate == BIF_VALIDATE && browse::kBifBrowseForComputer == BIF_BROWSEFORCOMPUTER &&
              browse::kBifBrowseForPrinter == BIF_BROWSEFORPRINTER &&
              browse::kBifBrowseIncludeFiles == BIF_BROWSEINCLUDEFILES);

namespace {

// Drive and disk errors fail silently instead of asking for a disk, until
// the scope ends.
class QuietErrorMode {
public:
    QuietErrorMode() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
    QuietErrorMode(const QuietErrorMode&) = delete;
    QuietErrorMode& operator=(const QuietErrorMode&) = delete;
    ~QuietErrorMode() { SetErrorMode(previous_); }

private:
    UINT previous_;
};

// COM on this thread for the shell dialog; balanced when it was taken here.
class ComScope {
public:
    ComScope() : result_(CoInitialize(nullptr)) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope()
    {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }

private:
    HRESULT result_;
};

// A directory search, closed when it goes.
class FindScope {
public:
    FindScope(const std::string& name, WIN32_FIND_DATAA& found) : handle_(FindFirstFileA(name.c_str(), &found)) {}
    FindScope(const FindScope&) = delete;
    FindScope& operator=(const FindScope&) = delete;
    ~FindScope()
    {
        if (Found())
            FindClose(handle_);
    }
    bool Found() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

bool IsNtPlatform()
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// The file-system path of an item; empty when it has none.
std::string PathOf(LPCITEMIDLIST item)
{
    char path[MAX_PATH] = {};
    if (!item || !SHGetPathFromIDListA(item, path))
        return {};
    return path;
}

std::string FromWide(const wchar_t* text)
{
    const int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1)
        return {};
    std::string result(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, result.data(), length, nullptr, nullptr);
    result.pop_back(); // the terminating zero
    return result;
}

std::wstring ToWide(const std::string& text)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(), length);
    return result;
}

} // namespace

bool DirExists(const std::string& name)
{
    const QuietErrorMode quiet;
    if (browse::IsDriveRoot(name))
        return browse::DriveInMask(name, GetLogicalDrives());
    const std::string search = browse::DirectorySearchName(name);
    if (search.empty())
        return false;
    WIN32_FIND_DATAA found{};
    const FindScope entry(search, found);
    return entry.Found() && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

TmoxBrowseDirectoryDlg::TmoxBrowseDirectoryDlg(HWND parent) : parent_(parent)
{
    // Without an allocator Execute cannot allocate its name buffer and returns false.
    SHGetMalloc(allocator_.Out());
}

bool TmoxBrowseDirectoryDlg::Execute()
{
    displayName_.clear();
    const ComScope com;
    std::unique_ptr<char, browse::ShellFree> name(
        static_cast<char*>(allocator_ ? allocator_->Alloc(MAX_PATH) : nullptr), {allocator_.Get()});
    if (!name)
        return false;
    name.get()[0] = '\0';

    LPITEMIDLIST rootItem = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(parent_, browse::RootFolderCsidl(root_, IsNtPlatform()), &rootItem)))
        rootItem = nullptr; // the whole desktop
    const browse::ItemIdList root = OwnItem(rootItem);

    BROWSEINFOA info{};
    info.hwndOwner = parent_;
    info.pidlRoot = root.get();
    info.pszDisplayName = name.get();
    info.lpszTitle = title_.c_str();
    info.ulFlags = browse::BrowseInfoFlags(options_, statusText_, showSelectionInStatus_);
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(this);
    info.iImage = -1;
    browse::ItemIdList chosen = [&] {
        const QuietErrorMode quiet;
        return OwnItem(SHBrowseForFolderA(&info));
    }();
    dialog_ = nullptr;

    if (!chosen) {
        selection_.clear();
        selectionPidl_.reset();
        return false;
    }
    std::string path;
    bool hasPath;
    if (options_.Contains(bfComputers)) {
        // The computer's name; its file-system path instead when it has one.
        path = "\\\\" + std::string(name.get());
        if (const std::string fileSystemPath = PathOf(chosen.get()); !fileSystemPath.empty())
            path = fileSystemPath;
        hasPath = true;
    } else {
        hasPath = SHGetPathFromIDListA(chosen.get(), name.get());
        path = name.get();
    }
    imageIndex_ = info.iImage;
    if (hasPath && info.iImage == -1) {
        SHFILEINFOA file{};
        imageIndex_ = SHGetFileInfoA(path.c_str(), 0, &file, sizeof file, SHGFI_SYSICONINDEX) ? file.iIcon : -1;
    }
    // An item without a file-system path is still a choice.
    displayName_ = name.get();
    selection_ = path;
    selectionPidl_ = std::move(chosen);
    return true;
}

int CALLBACK TmoxBrowseDirectoryDlg::BrowseCallback(HWND window, UINT message, LPARAM param, LPARAM data)
{
    auto* dialog = reinterpret_cast<TmoxBrowseDirectoryDlg*>(data);
    if (!dialog)
        return 0;
    // Nothing may be thrown back into the shell: errors are shown here.
    try {
        switch (message) {
        case BFFM_INITIALIZED:
            dialog->DoInitialized(window);
            break;
        case BFFM_SELCHANGED:
            dialog->DoSelChanged(window, reinterpret_cast<LPCITEMIDLIST>(param));
            break;
        case BFFM_VALIDATEFAILEDA: {
            const std::string path = param ? reinterpret_cast<const char*>(param) : "";
            bool cancel = false;
            dialog->DoValidateFailed(path, cancel);
            return cancel ? 0 : 1;
        }
        default:
            break;
        }
    } catch (const std::exception& error) {
        ui::ShowException(error);
    }
    return 0;
}

void TmoxBrowseDirectoryDlg::DoInitialized(HWND window)
{
    dialog_ = window;
    if (center_) {
        RECT bounds{};
        GetWindowRect(window, &bounds);
        const browse::Origin origin =
            browse::CenteredOrigin(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                   bounds.right - bounds.left, bounds.bottom - bounds.top);
        SetWindowPos(window, nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SendMessageA(window, BFFM_ENABLEOK, 0, enableOKButton_);
    if (!statusText_.empty())
        SendStatusText();
    if (!selection_.empty() || selectionPidl_)
        SendSelectionMessage();
    if (!caption_.empty())
        SetWindowTextA(window, caption_.c_str());
    if (OnCreate)
        OnCreate(*this);
}

void TmoxBrowseDirectoryDlg::DoSelChanged(HWND, LPCITEMIDLIST item)
{
    if (!showSelectionInStatus_ && !OnSelChanged)
        return;
    const std::string path = PathOf(item);
    if (showSelectionInStatus_)
        SetStatusText(path);
    if (OnSelChanged)
        OnSelChanged(*this, path, item);
}

void TmoxBrowseDirectoryDlg::DoValidateFailed(const std::string& path, bool& cancel)
{
    if (OnValidateFailed)
        OnValidateFailed(*this, path, cancel);
}

std::string TmoxBrowseDirectoryDlg::Caption() const
{
    if (!dialog_)
        return caption_;
    char text[256] = {};
    GetWindowTextA(dialog_, text, sizeof text);
    return text;
}

void TmoxBrowseDirectoryDlg::SetCaption(const std::string& caption)
{
    caption_ = caption;
    if (dialog_)
        SetWindowTextA(dialog_, caption_.c_str());
}

void TmoxBrowseDirectoryDlg::SetFitStatusText(bool fit)
{
    if (fit == fitStatusText_)
        return;
    fitStatusText_ = fit;
    if (dialog_)
        SendStatusText();
}

void TmoxBrowseDirectoryDlg::SetSelection(const std::string& selection)
{
    if (selection == selection_)
        return;
    selection_ = selection;
    if (!selection_.empty() && selection_.back() != '\\' && DirExists(selection_))
        selection_ += '\\';
    if (dialog_)
        SendSelectionMessage();
}

void TmoxBrowseDirectoryDlg::SetStatusText(const std::string& text)
{
    if (text == statusText_)
        return;
    statusText_ = text;
    if (dialog_)
        SendStatusText();
}

void TmoxBrowseDirectoryDlg::SetEnableOKButton(bool enable)
{
    enableOKButton_ = enable;
    if (dialog_)
        SendMessageA(dialog_, BFFM_ENABLEOK, 0, enable);
}

void TmoxBrowseDirectoryDlg::SetSelectionPIDL(LPITEMIDLIST item)
{
    if (item != selectionPidl_.get())
        selectionPidl_ = OwnItem(item);
}

std::string TmoxBrowseDirectoryDlg::GetDisplayName() const
{
    ui::ComRef<IShellFolder> desktop;
    STRRET name{};
    if (selectionPidl_ && SUCCEEDED(SHGetDesktopFolder(desktop.Out())) &&
        SUCCEEDED(desktop->GetDisplayNameOf(selectionPidl_.get(), SHGDN_FORPARSING, &name))) {
        std::string text;
        switch (name.uType) {
        case STRRET_WSTR:
            text = FromWide(name.pOleStr);
            browse::ShellFree{allocator_.Get()}(name.pOleStr);
            break;
        case STRRET_OFFSET:
            text = reinterpret_cast<const char*>(selectionPidl_.get()) + name.uOffset;
            break;
        case STRRET_CSTR:
            text.assign(name.cStr, strnlen(name.cStr, sizeof name.cStr));
            break;
        default:
            break;
        }
        if (!text.empty())
            return text;
    }
    return !displayName_.empty() ? displayName_ : selection_;
}

std::string TmoxBrowseDirectoryDlg::FittedStatusText() const
{
    if (!fitStatusText_ || !dialog_ || statusText_.empty())
        return statusText_;
    const HWND status = GetDlgItem(dialog_, browse::kStatusControlId);
    if (!status)
        return statusText_;
    RECT bounds{};
    GetWindowRect(status, &bounds);
    const ui::WindowDc dc(status);
    const auto font = reinterpret_cast<HGDIOBJ>(SendMessageA(status, WM_GETFONT, 0, 0));
    const ui::SelectObjectScope selected(dc.Get(), font ? font : GetStockObject(SYSTEM_FONT));
    const browse::TextMeasure measure = [&](std::string_view text) {
        SIZE size{};
        if (!GetTextExtentPoint32A(dc.Get(), text.data(), static_cast<int>(text.size()), &size))
            return 0;
        return static_cast<int>(size.cx);
    };
    const int width = bounds.right - bounds.left;
    return DirExists(statusText_) ? browse::FitPath(statusText_, width, measure)
                                  : browse::FitPlainText(statusText_, width, measure);
}

void TmoxBrowseDirectoryDlg::SendStatusText() const
{
    const std::string text = FittedStatusText();
    SendMessageA(dialog_, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void TmoxBrowseDirectoryDlg::SendSelectionMessage()
{
    if (selection_.empty() && selectionPidl_) {
        selection_ = PathOf(selectionPidl_.get());
        if (dialog_)
            SendMessageA(dialog_, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(selectionPidl_.get()));
        return;
    }
    ui::ComRef<IShellFolder> desktop;
    if (selection_.empty() || FAILED(SHGetDesktopFolder(desktop.Out())))
        return;
    std::wstring wide = ToWide(selection_);
    LPITEMIDLIST parsed = nullptr;
    ULONG eaten = 0;
    if (FAILED(desktop->ParseDisplayName(dialog_, nullptr, wide.data(), &eaten, &parsed, nullptr)))
        parsed = nullptr;
    if (parsed)
        selectionPidl_ = OwnItem(parsed);
    if (browse::IsNetworkPath(selection_)) {
        // A network path is sent only as the shell's item.
        if (parsed && dialog_)
            SendMessageA(dialog_, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(parsed));
        return;
    }
    const std::string path = browse::SelectionMessagePath(selection_);
    if (dialog_)
        SendMessageA(dialog_, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
}

} // namespace kelvo
