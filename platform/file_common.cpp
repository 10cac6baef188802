// The parts of the file layer that are the same on every system.
#include "platform/clock.h"
#include "platform/file.h"

#include <atomic>
#include <cstdio>

namespace kelvo::platform {

File CreateReplacement(const std::string& target, std::string& name)
{
    const std::size_t cut = target.find_last_of("\\/:");
    const std::string folder = cut == std::string::npos ? std::string() : target.substr(0, cut + 1);
    // The process, a counter and the clock make the name; a name that is
    // taken already (another program's, or a leftover) is passed over.
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 32; ++attempt) {
        const unsigned value = static_cast<unsigned>(ProcessId()) * 2654435761u ^ (counter++ * 40503u) ^
                               static_cast<unsigned>(TickCount()) << 16;
        char text[16];
        std::snprintf(text, sizeof text, "~kv%08x.tmp", value);
        name = folder + text;
        File file = File::Open(name, File::Mode::CreateNewLocked);
        if (file.IsOpen())
            return file;
    }
    name.clear();
    return {};
}

} // namespace kelvo::platform
