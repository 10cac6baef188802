// The bundled sample archive: a small archive laid out like the game's own,
// with bitmaps of every common kind, text, IFF-like data, an IFF 2.5 object
// and an empty entry.
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

// Many small entries for the extraction benchmarks: count files of 200 to
// 8,000 bytes of deterministic data that no file system compresses away,
// 200 to a folder, named Folder000\file00000.dat and so on.
std::vector<SampleFile> SmallFiles(int count);

// The bytes of a FAR archive holding the files in the given order: header,
// data runs back to back from byte 16, then the manifest.
std::string FarImage(const std::vector<SampleFile>& files);

} // namespace kelvo::sample
