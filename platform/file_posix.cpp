// POSIX implementation of the file layer. Share modes are advisory locks
// (flock), which every Kelvo file honours: a file opened for reading holds a
// shared lock (others may read it, nobody may lock it for writing), a file
// "shared with nobody" an exclusive one.
#include "platform/file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kelvo::platform {

namespace {

std::string NativePath(const std::string& path)
{
    std::string result = path;
    std::replace(result.begin(), result.end(), '\\', '/');
    return result;
}

} // namespace

File File::Open(const std::string& path, Mode mode)
{
    File file;
    const std::string native = NativePath(path);
    // Without O_NONBLOCK, opening a named pipe waits for a writer.
    int flags = O_CLOEXEC | O_NONBLOCK;
    switch (mode) {
    case Mode::Read:
    case Mode::ReadShared: flags |= O_RDONLY; break;
    case Mode::ReadWriteLocked:
    case Mode::ReadWriteShared: flags |= O_RDWR; break;
    case Mode::CreateLocked: flags |= O_RDWR | O_CREAT | O_NOFOLLOW; break;
    case Mode::CreateNewLocked:
    case Mode::CreateNew:
    case Mode::CreatePrivate: flags |= O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW; break;
    }
    // A save puts its new file in place by a rename and lets go of the old
    // file's lock only then: a lock taken on the old file after that holds
    // a file the name no longer leads to, and the name is opened again.
    for (int attempt = 0; attempt < 64; ++attempt) {
        int fd = ::open(native.c_str(), flags, mode == Mode::CreatePrivate ? 0600 : 0666);
        if (fd < 0)
            return file;
        // A file this call made is a regular file that nobody else holds:
        // the checks below would only cost time.
        if (mode == Mode::CreateNew || mode == Mode::CreatePrivate) {
            file.fd_ = fd;
            return file;
        }
        struct stat info {};
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(fd);
            errno = EINVAL;
            return file;
        }
        file.fd_ = fd;
        if (mode == Mode::ReadShared)
            return file;
        const int lock = mode == Mode::Read ? LOCK_SH : LOCK_EX;
        if (::flock(fd, lock | LOCK_NB) != 0) {
            file.Close();
            return file;
        }
        // A shared opening only asks whether a holder's lock stands in its way.
        if (mode == Mode::ReadWriteShared) {
            ::flock(fd, LOCK_UN);
            return file;
        }
        if (!file.IsNamedBy(path)) {
            file.Close();
            continue;
        }
        // Truncated only under the lock, so a file held open elsewhere is
        // left alone. A new, empty file is not truncated: on ext4 a truncate
        // to zero makes the close write the whole file out at once.
        if (mode == Mode::CreateLocked && info.st_size > 0 && ::ftruncate(fd, 0) != 0)
            file.Close();
        return file;
    }
    errno = EAGAIN;
    return file;
}

File::File(File&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

File::~File() { Close(); }

bool File::IsOpen() const { return fd_ >= 0; }

std::int64_t File::Read(void* buffer, std::size_t count)
{
    if (fd_ < 0)
        return -1;
    for (;;) {
        ssize_t n = ::read(fd_, buffer, count);
        if (n < 0 && errno == EINTR)
            continue;
        return n;
    }
}

std::int64_t File::ReadAt(void* buffer, std::size_t count, std::int64_t position)
{
    if (fd_ < 0 || position < 0)
        return -1;
    for (;;) {
        ssize_t n = ::pread(fd_, buffer, count, position);
        if (n < 0 && errno == EINTR)
            continue;
        return n;
    }
}

bool File::Write(const void* buffer, std::size_t count)
{
    if (fd_ < 0)
        return false;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    while (count > 0) {
        ssize_t n = ::write(fd_, bytes, count);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        count -= static_cast<std::size_t>(n);
    }
    return true;
}

bool File::Seek(std::int64_t position)
{
    return fd_ >= 0 && position >= 0 && ::lseek(fd_, position, SEEK_SET) == position;
}

std::int64_t File::Size() const
{
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0)
        return -1;
    return info.st_size;
}

bool File::SetSize(std::int64_t size) { return fd_ >= 0 && size >= 0 && ::ftruncate(fd_, size) == 0; }
bool File::Flush() { return fd_ >= 0 && ::fsync(fd_) == 0; }

void File::StartFlush()
{
#ifdef SYNC_FILE_RANGE_WRITE
    if (fd_ >= 0)
        ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

bool File::Close()
{
    if (fd_ < 0)
        return true;
    int result = ::close(fd_);
    fd_ = -1;
    return result == 0;
}

bool File::CopyFrom(File& source, std::int64_t sourcePosition, std::uint64_t count)
{
    if (fd_ < 0 || source.fd_ < 0 || sourcePosition < 0)
        return false;
    // The kernel copies without bringing the bytes into this process.
    off_t in = sourcePosition;
    while (count > 0) {
        std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(count, 1u << 30));
        ssize_t n = ::copy_file_range(source.fd_, &in, fd_, nullptr, chunk, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && in == sourcePosition)
            break; // not supported between these files: the buffer copies
        if (n <= 0)
            return false;
        count -= static_cast<std::uint64_t>(n);
    }
    return count == 0 || CopyThroughBuffer(source, sourcePosition, count);
}

bool FileExists(const std::string& path)
{
    struct stat info {};
    return ::stat(NativePath(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool IsReadOnly(const std::string& path)
{
    // A file without any write permission is read-only to the superuser
    // too, as the read-only attribute is on Windows.
    const std::string native = NativePath(path);
    struct stat info {};
    return ::stat(native.c_str(), &info) == 0 && ((info.st_mode & 0222) == 0 || ::access(native.c_str(), W_OK) != 0);
}

std::int64_t ReadableFileSize(const std::string& path) { return File::Open(path, File::Mode::Read).Size(); }

bool IsRegularFile(const std::string& path)
{
    struct stat info {};
    return ::stat(NativePath(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string FinalPath(const std::string& path)
{
    // The links are followed one name at a time, as the kernel does, so
    // that each one can be judged, and the last may lead to no file yet.
    const std::string native = NativePath(path);
    std::string done = native.starts_with('/') ? "/" : "";
    std::vector<std::string> rest; // the names still to go, the next one last
    auto push = [&rest](const std::string& names) {
        std::vector<std::string> parts;
        for (std::size_t start = 0; start <= names.size();) {
            const std::size_t end = std::min(names.find('/', start), names.size());
            if (end > start)
                parts.push_back(names.substr(start, end - start));
            start = end + 1;
        }
        rest.insert(rest.end(), parts.rbegin(), parts.rend());
    };
    push(native);
    bool followed = false;
    for (int links = 0; !rest.empty();) {
        const std::string name = rest.back();
        rest.pop_back();
        if (name == ".")
            continue;
        const std::string next = done.empty() ? name : done == "/" ? "/" + name : done + "/" + name;
        struct stat info {};
        if (::lstat(next.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            done = next;
            continue;
        }
        // A link that someone else may have planted in a shared folder
        // (sticky and writable by all, as /tmp) is followed only when it is
        // this user's or the folder's owner's.
        struct stat folder {};
        if (::lstat(done.empty() ? "." : done.c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) &&
            (folder.st_mode & S_IWOTH) && info.st_uid != ::geteuid() && info.st_uid != folder.st_uid)
            return {};
        std::string target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : PATH_MAX) + 1, '\0');
        const ssize_t length = ::readlink(next.c_str(), target.data(), target.size());
        if (length < 0 || static_cast<std::size_t>(length) >= target.size() || ++links > 40)
            return path; // left for the file operations to refuse
        target.resize(static_cast<std::size_t>(length));
        if (target.starts_with('/'))
            done.assign(1, '/');
        push(target);
        followed = true;
    }
    return followed ? done : path;
}

unsigned long NameCount(const std::string& path)
{
    struct stat info {};
    return ::stat(NativePath(path).c_str(), &info) == 0 ? static_cast<unsigned long>(info.st_nlink) : 0;
}

bool File::AdoptIdentity(const std::string& original)
{
    struct stat info {};
    if (fd_ < 0 || ::stat(NativePath(original).c_str(), &info) != 0)
        return false;
    // Only the superuser may give a file away; anyone may pass on a group
    // they belong to. Neither refusal stops the save.
    if (::fchown(fd_, info.st_uid, info.st_gid) != 0)
        (void)!::fchown(fd_, static_cast<uid_t>(-1), info.st_gid);
    return ::fchmod(fd_, info.st_mode & 07777) == 0;
}

std::optional<FileIdentity> File::Identity() const
{
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0)
        return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

std::optional<FileIdentity> IdentityOf(const std::string& path, bool followLinks)
{
    const std::string native = NativePath(path);
    struct stat info {};
    if ((followLinks ? ::stat(native.c_str(), &info) : ::lstat(native.c_str(), &info)) != 0)
        return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

bool DirectoryExists(const std::string& path)
{
    struct stat info {};
    return ::stat(NativePath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool RemoveFile(const std::string& path) { return ::unlink(NativePath(path).c_str()) == 0; }

bool MakeDirectory(const std::string& path) { return ::mkdir(NativePath(path).c_str(), 0777) == 0; }

bool RemoveFolder(const std::string& path) { return ::rmdir(NativePath(path).c_str()) == 0; }

bool ReplaceWith(const std::string& source, const std::string& target)
{
    // A read-only file stays, as on Windows; a link is looked at itself.
    const std::string native = NativePath(target);
    struct stat info {};
    if (::lstat(native.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        ((info.st_mode & 0222) == 0 || ::access(native.c_str(), W_OK) != 0)) {
        errno = EACCES;
        return false;
    }
    return ::rename(NativePath(source).c_str(), NativePath(target).c_str()) == 0;
}

bool ReplaceHeld(const std::string& source, const std::string& target, File& held)
{
    if (!ReplaceWith(source, target))
        return false;
    held.Close();
    return true;
}

bool MoveToFreeName(const std::string& source, const std::string& target)
{
    const std::string from = NativePath(source), to = NativePath(target);
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    // A file system without that kind of rename still makes a second name
    // only where none is.
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (::link(from.c_str(), to.c_str()) != 0)
        return false;
    ::unlink(from.c_str());
    return true;
}

bool FlushFolder(const std::string& path)
{
    const int fd = ::open(NativePath(path.empty() ? "." : path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool flushed = ::fsync(fd) == 0;
    ::close(fd);
    return flushed;
}

std::string LastErrorText() { return errno == 0 ? std::string() : std::string(std::strerror(errno)) + "."; }

std::string TempFolder()
{
    const char* dir = std::getenv("TMPDIR");
    std::string folder = (dir && *dir) ? dir : "/tmp";
    if (folder.back() != '/' && folder.back() != '\\')
        folder += '/';
    return folder;
}

unsigned long ProcessId() { return static_cast<unsigned long>(::getpid()); }

std::vector<DirectoryItem> ListDirectory(const std::string& path)
{
    std::vector<DirectoryItem> items;
    const std::string native = NativePath(path);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(native.c_str()), ::closedir);
    if (!dir)
        return items;
    while (dirent* item = ::readdir(dir.get())) {
        std::string name = item->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string full = native + "/" + name;
        struct stat info {};
        const bool link = ::lstat(full.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
        items.push_back({name, link ? DirectoryExists(full) : S_ISDIR(info.st_mode), link});
    }
    return items;
}

} // namespace kelvo::platform
