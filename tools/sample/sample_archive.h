// The bundled sample archive: a small archive laid out like the game's own,
// with bitmaps of every common kind, text, IFF-like data and an empty entry.
// The archive bytes are produced here by a writer of its own, independent of
// TFarArchive, so the two can check each other.
#pragma once

#include <string>
#include <vector>

namespace kelvo::sample {

struct SampleFile {
    std::string name; // entry name: backslash path, Latin-1
    std::string data;
};

// The sample's entries in the order a folder walk finds them (depth first,
// files before subfolders, names in byte order at each level), so an archive
// made from the extracted tree has the same order.
std::vector<SampleFile> SampleFiles();

// The bytes of a FAR archive holding the files in the given order: header,
// data runs back to back from byte 16, then the manifest.
std::string FarImage(const std::vector<SampleFile>& files);

} // namespace kelvo::sample
