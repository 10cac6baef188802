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
    case Mode::CreateLocked: access |= GENERIC_WRITE; share = 0; disposition = CREATE_ALWAYS; break;
    case Mode::CreateNewLocked: access |= GENERIC_WRITE; share = 0; disposition = CREATE_NEW; break;
    }
    HANDLE handle = CreateFileA(path.c_str(), access, share, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle != INVALID_HANDLE_VALUE)
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

bool File::ReadExact(void* buffer, std::size_t count)
{
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (count > 0) {
        std::int64_t n = Read(bytes, count);
        if (n <= 0)
            return false;
        bytes += n;
        count -= static_cast<std::size_t>(n);
    }
    return true;
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

bool File::IsSameFileAs(const std::string& path) const
{
    BY_HANDLE_FILE_INFORMATION mine;
    if (!IsOpen() || !GetFileInformationByHandle(AsHandle(handle_), &mine))
        return false;
    // Opened without access: this asks about the file, whatever it is shared for.
    HANDLE other = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (other == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION theirs;
    const bool known = GetFileInformationByHandle(other, &theirs) != 0;
    CloseHandle(other);
    return known && mine.dwVolumeSerialNumber == theirs.dwVolumeSerialNumber &&
           mine.nFileIndexHigh == theirs.nFileIndexHigh && mine.nFileIndexLow == theirs.nFileIndexLow;
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
    if (!IsOpen() || !source.IsOpen() || sourcePosition < 0)
        return false;
    // Small copies, the most common, take a buffer of their own size only.
    const std::size_t bufferSize = static_cast<std::size_t>(std::min<std::uint64_t>(count, kCopyBufferSize));
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[std::max<std::size_t>(bufferSize, 1)]);
    std::uint64_t position = static_cast<std::uint64_t>(sourcePosition);
    while (count > 0) {
        // Each read names its position: no separate seek.
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        const auto ask = static_cast<DWORD>(std::min<std::uint64_t>(count, bufferSize));
        DWORD done = 0;
        if (!ReadFile(AsHandle(source.handle_), buffer.get(), ask, &done, &at) || done == 0 ||
            !Write(buffer.get(), done))
            return false;
        position += done;
        count -= done;
    }
    return true;
}

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

bool CreateNewFile(const std::string& path)
{
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(handle);
    return true;
}

bool DirectoryExists(const std::string& path)
{
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool MakeDirectory(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool ReplaceWith(const std::string& source, const std::string& target)
{
    return MoveFileExA(source.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
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
        items.push_back({name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return items;
}

} // namespace kelvo::platform
