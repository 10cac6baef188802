// The parts of the file layer that are the same on every system.
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/path.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <random>

namespace kelvo::platform {

namespace {

std::uint64_t Mix(std::uint64_t value)
{
    // The SplitMix64 finaliser: every bit of the input reaches every bit of
    // the output.
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

// A secret drawn once per process from the system's random source (with the
// process, the clock and an address mixed in, should that source fail).
std::uint64_t ProcessSecret()
{
    std::uint64_t seed = Mix(static_cast<std::uint64_t>(ProcessId()) << 32 ^ TickCount() ^
                             reinterpret_cast<std::uintptr_t>(&seed));
    try {
        std::random_device device;
        seed ^= static_cast<std::uint64_t>(device()) << 32 | device();
    } catch (...) {
    }
    return seed;
}

} // namespace

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

bool File::CopyThroughBuffer(File& source, std::int64_t sourcePosition, std::uint64_t count)
{
    if (!IsOpen() || !source.IsOpen() || sourcePosition < 0)
        return false;
    // Small copies, the most common, take a buffer of their own size only.
    const std::size_t bufferSize = static_cast<std::size_t>(std::min<std::uint64_t>(count, kCopyBufferSize));
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[std::max<std::size_t>(bufferSize, 1)]);
    std::int64_t position = sourcePosition;
    while (count > 0) {
        const std::size_t ask = static_cast<std::size_t>(std::min<std::uint64_t>(count, bufferSize));
        const std::int64_t done = source.ReadAt(buffer.get(), ask, position);
        if (done <= 0 || !Write(buffer.get(), static_cast<std::size_t>(done)))
            return false;
        position += done;
        count -= static_cast<std::uint64_t>(done);
    }
    return true;
}

std::string UnpredictableName()
{
    static const std::uint64_t secret = ProcessSecret();
    static std::atomic<std::uint64_t> counter{0};
    const std::uint64_t value = Mix(secret + 0x9E3779B97F4A7C15ull * ++counter);
    char text[16];
    std::snprintf(text, sizeof text, "%012llx", static_cast<unsigned long long>(value >> 16));
    return text;
}

File CreateUniqueFile(const std::string& folder, const std::string& prefix, const std::string& extension,
                      File::Mode mode, std::string& name)
{
    for (int attempt = 0; attempt < 32; ++attempt) {
        name = folder + prefix + UnpredictableName() + extension;
        File file = File::Open(name, mode);
        if (file.IsOpen())
            return file;
    }
    name.clear();
    return {};
}

std::string MakeUniqueFile(const std::string& folder, const std::string& prefix, const std::string& extension)
{
    std::string name;
    File file = CreateUniqueFile(folder, prefix, extension, File::Mode::CreateNew, name);
    if (file.IsOpen() && !file.Close()) {
        RemoveFile(name);
        name.clear();
    }
    return name;
}

std::string MakeTempFolder(const std::string& prefix)
{
    // Making a folder fails when the name exists in any form, a link too.
    for (int attempt = 0; attempt < 32; ++attempt) {
        std::string name = TempFolder() + prefix + UnpredictableName();
        if (MakeDirectory(name))
            return name;
    }
    return {};
}

File CreateReplacement(const std::string& target, std::string& name, bool privateFile)
{
    return CreateUniqueFile(std::string(FolderPart(target)), "~kv", ".tmp",
                            privateFile ? File::Mode::CreatePrivate : File::Mode::CreateNew, name);
}

// Files are the same when their identities are, whatever names lead to them.
bool File::IsNamedBy(const std::string& path) const
{
    const std::optional<FileIdentity> mine = Identity(), named = IdentityOf(path, true);
    return mine && named && *mine == *named;
}

bool SameFile(const std::string& first, const std::string& second)
{
    const std::optional<FileIdentity> a = IdentityOf(first, true), b = IdentityOf(second, true);
    return a && b && *a == *b;
}

} // namespace kelvo::platform
