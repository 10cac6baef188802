#include "cli/far_cli.h"

#include "cli/far_names.h"
#include "cli/iff_commands.h"
#include "platform/file.h"

#include <algorithm>
#include <ostream>
#include <optional>
#include <set>
#include <unordered_map>

namespace kelvo::cli {

namespace {

const char kUsage[] =
    "usage: kelvo-far list ARCHIVE\n"
    "       kelvo-far extract ARCHIVE FOLDER [NAME...]\n"
    "       kelvo-far create ARCHIVE PATH...\n"
    "       kelvo-far add ARCHIVE PATH...\n"
    "       kelvo-far delete ARCHIVE NAME...\n"
    "       kelvo-far rename ARCHIVE OLD NEW\n"
    "       kelvo-far replace ARCHIVE NAME FILE\n"
    "       kelvo-far verify ARCHIVE\n"
    "       kelvo-far chunks ARCHIVE NAME\n"
    "       kelvo-far strings ARCHIVE NAME\n";

const char kHelp[] =
    "\n"
    "list, extract and verify only read the archive, so a read-only one will do;\n"
    "add, delete, rename and replace rewrite it and refuse an archive that can\n"
    "only be read. rename refuses a name that extraction would refuse, one with a\n"
    "part ending in a dot or a space, and one another entry has in any letter\n"
    "case; replace stores a copy of FILE's bytes as the entry's data.\n"
    "\n"
    "Names: FAR entry names are Windows-1252 bytes. On Linux and other POSIX\n"
    "systems list and verify print them as UTF-8, extract writes files under\n"
    "their UTF-8 names, and create, add, extract and delete take UTF-8 names and\n"
    "store or match them as Windows-1252; a name without a Windows-1252 form is\n"
    "refused and nothing is written. The five bytes Windows-1252 leaves\n"
    "unassigned stand for the C1 controls of the same value, so extracting an\n"
    "archive and creating one from the tree gives the same names. On Windows\n"
    "names pass unchanged, in the ANSI code page.\n"
    "\n"
    "Exit status: 0 success; 1 failure, with one line on standard error (extract\n"
    "goes on past entries that fail and exits 1 when any did; verify exits 1 when\n"
    "it finds problems); 2 wrong usage.\n";

int UsageError(std::ostream& err, const std::string& what)
{
    err << "kelvo-far: " << what << "\n" << kUsage;
    return 2;
}

int Failure(std::ostream& err, const std::string& what, std::string_view file)
{
    err << "kelvo-far: " << what << ": " << file << "\n";
    return 1;
}

std::string JoinName(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    return folder.back() == '\\' ? folder + name : folder + '\\' + name;
}

const char kNoEntryName[] = "name not valid UTF-8 or without a Windows-1252 form";

// Why AddFile took nothing for an entry name; asked only after it refused.
std::string WhyNotAdded(const std::string& name)
{
    if (name.size() > TFarArchive::kMaxNameLength)
        return "name longer than 2047 bytes";
    if (!platform::FileExists(SystemName(name)))
        return "no such file or folder";
    platform::File file = platform::File::Open(SystemName(name), platform::File::Mode::Read);
    if (!file.IsOpen())
        return "cannot read";
    if (file.Size() > 0xFFFFFFFFll)
        return "file of 4 GiB or more";
    return "cannot add";
}

// A name as Windows compares it: separators as backslashes, letters (ASCII
// and the Latin-1 letters of the ANSI code page) in lower case.
std::string FoldedName(std::string_view name)
{
    std::string folded(name);
    for (char& c : folded) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7))
            c = static_cast<char>(u + 0x20);
        else if (c == '/')
            c = '\\';
    }
    return folded;
}

// Why an entry of this name cannot be extracted, or not as itself on
// Windows; empty when it can.
std::string NameProblem(std::string_view name)
{
    if (name.empty() || name == ".")
        return "name of no file";
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = name.find_first_of("\\/", start);
        parts.push_back(name.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    for (std::string_view part : parts) {
        if (TFarArchive::IsDeviceName(part))
            return "Windows device name";
    }
    if (!TFarArchive::IsSafeEntryName(name))
        return "unsafe name";
    if (parts.back().empty())
        return "name ends in a backslash";
    for (std::string_view part : parts) {
        if (part.size() > 255)
            return "name part longer than 255 bytes";
        if (part != "." && !part.empty() && (part.back() == '.' || part.back() == ' '))
            return "name part ends in a dot or space (Windows drops it)";
    }
    return {};
}

bool AddOneFile(TFarArchive& archive, const std::string& name, AddRun& run, std::string& failure)
{
    const std::string systemName = SystemName(name);
    if (run.names.count(name)) {
        run.skipped.push_back("already added: " + systemName);
        return true;
    }
    // Opening a named pipe or a device could wait for ever while the
    // archive is held; its bytes are no file's anyway.
    if (platform::FileExists(systemName) && !platform::IsRegularFile(systemName)) {
        run.skipped.push_back("not a regular file: " + systemName);
        return true;
    }
    const std::int32_t before = archive.EntryCount;
    archive.AddFile(name);
    if (archive.EntryCount != before) {
        run.names.insert(name);
        return true;
    }
    failure = WhyNotAdded(name) + ": " + systemName;
    return false;
}

bool AddFolder(TFarArchive& archive, const std::string& name, AddRun& run, std::string& failure)
{
    // Every file below would get a longer name; stopping here also ends the
    // walk of a folder that links back to one of its parents.
    if (name.size() > TFarArchive::kMaxNameLength) {
        failure = "name longer than 2047 bytes: " + SystemName(name);
        return false;
    }
    std::vector<platform::DirectoryItem> items = platform::ListDirectory(name.empty() ? "." : SystemName(name));
    for (auto& item : items) {
        std::optional<std::string> itemName = EntryName(item.name);
        if (!itemName) {
            failure = std::string(kNoEntryName) + ": " + SystemName(JoinName(name, "")) + item.name;
            return false;
        }
        item.name = std::move(*itemName);
    }
    std::sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
        if (a.isDirectory != b.isDirectory)
            return !a.isDirectory; // files first
        return a.name < b.name;    // byte order
    });
    for (const auto& item : items) {
        const std::string itemName = JoinName(name, item.name);
        if (item.isDirectory) {
            if (!AddFolder(archive, itemName, run, failure))
                return false;
        } else if (!IsFarFileName(item.name) && !AddOneFile(archive, itemName, run, failure)) {
            return false;
        }
    }
    return true;
}

// Opens an archive to read it only, or to write it as well (then shared
// with nobody); one that can only be read is refused for writing at once.
bool OpenArchive(TFarArchive& archive, const std::string& path, bool forWriting, std::ostream& err)
{
    if (!archive.Open(path, !forWriting)) {
        Failure(err, platform::FileExists(path) ? "cannot open or read archive" : "no such archive", path);
        return false;
    }
    if (forWriting && archive.ReadOnly()) {
        Failure(err, "archive is read-only", path);
        return false;
    }
    return true;
}

// The entry as it is extracted: under the system's name for its name.
TFarEntry SystemNamed(const TFarEntry& entry)
{
    TFarEntry named = entry;
    named.Name = SystemName(entry.Text());
    named.NameLength = static_cast<std::uint32_t>(named.Name.size());
    return named;
}

bool AddPaths(TFarArchive& archive, const std::vector<std::string>& paths, std::ostream& err)
{
    AddRun run;
    for (const std::string& path : paths) {
        std::string failure;
        const bool added = AddPath(archive, path, run, failure);
        for (const std::string& line : run.skipped)
            err << "kelvo-far: skipped, " << line << "\n";
        run.skipped.clear();
        if (!added) {
            err << "kelvo-far: " << failure << "\n";
            return false;
        }
    }
    return true;
}

// add and delete rewrite the file: one that is no FAR archive is left alone,
// however its bytes happen to read.
bool IsFarArchive(const TFarArchive& archive, const std::string& path, std::ostream& err)
{
    if (archive.Signature == TFarArchive::kSignature && archive.Version == 1)
        return true;
    Failure(err, "not a FAR archive (signature FAR!byAZ, version 1)", path);
    return false;
}

bool SaveArchive(TFarArchive& archive, const std::string& path, std::ostream& err)
{
    if (archive.Save(path))
        return true;
    err << "kelvo-far: cannot write archive: " << path << ": " << archive.LastError() << "\n";
    return false;
}

int List(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    TFarArchive archive;
    if (!OpenArchive(archive, args[0], false, err))
        return 1;
    WriteListing(archive, out);
    return 0;
}

int Extract(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::string folder = args[1];
    if (folder.empty())
        return UsageError(err, "the target folder name is empty");
    std::replace(folder.begin(), folder.end(), '/', '\\');
    TFarArchive archive;
    if (!OpenArchive(archive, args[0], false, err))
        return 1;
    std::set<std::string, std::less<>> wanted;
    for (auto name = args.begin() + 2; name != args.end(); ++name) {
        const std::optional<std::string> entryName = EntryName(*name);
        if (!entryName)
            return Failure(err, kNoEntryName, *name);
        wanted.insert(*entryName);
    }
    std::set<std::string_view> present;
    for (const TFarEntry& entry : archive.Entries)
        present.insert(entry.Text());
    for (std::string_view name : wanted) {
        if (!present.count(name))
            return Failure(err, "no such entry in " + args[0], SystemName(name));
    }
    // Every entry that can be written is; each one that cannot gets a line.
    int extracted = 0;
    bool failed = false;
    for (const TFarEntry& entry : archive.Entries) {
        if (!wanted.empty() && !wanted.count(entry.Text()))
            continue;
        if (archive.ExtractEntry(SystemNamed(entry), folder)) {
            ++extracted;
        } else {
            err << "kelvo-far: cannot extract " << SystemName(entry.Text()) << ": " << archive.LastError() << "\n";
            failed = true;
        }
    }
    out << extracted << " files extracted.\n";
    return failed ? 1 : 0;
}

int Create(const std::vector<std::string>& args, std::ostream&, std::ostream& err)
{
    TFarArchive archive;
    const std::vector<std::string> paths(args.begin() + 1, args.end());
    return AddPaths(archive, paths, err) && SaveArchive(archive, args[0], err) ? 0 : 1;
}

int Add(const std::vector<std::string>& args, std::ostream&, std::ostream& err)
{
    TFarArchive archive;
    const std::vector<std::string> paths(args.begin() + 1, args.end());
    return OpenArchive(archive, args[0], true, err) && IsFarArchive(archive, args[0], err) &&
                   AddPaths(archive, paths, err) && SaveArchive(archive, args[0], err)
               ? 0
               : 1;
}

int Delete(const std::vector<std::string>& args, std::ostream&, std::ostream& err)
{
    TFarArchive archive;
    if (!OpenArchive(archive, args[0], true, err) || !IsFarArchive(archive, args[0], err))
        return 1;
    for (auto name = args.begin() + 1; name != args.end(); ++name) {
        const std::optional<std::string> entryName = EntryName(*name);
        if (!entryName)
            return Failure(err, kNoEntryName, *name);
        bool found = false;
        for (TFarEntry& entry : archive.Entries) {
            if (entry.Text() == *entryName) {
                entry.State = esDeleted;
                found = true;
            }
        }
        if (!found)
            return Failure(err, "no such entry in " + args[0], *name);
    }
    return SaveArchive(archive, args[0], err) ? 0 : 1;
}

// The first entry named name (as given on the command line); null when none is.
TFarEntry* FindNamed(TFarArchive& archive, const std::string& entryName)
{
    for (TFarEntry& entry : archive.Entries)
        if (entry.Text() == entryName)
            return &entry;
    return nullptr;
}

int Rename(const std::vector<std::string>& args, std::ostream&, std::ostream& err)
{
    TFarArchive archive;
    if (!OpenArchive(archive, args[0], true, err) || !IsFarArchive(archive, args[0], err))
        return 1;
    const std::optional<std::string> oldName = EntryName(args[1]);
    const std::optional<std::string> newName = EntryName(args[2]);
    if (!oldName)
        return Failure(err, kNoEntryName, args[1]);
    if (!newName)
        return Failure(err, kNoEntryName, args[2]);
    TFarEntry* entry = FindNamed(archive, *oldName);
    if (!entry)
        return Failure(err, "no such entry in " + args[0], args[1]);
    const int position = static_cast<int>(entry - archive.Entries.data());
    if (archive.FindEntry(*newName, position) >= 0)
        return Failure(err, "an entry of that name exists in " + args[0], args[2]);
    if (!archive.RenameEntry(*entry, *newName))
        return Failure(err, "cannot rename to that name (" + archive.LastError() + ")", args[2]);
    return SaveArchive(archive, args[0], err) ? 0 : 1;
}

int Replace(const std::vector<std::string>& args, std::ostream&, std::ostream& err)
{
    TFarArchive archive;
    if (!OpenArchive(archive, args[0], true, err) || !IsFarArchive(archive, args[0], err))
        return 1;
    const std::optional<std::string> entryName = EntryName(args[1]);
    if (!entryName)
        return Failure(err, kNoEntryName, args[1]);
    TFarEntry* entry = FindNamed(archive, *entryName);
    if (!entry)
        return Failure(err, "no such entry in " + args[0], args[1]);
    if (!platform::IsRegularFile(args[2]))
        return Failure(err, "not a file", args[2]);
    if (!archive.ReplaceEntry(*entry, args[2]))
        return Failure(err, "cannot replace " + args[1] + " (" + archive.LastError() + ")", args[2]);
    return SaveArchive(archive, args[0], err) ? 0 : 1;
}

int Verify(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    TFarArchive archive;
    if (!OpenArchive(archive, args[0], false, err))
        return 1;
    const std::int64_t size = archive.Handle.Size();
    if (size < 0)
        return Failure(err, "cannot read archive", args[0]);
    const std::vector<std::string> findings = VerifyArchive(archive, static_cast<std::uint64_t>(size));
    for (const std::string& finding : findings)
        out << finding << "\n";
    if (!findings.empty())
        return 1;
    out << "OK\n";
    return 0;
}

struct Command {
    const char* name;
    std::size_t minArgs; // after the command name
    std::size_t maxArgs;
    int (*run)(const std::vector<std::string>&, std::ostream&, std::ostream&);
};

constexpr std::size_t kAny = static_cast<std::size_t>(-1);

const Command kCommands[] = {
    {"list", 1, 1, List},       {"extract", 2, kAny, Extract}, {"create", 2, kAny, Create},
    {"add", 2, kAny, Add},      {"delete", 2, kAny, Delete},   {"verify", 1, 1, Verify},
    {"chunks", 2, 2, ChunksCommand}, {"strings", 2, 2, StringsCommand},
    {"rename", 3, 3, Rename},   {"replace", 3, 3, Replace},
};

} // namespace

int RunKelvoFar(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        return UsageError(err, "no command given");
    if (args[0] == "-h" || args[0] == "--help" || args[0] == "help") {
        out << kUsage << kHelp;
        return 0;
    }
    for (const Command& command : kCommands) {
        if (args[0] != command.name)
            continue;
        const std::vector<std::string> rest(args.begin() + 1, args.end());
        if (rest.size() < command.minArgs || rest.size() > command.maxArgs)
            return UsageError(err, std::string("wrong number of arguments: ") + command.name);
        return command.run(rest, out, err);
    }
    return UsageError(err, "unknown command: " + args[0]);
}

std::string EntryNameForPath(std::string_view path)
{
    std::string name(path);
    std::replace(name.begin(), name.end(), '/', '\\');
    while (name.size() >= 2 && name[0] == '.' && name[1] == '\\')
        name.erase(0, name.find_first_not_of('\\', 1)); // "./x" and ".//x" both name x
    // "dir\" names dir; a root such as "\" or "C:\" keeps its separator.
    while (name.size() > 1 && name.back() == '\\' && name[name.size() - 2] != ':')
        name.pop_back();
    if (name == ".")
        name.clear();
    return name;
}

bool IsFarFileName(std::string_view name)
{
    if (name.size() < 4)
        return false;
    std::string_view ext = name.substr(name.size() - 4);
    return ext[0] == '.' && (ext[1] | 0x20) == 'f' && (ext[2] | 0x20) == 'a' && (ext[3] | 0x20) == 'r';
}

bool AddPath(TFarArchive& archive, std::string_view path, AddRun& run, std::string& failure)
{
    archive.AddedFileName = SystemName;
    const std::string systemName = EntryNameForPath(path);
    const std::optional<std::string> name = EntryName(systemName);
    if (!name) {
        failure = std::string(kNoEntryName) + ": " + systemName;
        return false;
    }
    if (name->empty() || platform::DirectoryExists(systemName))
        return AddFolder(archive, *name, run, failure);
    return AddOneFile(archive, *name, run, failure);
}

void WriteListing(const TFarArchive& archive, std::ostream& out)
{
    out << "FAR Header: " << SystemName(archive.Signature) << "\n"
        << "Version: " << archive.Version << "\n"
        << "Directory offset: " << archive.ManifestOffset << "\n"
        << "Number of Entries: " << archive.EntryCount << "\n";
    for (const TFarEntry& entry : archive.Entries) {
        out << entry.Index << '\t' << entry.RawSize << '\t' << entry.CompressedSize << '\t'
            << entry.FileOffset << '\t' << SystemName(entry.Text()) << "\n";
    }
}

std::vector<std::string> VerifyArchive(const TFarArchive& archive, std::uint64_t fileSize)
{
    const std::size_t count = archive.Entries.size();
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    // Overlaps: sweep the non-empty runs in order of their start, keeping
    // the run that reaches furthest; a run starting before that end overlaps it.
    struct Run {
        std::uint64_t begin;
        std::uint64_t end;
        std::size_t position;
    };
    std::vector<Run> runs;
    std::uint64_t manifestEnd = std::uint64_t{archive.ManifestOffset} + 4;
    for (std::size_t i = 0; i < count; ++i) {
        const TFarEntry& entry = archive.Entries[i];
        manifestEnd += 16 + std::uint64_t{entry.NameLength};
        if (entry.RawSize > 0)
            runs.push_back({entry.FileOffset, std::uint64_t{entry.FileOffset} + entry.RawSize, i});
    }
    std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) {
        return a.begin != b.begin ? a.begin < b.begin : a.position < b.position;
    });
    std::vector<std::size_t> overlaps(count, kNone);
    for (std::size_t k = 1, furthest = 0; k < runs.size(); ++k) {
        if (runs[k].begin < runs[furthest].end)
            overlaps[runs[k].position] = runs[furthest].position;
        if (runs[k].end > runs[furthest].end)
            furthest = k;
    }

    // Names as Windows compares them, and every folder the names make, each
    // with the first entry that has it.
    std::unordered_map<std::string_view, std::size_t> exact;
    std::unordered_map<std::string, std::size_t> folded;
    std::unordered_map<std::string, std::size_t> folders;
    std::vector<std::string> foldedNames(count);
    for (std::size_t i = 0; i < count; ++i) {
        foldedNames[i] = FoldedName(archive.Entries[i].Text());
        const std::string& name = foldedNames[i];
        for (std::size_t cut = name.find('\\'); cut != std::string::npos; cut = name.find('\\', cut + 1))
            folders.emplace(name.substr(0, cut), i);
    }

    auto describe = [&](std::size_t i) {
        const TFarEntry& entry = archive.Entries[i];
        return "entry " + std::to_string(entry.Index) + " (" + SystemName(entry.Text()) + ")";
    };
    std::vector<std::string> findings;
    if (archive.Signature != TFarArchive::kSignature)
        findings.push_back("signature " + archive.Signature + " is not FAR!byAZ");
    if (archive.Version != 1)
        findings.push_back("version " + std::to_string(archive.Version) + " is not 1");
    if (archive.EntryCount < 0)
        findings.push_back("negative entry count (" + std::to_string(archive.EntryCount) + ")");
    if (archive.ManifestOffset < 16)
        findings.push_back("manifest offset " + std::to_string(archive.ManifestOffset) +
                           " lies inside the 16-byte header");
    if (archive.EntryCount >= 0 && manifestEnd < fileSize)
        findings.push_back(std::to_string(fileSize - manifestEnd) + " bytes after the manifest");
    for (std::size_t i = 0; i < count; ++i) {
        const TFarEntry& entry = archive.Entries[i];
        const std::uint64_t end = std::uint64_t{entry.FileOffset} + entry.RawSize;
        // An empty entry reads nothing, wherever it points, as long as the
        // position itself can be reached.
        if (entry.FileOffset > TFarArchive::kMaxPosition || (entry.RawSize > 0 && end > fileSize))
            findings.push_back(describe(i) + ": data outside the file (offset " +
                               std::to_string(entry.FileOffset) + ", size " + std::to_string(entry.RawSize) +
                               ", file size " + std::to_string(fileSize) + ")");
        if (entry.RawSize > 0 && entry.FileOffset < 16)
            findings.push_back(describe(i) + ": data overlaps the header");
        if (entry.RawSize > 0 && entry.FileOffset < manifestEnd && end > archive.ManifestOffset)
            findings.push_back(describe(i) + ": data overlaps the manifest");
        if (entry.CompressedSize != entry.RawSize)
            findings.push_back(describe(i) + ": compressed size " + std::to_string(entry.CompressedSize) +
                               " differs from raw size " + std::to_string(entry.RawSize));
        const std::string problem = NameProblem(entry.Text());
        if (!problem.empty())
            findings.push_back(describe(i) + ": " + problem);
        const auto same = exact.emplace(entry.Text(), i);
        const auto similar = folded.emplace(foldedNames[i], i);
        if (!same.second)
            findings.push_back(describe(i) + ": same name as " + describe(same.first->second));
        else if (!similar.second)
            findings.push_back(describe(i) + ": name differs only in letter case from " +
                               describe(similar.first->second));
        if (const auto folder = folders.find(foldedNames[i]); folder != folders.end())
            findings.push_back(describe(i) + ": name is also a folder of " + describe(folder->second));
        if (overlaps[i] != kNone)
            findings.push_back(describe(i) + ": data overlaps " + describe(overlaps[i]));
    }
    return findings;
}

} // namespace kelvo::cli
