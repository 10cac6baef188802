// Writes the RefPack fuzz target's first corpus: the sample's files, each
// compressed by the core's compressor, and a run and a repeated text.
#include "archive/refpack.h"
#include "tools/sample/sample_archive.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

void WriteStream(const std::filesystem::path& path, const std::string& data)
{
    const std::vector<unsigned char> stream =
        kelvo::refpack::Compress(reinterpret_cast<const unsigned char*>(data.data()), data.size());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(stream.data()),
                                                static_cast<std::streamsize>(stream.size()));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    int n = 0;
    for (const kelvo::sample::SampleFile& file : kelvo::sample::SampleFiles())
        WriteStream(folder / ("sample" + std::to_string(n++) + ".refpack"), file.data);
    WriteStream(folder / "run.refpack", std::string(3000, 'x'));
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "Lot " + std::to_string(i) + ": the cat sat on the mat\r\n";
    WriteStream(folder / "text.refpack", text);
    return 0;
}
