// make-sample OUTPUT.far [TREE_FOLDER]: writes the bundled sample archive
// and, when a folder is named, the same files as a folder tree below it,
// named as kelvo-far extract names them.
#include "cli/far_names.h"
#include "platform/file.h"
#include "tools/sample/sample_archive.h"

#include <cstdio>
#include <string>

namespace {

using kelvo::platform::File;

bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    File file = File::Open(path, File::Mode::CreateLocked);
    return file.IsOpen() && file.Write(bytes.data(), bytes.size()) && file.Close();
}

// Writes each file below folder, creating the folders its name passes through.
bool WriteTree(const std::string& folder, const std::vector<kelvo::sample::SampleFile>& files)
{
    kelvo::platform::MakeDirectory(folder);
    for (const auto& file : files) {
        const std::string name = kelvo::cli::SystemName(file.name);
        for (std::size_t cut = name.find('\\'); cut != std::string::npos; cut = name.find('\\', cut + 1))
            kelvo::platform::MakeDirectory(folder + "\\" + name.substr(0, cut));
        const std::string path = folder + "\\" + name;
        if (!WriteWholeFile(path, file.data)) {
            std::fprintf(stderr, "make-sample: cannot write: %s\n", path.c_str());
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make-sample OUTPUT.far [TREE_FOLDER]\n");
        return 2;
    }
    const auto files = kelvo::sample::SampleFiles();
    const std::string output = argv[1];
    if (!WriteWholeFile(output, kelvo::sample::FarImage(files))) {
        kelvo::platform::RemoveFile(output);
        std::fprintf(stderr, "make-sample: cannot write: %s\n", output.c_str());
        return 1;
    }
    if (argc == 3 && !WriteTree(argv[2], files))
        return 1;
    return 0;
}
