// kelvo-hexview-bench: times the hex view's model on large documents, in one
// run, with its data in the temporary folder (removed at the end):
//  - Find of an 8-byte pattern near the end of a 1 GiB working copy, against
//    memmem over the same bytes in memory (target: at least half its speed);
//  - inserting one byte at the start of a 100 MiB document, and undoing it
//    (target: under 1 s each).
// Each timing is the best of three runs; the two searches run in turns.
#include "components/hexview/hex_edit_model.h"
#include "platform/file.h"
#include "tests/native/hexview/fake_grid.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace kelvo;

double Seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Document {
    HexDocument doc;
    HexDocument::Appearance look;
    FakeGrid grid;
    HexEditModel model{doc, look, grid};
    explicit Document(const std::string& file)
    {
        grid.model = &model;
        grid.doc = &doc;
        grid.visible = 40;
        bool readOnly = false;
        if (!doc.LoadFile(file, readOnly))
            std::fprintf(stderr, "loading %s failed\n", file.c_str());
    }
};

std::vector<std::uint8_t> RandomBytes(std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    std::uint64_t state = 0x9E3779B97F4A7C15u;
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        std::memcpy(&bytes[i], &state, 8);
    }
    return bytes;
}

bool WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes)
{
    platform::File file = platform::File::Open(name, platform::File::Mode::CreateLocked);
    return file.IsOpen() && file.Write(bytes.data(), bytes.size()) && file.Close();
}

void BenchFind(const std::string& file)
{
    const std::size_t size = std::size_t{1} << 30;
    const std::vector<std::uint8_t> data = RandomBytes(size);
    const std::size_t at = size - 1000;
    if (!WriteFile(file, data)) {
        std::printf("Find: cannot write %s\n", file.c_str());
        return;
    }
    Document d(file);
    const std::vector<std::uint8_t> pattern(data.begin() + static_cast<std::ptrdiff_t>(at),
                                            data.begin() + static_cast<std::ptrdiff_t>(at) + 8);
    double find = 1e300, mem = 1e300;
    std::int32_t found = -1;
    const void* hit = nullptr;
    for (int run = 0; run < 3; ++run) {
        find = std::min(find, Seconds([&] {
            std::vector<std::uint8_t> p = pattern;
            found = d.model.Find(p.data(), 8, 0, static_cast<std::int32_t>(size - 1), false, false);
        }));
        mem = std::min(mem, Seconds([&] { hit = memmem(data.data(), size, pattern.data(), 8); }));
    }
    const auto memPos = hit ? static_cast<const std::uint8_t*>(hit) - data.data() : -1;
    const double ratio = mem / find;
    std::printf("Find, 8 bytes near the end of 1 GiB (found at %d, memmem at %td)\n", found, memPos);
    std::printf("  Find %.3f s (%.2f GB/s)   memmem %.3f s (%.2f GB/s)   speed ratio %.2f  target >= 0.5  %s\n",
                find, size / find / 1e9, mem, size / mem / 1e9, ratio, ratio >= 0.5 ? "met" : "MISSED");
}

void BenchInsert(const std::string& file)
{
    const std::size_t size = std::size_t{100} << 20;
    if (!WriteFile(file, RandomBytes(size))) {
        std::printf("Insert: cannot write %s\n", file.c_str());
        return;
    }
    Document d(file);
    d.model.SetAllowInsertMode(true);
    double insert = 1e300, undo = 1e300;
    for (int run = 0; run < 3; ++run) {
        const std::uint8_t byte = 0x5A;
        insert = std::min(insert, Seconds([&] { d.model.InsertBuffer(&byte, 1, 0); }));
        undo = std::min(undo, Seconds([&] { d.model.Undo(); }));
    }
    std::printf("Insert one byte at the start of 100 MiB, then undo (size back to %d)\n", d.doc.GetDataSize());
    std::printf("  insert %.3f s  target < 1 s  %s   undo %.3f s  target < 1 s  %s\n", insert,
                insert < 1 ? "met" : "MISSED", undo, undo < 1 ? "met" : "MISSED");
}

} // namespace

int main()
{
    const std::string file = platform::TempFolder() + "kelvo-hexview-bench-" + std::to_string(platform::ProcessId());
    BenchFind(file);
    BenchInsert(file);
    platform::RemoveFile(file);
    return 0;
}
