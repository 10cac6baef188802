// The file layer under the portable code. Paths are Windows-style strings:
// on POSIX a backslash is taken as the folder separator, so entry names and
// paths behave the same on both systems.
#pragma once

#include <cstddef>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelvo::platform {

// What tells one file or folder apart from every other on the machine: its
// volume and its number there (device and inode; volume serial number and
// file index on Windows). Two names with one identity name the same file.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    friend auto operator<=>(const FileIdentity&, const FileIdentity&) = default;
};

// An open file, closed when the object goes. Move-only.
class File {
public:
    // No mode opens anything but a regular file, and none waits for one
    // that is not (a named pipe, a device). The create modes never write
    // through a link found at the name.
    // The modes that lock (all but ReadShared and the create-new ones) hold
    // the file that the name leads to once the lock is taken: when another
    // program put a new file in the name's place meanwhile, the name is
    // opened again.
    enum class Mode {
        Read,            // existing file, read only, others may read it too
        ReadShared,      // existing file, read only, others may do anything with it
        ReadWriteLocked, // existing file, read and write, shared with nobody
        ReadWriteShared, // existing file, read and write, others may do anything with it; refused
                         // while another holder keeps others from writing
        CreateLocked,    // create or truncate, write (and read), shared with nobody
        CreateNewLocked, // create a file that must not exist yet, write (and read), shared with nobody
        CreateNew,       // as CreateNewLocked, without a lock: for a name nobody else knows yet
        CreatePrivate,   // as CreateNew, readable and writable by its owner only (on POSIX)
    };

    File() = default;
    static File Open(const std::string& path, Mode mode);

    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    bool IsOpen() const;
    // Reads up to count bytes; returns the number read (0 at the end), -1 on error.
    std::int64_t Read(void* buffer, std::size_t count);
    // Reads up to count bytes at position without moving the file position;
    // returns the number read (0 at the end), -1 on error.
    std::int64_t ReadAt(void* buffer, std::size_t count, std::int64_t position);
    // Reads exactly count bytes or fails.
    bool ReadExact(void* buffer, std::size_t count);
    // Writes all count bytes or fails.
    bool Write(const void* buffer, std::size_t count);
    // Absolute positioning from the start of the file.
    bool Seek(std::int64_t position);
    // Size of the file in bytes, -1 on error.
    std::int64_t Size() const;
    // Makes the file size bytes long, cutting it or extending it with zeros;
    // the position afterwards is unspecified.
    bool SetSize(std::int64_t size);
    // Writes the file's data through to the disk, so it survives a crash or
    // power loss from here on.
    bool Flush();
    // Starts writing what has been written so far to the disk without
    // waiting for it, so a later Flush has less to wait for (a no-op where
    // the system has no such call).
    void StartFlush();
    // Closes the file; false when the system reports that pending data could not be written.
    bool Close();

    // Copies count bytes starting at sourcePosition of source to the current
    // position of this file, through a bounded buffer (or the kernel's copy
    // where the system has one). False on a short read or a failed write.
    bool CopyFrom(File& source, std::int64_t sourcePosition, std::uint64_t count);

    // True when path leads to this open file (the same device and inode, or
    // volume and file index on Windows).
    bool IsNamedBy(const std::string& path) const;

    // Gives this new file the permissions and, where allowed, the owner of
    // the file named original, which it is about to replace. False when
    // original cannot be looked at or its permissions cannot be given.
    bool AdoptIdentity(const std::string& original);
    // The identity of the open file; nothing when it cannot be asked.
    std::optional<FileIdentity> Identity() const;

private:
    // The copy through a bounded buffer, for systems without a kernel copy
    // and files between which it does not work.
    bool CopyThroughBuffer(File& source, std::int64_t sourcePosition, std::uint64_t count);

#ifdef _WIN32
    void* handle_ = reinterpret_cast<void*>(static_cast<std::intptr_t>(-1));
#else
    int fd_ = -1;
#endif
};

// The size of the buffer that data copies move through.
inline constexpr std::size_t kCopyBufferSize = 1 << 20;

bool FileExists(const std::string& path);       // a file (not a folder) of that name exists
// A regular file of that name exists: not a folder, named pipe or device.
bool IsRegularFile(const std::string& path);
// A file of that name exists and may not be written (a read-only attribute,
// or no write permission).
bool IsReadOnly(const std::string& path);
// Both names exist and name the same file or folder.
bool SameFile(const std::string& first, const std::string& second);
// The identity of the file or folder of that name: of the one a link leads
// to when followLinks, else of the link itself. Nothing when there is none.
std::optional<FileIdentity> IdentityOf(const std::string& path, bool followLinks);
// The name of the file that path leads to once the links on the way are
// followed, also when the last one leads to no file yet (the name it gives
// is where a file would be made); path itself when there is no link on the
// way. Empty when a link may not be followed: one in a folder that everybody
// may write to and that keeps names to their owners (sticky, as /tmp),
// owned neither by this user nor by the folder's owner, as the kernel's own
// protection of such folders has it.
std::string FinalPath(const std::string& path);
// The number of names (hard links) the file has; 0 when there is none.
unsigned long NameCount(const std::string& path);
// The size of a file (not a folder) that can be opened for reading; -1 when
// there is none or it cannot be opened.
std::int64_t ReadableFileSize(const std::string& path);
bool DirectoryExists(const std::string& path);
bool RemoveFile(const std::string& path);
bool MakeDirectory(const std::string& path);    // one level; false if it exists or fails
bool RemoveFolder(const std::string& path);     // an empty folder; false if it is not or fails
// Moves source over target, replacing target when it exists, in one step
// where the system can do so. A read-only file (a read-only attribute, or no
// write permission) is not replaced; a link is, whatever it leads to.
bool ReplaceWith(const std::string& source, const std::string& target);
// Moves source over target, which held holds open and locked, and closes
// held once target names the new file, so no other program can take the old
// file meanwhile. Where an open file cannot be replaced (Windows), held is
// closed just before the move, which then fails if another program has
// opened the file since. After a failure held may be closed.
bool ReplaceHeld(const std::string& source, const std::string& target, File& held);
// Moves source to target, a name that must still be free: false, with
// nothing changed, when a file (or anything else) of that name has appeared.
bool MoveToFreeName(const std::string& source, const std::string& target);
// The user's temporary folder, ending in a folder separator.
std::string TempFolder();
// A number that tells this process apart from others running at the same time.
unsigned long ProcessId();
// Twelve hexadecimal digits that another program cannot guess: a generator
// seeded once per process from the system's random source.
std::string UnpredictableName();
// The one maker of temporary names: creates a new file named folder +
// prefix + UnpredictableName() + extension with mode (one of the create-new
// modes), by an exclusive create, so a name that exists already (another
// program's, a leftover of a run that was killed, or a planted link) is
// passed over, never opened. Its name goes to name. Closed, with name
// empty, when no such file can be made.
File CreateUniqueFile(const std::string& folder, const std::string& prefix, const std::string& extension,
                      File::Mode mode, std::string& name);
// Makes a new, empty file by CreateUniqueFile and closes it, reserving its
// name; the name, empty when none can be made.
std::string MakeUniqueFile(const std::string& folder, const std::string& prefix, const std::string& extension);
// Makes a new folder in the user's temporary folder named prefix followed by
// an unpredictable part, passing over names that exist; its path without a
// closing separator, empty when none can be made.
std::string MakeTempFolder(const std::string& prefix);
// Creates the file that will replace target: a new file with a short,
// unpredictable name of its own in target's folder (so putting it in place
// is a rename on one volume, and a target whose name is near the length
// limit still has room), open for writing. Its name goes to name. Closed
// when no such file can be made. A private replacement (for a file whose
// permissions it then takes) is readable by its owner only until it is
// given others.
File CreateReplacement(const std::string& target, std::string& name, bool privateFile = false);
// Writes a folder's list of names through to the disk, so a rename in it
// survives a crash (a no-op where the system does so itself).
bool FlushFolder(const std::string& path);
// The system's description of the last failed file operation of this
// thread, as a short sentence; empty when it has none.
std::string LastErrorText();

struct DirectoryItem {
    std::string name;   // without the folder part
    bool isDirectory = false; // a folder, or a link that leads to one
    bool isLink = false;      // a symbolic link (a reparse point on Windows)
};
// The items of a folder without "." and ".."; empty on failure.
std::vector<DirectoryItem> ListDirectory(const std::string& path);

} // namespace kelvo::platform
