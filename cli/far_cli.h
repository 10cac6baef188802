// kelvo-far: the command-line companion over the archive core. Everything
// but the process entry lives here so it can be tested in-process.
#pragma once

#include "archive/far_archive.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo::cli {

// Runs one command. args are the arguments after the program name; normal
// output goes to out, errors to err. Returns the exit code: 0 success,
// 1 failure (or, for verify, problems found), 2 wrong usage.
int RunKelvoFar(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The entry name of a path given on the command line: '/' turned into '\',
// leading ".\" parts and trailing separators dropped; "" for the current
// folder itself.
std::string EntryNameForPath(std::string_view path);

// What one run of adding paths has seen: the entry names it added, and one
// line ("<why>: <path>") per file it passed over: a file that is not a
// regular file (a named pipe, a device), a name the run added already, or a
// link met while walking a folder unless followLinks asks to follow them.
struct AddRun {
    bool followLinks = false;
    std::set<std::string> names;
    std::vector<std::string> skipped;
};

// Adds a file, or every file of a folder tree, under entry names made from
// the path (see EntryNameForPath) in Windows-1252 (see far_names.h; the
// archive reads the files under their system names). A folder is walked
// depth first, each folder's files before its subfolders, entry names in
// byte order, FAR files skipped. Stops at the first path that cannot be
// added and returns false with a message of the form "<what>: <path>" in
// failure; among them a name extraction would refuse (TFarArchive::
// NameProblem: "../x", "/etc/x", "a.txt.") and, outside Windows, a file name
// holding a backslash, which would be stored as a separator.
bool AddPath(TFarArchive& archive, std::string_view path, AddRun& run, std::string& failure);

// The four header lines (and a fifth naming a 1b archive's format) and one
// tab-separated line per entry: index, raw size, stored size, offset, for
// version 3 type ID, file ID and C (compressed) or -, and the name.
void WriteListing(const TFarArchive& archive, std::ostream& out);

// Reports the problems of an open archive whose file holds fileSize bytes,
// one line each, as they are found: a foreign signature or version, a
// negative entry count, a manifest inside the header or followed by more
// bytes, what the reader noted (a manifest that reads as 1a and as 1b),
// names that make more folders than an extraction run does; per entry, data
// outside the file or over the header or the manifest, a compressed entry
// that does not decompress to its raw size or belongs to a 1a or 1b archive
// (the first game reads none), names that cannot be extracted safely or not
// as themselves (on Windows too) or that clash with another entry's name,
// and data runs shared between entries. Returns how many it reported. Its
// memory stays within a few times the archive's size.
// Each finding goes to report with whether it is damage to the archive's
// bytes (header, count, data placement, compressed streams) rather than a
// problem of names, which a rewrite keeps as they are.
using VerifyReport = std::function<void(const std::string& finding, bool damage)>;
std::size_t VerifyArchive(TFarArchive& archive, std::uint64_t fileSize, const VerifyReport& report);

} // namespace kelvo::cli
