// Writes a few small archives into a folder, as the fuzz target's first corpus.
#include "archive/far_archive.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace {

void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const std::filesystem::path corpus = argv[1];
    const std::filesystem::path sources = corpus / "sources";
    std::filesystem::create_directories(sources);

    // Archives as this program writes them: empty, one entry, several with
    // folder names, an empty entry and a name with a zero byte.
    const std::string contents[] = {"BM\x36\x04\0\0\0\0", "", "IFF FILE 2.5:TYPE FOLLOWING+SIZE\0", "plain text\r\n"};
    const char* names[] = {"Chair.bmp", "empty.iff", "Objects.iff", "readme.txt"};
    for (int count = 0; count <= 4; ++count) {
        kelvo::TFarArchive archive;
        for (int i = 0; i < count; ++i) {
            WriteFile(sources / names[i], contents[i]);
            archive.AddFile((sources / names[i]).string());
        }
        const std::string seed = (corpus / ("seed" + std::to_string(count) + ".far")).string();
        if (!archive.Save(seed))
            return 1;
        archive.Close();
        // The same entries once more, renamed as game archives name them.
        if (count > 0 && archive.Open(seed)) {
            for (kelvo::TFarEntry& entry : archive.Entries) {
                std::string name = "UserData\\Objects\\" + std::string(entry.Text().substr(entry.Text().find_last_of("\\/") + 1));
                if (entry.Index == 2)
                    name += std::string("\0x", 2);
                entry.Name = name;
                entry.NameLength = static_cast<std::uint32_t>(name.size());
            }
            if (!archive.Save((corpus / ("named" + std::to_string(count) + ".far")).string()))
                return 1;
        }
    }
    std::filesystem::remove_all(sources);
    return 0;
}
