// Win32 implementation of the file layer, through the ANSI functions.
#include "platform/file.h"

#include <windows.h>

#include <algorithm>
#include <memory>

namespace kelvo::platform {

namespace {

HANDLE AsHandle(void* handle) { return static_cast<HANDLE>(handle); }

DWORD Attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }

} // namespace

// A file held shared with nobody cannot be renamed or replaced by anyone
// else: the name keeps leading to the file opened, with no check needed.
File File::Open(const std::string& path, Mode mode)
{
    File file;
    DWORD access = GENERIC_READ;
    DWORD share = FILE_SHARE_READ;
    DWORD disposition = OPEN_EXISTING;
    switch (mode) {
    case Mode::Read: break;
    case Mode::ReadShared: share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE; break;
    case Mode::ReadWriteLocked: access |= GENERIC_WRITE; share = 0; break;
    case Mode::ReadWriteShared:
        access |= GENERIC_WRITE;
        share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        break;
    case Mode::CreateLocked: access |= GENERIC_WRITE; share = 0; disposition = CREATE_ALWAYS; break;
    case Mode::CreateNewLocked:
    case Mode::CreateNew:
    case Mode::CreatePrivate: access |= GENERIC_WRITE; share = 0; disposition = CREATE_NEW; break;
    }
    // CREATE_NEW fails on any existing name, a link included. Replacing a
    // link found at the name (rather than the file it leads to) is left to
    // the callers that put files in place by renaming.
    HANDLE handle = CreateFileA(path.c_str(), access, share, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return file;
    // Devices (CON, a named pipe, a serial port) open like files.
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        SetLastError(ERROR_INVALID_PARAMETER);
        return file;
    }
    file.handle_ = handle;
    return file;
}

File::File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = INVALID_HANDLE_VALUE; }

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        Close();
        handle_ = other.handle_;
        other.handle_ = INVALID_HANDLE_VALUE;
    }
    return *this;
}

File::~File() { Close(); }

bool File::IsOpen() const { return AsHandle(handle_) != INVALID_HANDLE_VALUE; }

std::int64_t File::Read(void* buffer, std::size_t count)
{
    if (!IsOpen())
        return -1;
    DWORD done = 0;
    DWORD ask = static_cast<DWORD>(std::min<std::size_t>(count, 0x40000000));
    if (!ReadFile(AsHandle(handle_), buffer, ask, &done, nullptr))
        return -1;
    return done;
}

std::int64_t File::ReadAt(void* buffer, std::size_t count, std::int64_t position)
{
    if (!IsOpen() || position < 0)
        return -1;
    // The read names its position: no separate seek.
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(position));
    at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(position) >> 32);
    DWORD done = 0;
    const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(count, 0x40000000));
    if (!ReadFile(AsHandle(handle_), buffer, ask, &done, &at))
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    return done;
}

bool File::Write(const void* buffer, std::size_t count)
{
    if (!IsOpen())
        return false;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    while (count > 0) {
        DWORD done = 0;
        DWORD ask = static_cast<DWORD>(std::min<std::size_t>(count, 0x40000000));
        if (!WriteFile(AsHandle(handle_), bytes, ask, &done, nullptr) || done == 0)
            return false;
        bytes += done;
        count -= done;
    }
    return true;
}

bool File::Seek(std::int64_t position)
{
    if (!IsOpen() || position < 0)
        return false;
    LARGE_INTEGER to;
    to.QuadPart = position;
    return SetFilePointerEx(AsHandle(handle_), to, nullptr, FILE_BEGIN) != 0;
}

std::int64_t File::Size() const
{
    LARGE_INTEGER size;
    if (!IsOpen() || !GetFileSizeEx(AsHandle(handle_), &size))
        return -1;
    return size.QuadPart;
}

bool File::SetSize(std::int64_t size)
{
    return Seek(size) && SetEndOfFile(AsHandle(handle_)) != 0;
}

bool File::Flush() { return IsOpen() && FlushFileBuffers(AsHandle(handle_)) != 0; }

// Windows writes a file's data back on its own; FlushFileBuffers waits for it.
void File::StartFlush() {}

bool File::Close()
{
    if (!IsOpen())
        return true;
    BOOL ok = CloseHandle(AsHandle(handle_));
    handle_ = INVALID_HANDLE_VALUE;
    return ok != 0;
}

bool File::CopyFrom(File& source, std::int64_t sourcePosition, std::uint64_t count)
{
    return CopyThroughBuffer(source, sourcePosition, count);
}

// Windows gives a new file the folder's inherited permissions; the owner is
// the user who saves. Attributes such as hidden are not carried over.
bool File::AdoptIdentity(const std::string&) { return IsOpen(); }

bool FileExists(const std::string& path)
{
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsReadOnly(const std::string& path)
{
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

std::int64_t ReadableFileSize(const std::string& path)
{
    // The size comes with the attributes, which cost far less than a query
    // on an open handle; the open shows that the file can be read.
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !File::Open(path, File::Mode::Read).IsOpen())
        return -1;
    return static_cast<std::int64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

bool IsRegularFile(const std::string& path)
{
    // Device names (CON, NUL, COM1) have no attributes to show.
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
}

namespace {

// Volume and file index of a file or folder, asked for through a handle that
// reads no data, so a file held without sharing can be looked at too; of a
// link itself unless followLinks.
bool Identify(const std::string& path, BY_HANDLE_FILE_INFORMATION& info, bool followLinks = true)
{
    HANDLE handle = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const bool known = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    return known;
}

} // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path, bool followLinks)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!Identify(path, info, followLinks))
        return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow};
}

std::string FinalPath(const std::string& path)
{
    const DWORD attributes = Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return path;
    HANDLE handle = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return path;
    char buffer[MAX_PATH + 8];
    const DWORD length = GetFinalPathNameByHandleA(handle, buffer, sizeof buffer, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    CloseHandle(handle);
    if (length == 0 || length >= sizeof buffer)
        return path;
    std::string final(buffer, length);
    if (final.rfind("\\\\?\\", 0) == 0)
        final.erase(0, 4);
    return final;
}

unsigned long NameCount(const std::string& path)
{
    BY_HANDLE_FILE_INFORMATION info;
    return Identify(path, info) ? info.nNumberOfLinks : 0;
}

std::optional<FileIdentity> File::Identity() const
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!IsOpen() || !GetFileInformationByHandle(AsHandle(handle_), &info))
        return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow};
}

bool DirectoryExists(const std::string& path)
{
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool MakeDirectory(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool RemoveFolder(const std::string& path) { return RemoveDirectoryA(path.c_str()) != 0; }

bool ReplaceWith(const std::string& source, const std::string& target)
{
    // Windows refuses to replace a read-only file; Wine does not by itself.
    if (IsReadOnly(target)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return MoveFileExA(source.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool ReplaceHeld(const std::string& source, const std::string& target, File& held)
{
    // A file open in any process cannot be replaced here: the move fails if
    // another program opened the old file once it was let go.
    held.Close();
    return ReplaceWith(source, target);
}

bool MoveToFreeName(const std::string& source, const std::string& target)
{
    return MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

// A rename with MOVEFILE_WRITE_THROUGH is on the disk when it returns.
bool FlushFolder(const std::string&) { return true; }

std::string LastErrorText()
{
    const DWORD error = GetLastError();
    if (error == ERROR_SUCCESS)
        return {};
    char* text = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = length > 0 && text ? std::string(text, length) : "System error " + std::to_string(error) + ".";
    LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
        result.pop_back();
    return result;
}

std::string TempFolder()
{
    char buffer[MAX_PATH + 1];
    DWORD length = GetTempPathA(sizeof buffer, buffer);
    if (length == 0 || length > MAX_PATH)
        return ".\\";
    std::string folder(buffer, length);
    if (folder.back() != '\\')
        folder += '\\';
    return folder;
}

unsigned long ProcessId() { return GetCurrentProcessId(); }

std::vector<DirectoryItem> ListDirectory(const std::string& path)
{
    std::vector<DirectoryItem> items;
    WIN32_FIND_DATAA data;
    std::string pattern = path;
    if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/')
        pattern += '\\';
    pattern += '*';
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return items;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        items.push_back({name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                         (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return items;
}

} // namespace kelvo::platform
