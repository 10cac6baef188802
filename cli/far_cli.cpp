#include "cli/far_cli.h"

#include "cli/far_names.h"
#include "cli/iff_commands.h"
#include "platform/file.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <numeric>
#include <ostream>
#include <optional>
#include <set>
#include <unordered_map>
#include <unordered_set>

namespace kelvo::cli {

namespace {

const char kUsage[] =
    "usage: kelvo-far list ARCHIVE\n"
    "       kelvo-far extract ARCHIVE FOLDER [NAME...]\n"
    "       kelvo-far create [--follow-links] [--version 1a|1b|3] ARCHIVE PATH...\n"
    "       kelvo-far convert ARCHIVE OUT --version 1a|1b|3\n"
    "       kelvo-far add [--force] [--follow-links] ARCHIVE PATH...\n"
    "       kelvo-far delete [--force] ARCHIVE NAME...\n"
    "       kelvo-far rename [--force] ARCHIVE OLD NEW\n"
    "       kelvo-far replace [--force] ARCHIVE NAME FILE\n"
    "       kelvo-far verify ARCHIVE\n"
    "       kelvo-far chunks ARCHIVE NAME\n"
    "       kelvo-far strings ARCHIVE NAME\n"
    "       kelvo-far sprite ARCHIVE NAME CHUNK-ID FOLDER\n";

const char kHelp[] =
    "\n"
    "sprite writes every frame of an SPR2 (else SPR#) chunk of an IFF entry as a\n"
    "32-bit bitmap with alpha, CHUNK-ID_FRAME.bmp, in FOLDER.\n"
    "\n"
    "list, extract, verify and convert only read the archive, so a read-only one\n"
    "will do; add, delete, rename and replace rewrite it and refuse an archive\n"
    "that can only be read, and one in which verify finds damage unless --force\n"
    "is given. list and extract refuse an archive whose entry count is negative.\n"
    "rename refuses a name that extraction would refuse, one with a part ending\n"
    "in a dot or a space, and one another entry has in any letter case; replace\n"
    "stores a copy of FILE's bytes as the entry's data.\n"
    "\n"
    "create and add store a folder's files below it: links met on the way are\n"
    "skipped unless --follow-links is given, and a name that extract would\n"
    "refuse (\"../x\", \"/etc/x\") is not stored.\n"
    "\n"
    "Versions: archives of versions 1a, 1b and 3 are read. create writes 1a unless\n"
    "--version says otherwise; add and delete keep the archive's version; convert\n"
    "writes a copy in another. Version 3 stores entries compressed (RefPack) when\n"
    "that makes them smaller; 1a and 1b store every entry as is. list shows a 1b\n"
    "archive's format, and for version 3 each entry's type ID, file ID and a C for\n"
    "a compressed entry; extract writes entries decompressed; verify reports\n"
    "compressed entries that do not decompress to their size.\n"
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

// How many bytes an entry's data takes in the archive.
std::uint32_t StoredLength(const TFarEntry& entry) { return entry.Compressed ? entry.CompressedSize : entry.RawSize; }

std::string JoinName(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    return folder.back() == '\\' ? folder + name : folder + '\\' + name;
}

const char kNoEntryName[] = "name not valid UTF-8 or without a Windows-1252 form";
const char kBackslashName[] = "name holds a backslash, which an entry name takes as a separator";

// A system name with a backslash, which on POSIX is a character of the name
// but would be stored as a separator (and read back from another path).
bool HoldsBackslash(std::string_view systemName)
{
#ifdef _WIN32
    (void)systemName;
    return false; // the separator itself
#else
    return systemName.find('\\') != std::string_view::npos;
#endif
}

// Why AddFile took nothing for an entry name, in the words of this
// program's messages; asked only after it refused.
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

// A name as Windows compares it: separators as backslashes, letters (ASCII,
// the Latin-1 letters and the other case pairs of the ANSI code page) in
// lower case.
std::string FoldedName(std::string_view name)
{
    std::string folded(name);
    for (char& c : folded) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7))
            c = static_cast<char>(u + 0x20);
        else if (u == 0x8A || u == 0x8C || u == 0x8E) // Š, Œ, Ž
            c = static_cast<char>(u + 0x10);
        else if (u == 0x9F) // Ÿ
            c = static_cast<char>(0xFF);
        else if (c == '/')
            c = '\\';
    }
    return folded;
}

// Why an entry of this name (its bytes as stored) cannot be extracted, or
// not as itself (on Windows too); empty when it can.
std::string NameProblem(std::string_view stored)
{
    if (stored.find('\0') != std::string_view::npos)
        return "name holds a zero byte (extracted under the part before it)";
    const std::string_view name = stored;
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
    if (TFarArchive::FolderDepth(name) > TFarArchive::kMaxFolderDepth)
        return "name deeper than " + std::to_string(TFarArchive::kMaxFolderDepth) + " folders";
    for (std::string_view part : parts) {
        if (SystemName(part).size() > TFarArchive::kMaxNamePart)
            return "name part longer than 255 bytes";
    }
    if (!TFarArchive::IsSafeEntryName(name))
        return "unsafe name";
    if (parts.back().empty())
        return "name ends in a backslash";
    for (std::string_view part : parts) {
        if (part == ".")
            return "name has a \".\" part (Windows drops it)";
        if (!part.empty() && (part.back() == '.' || part.back() == ' '))
            return "name part ends in a dot or space (Windows drops it)";
        for (char c : part) {
            if (static_cast<unsigned char>(c) < 0x20 || std::string_view("<>\"|?*").find(c) != std::string_view::npos)
                return "name holds a character Windows forbids in file names";
        }
    }
    return {};
}

bool AddOneFile(TFarArchive& archive, const std::string& name, AddRun& run, std::string& failure)
{
    const std::string systemName = SystemName(name);
    // The name is stored as given: one that would leave the extraction
    // folder, or could not be extracted at all, is not stored.
    if (!TFarArchive::IsSafeEntryName(name) || !TFarArchive::IsSafeEntryName(systemName)) {
        failure = "name extraction would refuse: " + PrintableName(systemName);
        return false;
    }
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
    if (archive.AddFile(name)) {
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
        if (HoldsBackslash(item.name)) {
            // Shown as a POSIX path, where the backslash is part of the name.
            std::string where = SystemName(JoinName(name, ""));
            std::replace(where.begin(), where.end(), '\\', '/');
            failure = std::string(kBackslashName) + ": " + where + PrintableName(item.name);
            return false;
        }
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
        // A link stores (or walks) what it leads to, which may be anywhere.
        if (item.isLink && !run.followLinks) {
            run.skipped.push_back("link: " + SystemName(itemName));
            continue;
        }
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

// What the options of a command ask for.
struct Options {
    bool force = false;       // add, delete: rewrite an archive verify finds problems in
    bool followLinks = false; // create, add: walk and store what links lead to
    std::optional<TFarFormat> version; // create, convert: the version to write
};

bool AddPaths(TFarArchive& archive, const std::vector<std::string>& paths, const Options& options,
              std::ostream& err)
{
    AddRun run;
    run.followLinks = options.followLinks;
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
    if (archive.Signature == TFarArchive::kSignature && (archive.Version == 1 || archive.Version == 3))
        return true;
    Failure(err, "not a FAR archive (signature FAR!byAZ, version 1 or 3)", path);
    return false;
}

// add and delete rewrite the file: a damaged archive would be rewritten
// from what could be read of it (a negative count as no entries, shared
// data copied once per entry, bytes after the list of entries dropped), so
// one in whose bytes verify finds problems is left alone unless forced.
// Problems of names alone lose nothing in a rewrite, and delete mends them.
bool IsSoundArchive(TFarArchive& archive, const std::string& path, const Options& options, std::ostream& err)
{
    if (options.force)
        return true;
    std::string first;
    std::size_t problems = 0;
    VerifyArchive(archive, static_cast<std::uint64_t>(std::max<std::int64_t>(archive.FileSize(), 0)),
                  [&](const std::string& finding, bool damage) {
                      if (!damage)
                          return;
                      if (first.empty())
                          first = finding;
                      ++problems;
                  });
    if (problems == 0)
        return true;
    Failure(err,
            "verify finds " + std::to_string(problems) + (problems == 1 ? " problem" : " problems") + " (" + first +
                "); --force rewrites it anyway",
            path);
    return false;
}

// list and extract: a negative count is no empty archive but a damaged one.
bool HasEntryCount(const TFarArchive& archive, const std::string& path, std::ostream& err)
{
    if (archive.EntryCount >= 0)
        return true;
    Failure(err, "negative entry count (" + std::to_string(archive.EntryCount) + "), the archive is damaged", path);
    return false;
}

bool SaveArchive(TFarArchive& archive, const std::string& path, std::ostream& err)
{
    if (archive.Save(path)) {
        if (!archive.LastWarning().empty())
            err << "kelvo-far: warning: " << archive.LastWarning() << "\n";
        return true;
    }
    err << "kelvo-far: cannot write archive: " << path << ": " << archive.LastError() << "\n";
    return false;
}

int List(const std::vector<std::string>& args, const Options&, std::ostream& out, std::ostream& err)
{
    TFarArchive archive;
    if (!OpenArchive(archive, args[0], false, err) || !HasEntryCount(archive, args[0], err))
        return 1;
    WriteListing(archive, out);
    return 0;
}

int Extract(const std::vector<std::string>& args, const Options&, std::ostream& out, std::ostream& err)
{
    std::string folder = args[1];
    if (folder.empty())
        return UsageError(err, "the target folder name is empty");
    std::replace(folder.begin(), folder.end(), '/', '\\');
    TFarArchive archive;
    if (!OpenArchive(archive, args[0], false, err) || !HasEntryCount(archive, args[0], err))
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
            return Failure(err, "no such entry in " + args[0], PrintableName(SystemName(name)));
    }
    // Every entry that can be written is; each one that cannot gets a line.
    int extracted = 0;
    bool failed = false;
    TExtractionRun run(archive);
    for (const TFarEntry& entry : archive.Entries) {
        if (!wanted.empty() && !wanted.count(entry.Text()))
            continue;
        if (archive.ExtractEntry(SystemNamed(entry), folder)) {
            ++extracted;
        } else {
            err << "kelvo-far: cannot extract " << PrintableName(SystemName(entry.Text())) << ": "
                << PrintableName(archive.LastError()) << "\n";
            failed = true;
        }
    }
    out << extracted << " files extracted.\n";
    return failed ? 1 : 0;
}

// Takes "--version V" out of args into format; false, with the usage
// error reported, for a version no archive has.
bool TakeVersion(std::vector<std::string>& args, std::optional<TFarFormat>& format, std::ostream& err, int& exitCode)
{
    for (auto arg = args.begin(); arg != args.end(); ++arg) {
        if (*arg != "--version")
            continue;
        if (arg + 1 == args.end() || !(format = FormatNamed(arg[1]))) {
            exitCode = UsageError(err, "--version takes 1a, 1b or 3");
            return false;
        }
        args.erase(arg, arg + 2);
        return true;
    }
    return true;
}

int Create(const std::vector<std::string>& args, const Options& options, std::ostream&, std::ostream& err)
{
    TFarArchive archive;
    archive.Format = options.version.value_or(ff1a);
    const std::vector<std::string> paths(args.begin() + 1, args.end());
    return AddPaths(archive, paths, options, err) && SaveArchive(archive, args[0], err) ? 0 : 1;
}

int Convert(const std::vector<std::string>& args, const Options& options, std::ostream&, std::ostream& err)
{
    if (!options.version)
        return UsageError(err, "convert takes ARCHIVE OUT --version 1a|1b|3");
    // Converting in place rewrites the archive: it is held for writing then.
    const bool inPlace = platform::FileExists(args[1]) && platform::SameFile(args[0], args[1]);
    TFarArchive archive;
    if (!OpenArchive(archive, args[0], inPlace, err) || !IsFarArchive(archive, args[0], err))
        return 1;
    if (!archive.Save(args[1], *options.version)) {
        err << "kelvo-far: cannot write archive: " << args[1] << ": " << archive.LastError() << "\n";
        return 1;
    }
    return 0;
}

int Add(const std::vector<std::string>& args, const Options& options, std::ostream&, std::ostream& err)
{
    TFarArchive archive;
    const std::vector<std::string> paths(args.begin() + 1, args.end());
    return OpenArchive(archive, args[0], true, err) && IsFarArchive(archive, args[0], err) &&
                   IsSoundArchive(archive, args[0], options, err) && AddPaths(archive, paths, options, err) &&
                   SaveArchive(archive, args[0], err)
               ? 0
               : 1;
}

int Delete(const std::vector<std::string>& args, const Options& options, std::ostream&, std::ostream& err)
{
    TFarArchive archive;
    if (!OpenArchive(archive, args[0], true, err) || !IsFarArchive(archive, args[0], err) ||
        !IsSoundArchive(archive, args[0], options, err))
        return 1;
    for (auto name = args.begin() + 1; name != args.end(); ++name) {
        const std::optional<std::string> entryName = EntryName(*name);
        if (!entryName)
            return Failure(err, kNoEntryName, *name);
        bool found = false;
        for (TFarEntry& entry : archive.Entries) {
            if (entry.Text() == *entryName) {
                archive.SetDeleted(entry, true);
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

int Rename(const std::vector<std::string>& args, const Options& options, std::ostream&, std::ostream& err)
{
    TFarArchive archive;
    if (!OpenArchive(archive, args[0], true, err) || !IsFarArchive(archive, args[0], err) ||
        !IsSoundArchive(archive, args[0], options, err))
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

int Replace(const std::vector<std::string>& args, const Options& options, std::ostream&, std::ostream& err)
{
    TFarArchive archive;
    if (!OpenArchive(archive, args[0], true, err) || !IsFarArchive(archive, args[0], err) ||
        !IsSoundArchive(archive, args[0], options, err))
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

int Verify(const std::vector<std::string>& args, const Options&, std::ostream& out, std::ostream& err)
{
    TFarArchive archive;
    if (!OpenArchive(archive, args[0], false, err))
        return 1;
    const std::int64_t size = archive.FileSize();
    if (size < 0)
        return Failure(err, "cannot read archive", args[0]);
    const std::size_t findings = VerifyArchive(archive, static_cast<std::uint64_t>(size),
                                               [&](const std::string& finding, bool) { out << finding << "\n"; });
    if (findings > 0)
        return 1;
    out << "OK\n";
    return 0;
}

struct Command {
    const char* name;
    std::size_t minArgs; // after the command name and its options
    std::size_t maxArgs;
    int (*run)(const std::vector<std::string>&, const Options&, std::ostream&, std::ostream&);
    bool force = false;       // takes --force
    bool followLinks = false; // takes --follow-links
    bool version = false;     // takes --version V, anywhere among its arguments
};

constexpr std::size_t kAny = static_cast<std::size_t>(-1);

// The IFF commands take no options.
template <int (*command)(const std::vector<std::string>&, std::ostream&, std::ostream&)>
int WithoutOptions(const std::vector<std::string>& args, const Options&, std::ostream& out, std::ostream& err)
{
    return command(args, out, err);
}

const Command kCommands[] = {
    {"list", 1, 1, List},
    {"extract", 2, kAny, Extract},
    {"create", 2, kAny, Create, false, true, true},
    {"convert", 2, 2, Convert, false, false, true},
    {"add", 2, kAny, Add, true, true},
    {"delete", 2, kAny, Delete, true, false},
    {"verify", 1, 1, Verify},
    {"chunks", 2, 2, WithoutOptions<ChunksCommand>},
    {"strings", 2, 2, WithoutOptions<StringsCommand>},
    {"sprite", 4, 4, WithoutOptions<SpriteCommand>},
    {"rename", 3, 3, Rename, true, false},
    {"replace", 3, 3, Replace, true, false},
};

} // namespace

namespace {

int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
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
        // The options come before the other arguments; --version V may also
        // come after them ("convert ARCHIVE OUT --version 3").
        Options options;
        std::vector<std::string> given(args.begin() + 1, args.end());
        int exitCode = 0;
        if (command.version && !TakeVersion(given, options.version, err, exitCode))
            return exitCode;
        auto first = given.begin();
        for (; first != given.end() && first->starts_with("--"); ++first) {
            if (*first == "--force" && command.force)
                options.force = true;
            else if (*first == "--follow-links" && command.followLinks)
                options.followLinks = true;
            else
                return UsageError(err, "unknown option for " + std::string(command.name) + ": " + *first);
        }
        const std::vector<std::string> rest(first, given.end());
        if (rest.size() < command.minArgs || rest.size() > command.maxArgs)
            return UsageError(err, std::string("wrong number of arguments: ") + command.name);
        return command.run(rest, options, out, err);
    }
    return UsageError(err, "unknown command: " + args[0]);
}

} // namespace

int RunKelvoFar(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const int code = RunCommand(args, out, err);
    // Output that could not be written (a full disk) is a failure.
    if (!out.flush()) {
        err << "kelvo-far: the output could not be written\n";
        return 1;
    }
    return code;
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
    if (HoldsBackslash(path)) {
        failure = std::string(kBackslashName) + ": " + PrintableName(path);
        return false;
    }
    const std::string systemName = EntryNameForPath(path);
    const std::optional<std::string> name = EntryName(systemName);
    if (!name) {
        failure = std::string(kNoEntryName) + ": " + systemName;
        return false;
    }
    // A folder's files would be stored below its name.
    if (!name->empty() && !TFarArchive::IsSafeEntryName(*name)) {
        failure = "name extraction would refuse: " + PrintableName(systemName);
        return false;
    }
    if (name->empty() || platform::DirectoryExists(systemName))
        return AddFolder(archive, *name, run, failure);
    return AddOneFile(archive, *name, run, failure);
}

void WriteListing(const TFarArchive& archive, std::ostream& out)
{
    out << "FAR Header: " << PrintableName(SystemName(archive.Signature)) << "\n"
        << "Version: " << archive.Version << "\n"
        << "Directory offset: " << archive.ManifestOffset << "\n"
        << "Number of Entries: " << archive.EntryCount << "\n";
    if (archive.Format == ff1b)
        out << "Format: 1b (16-bit name lengths)\n";
    for (const TFarEntry& entry : archive.Entries) {
        out << entry.Index << '\t' << entry.RawSize << '\t' << entry.CompressedSize << '\t' << entry.FileOffset
            << '\t';
        if (archive.Format == ff3) {
            char fileId[16];
            std::snprintf(fileId, sizeof fileId, "0x%08X", static_cast<unsigned>(entry.FileId));
            out << entry.TypeId << '\t' << fileId << '\t' << (entry.Compressed ? "C" : "-") << '\t';
        }
        out << PrintableName(SystemName(entry.Text())) << "\n";
    }
}

std::size_t VerifyArchive(TFarArchive& archive, std::uint64_t fileSize, const VerifyReport& report)
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
        manifestEnd += ManifestRecordSize(archive.Format, entry.NameLength);
        if (StoredLength(entry) > 0)
            runs.push_back({entry.FileOffset, std::uint64_t{entry.FileOffset} + StoredLength(entry), i});
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
    runs = {};

    // Names as Windows compares them, in one block (each name's end at the
    // next one's start); the folders the names make are looked up as views
    // into it, so memory grows with the names' bytes, not with their depth.
    std::string foldedBlock;
    foldedBlock.reserve(std::accumulate(archive.Entries.begin(), archive.Entries.end(), std::size_t{0},
                                        [](std::size_t sum, const TFarEntry& e) { return sum + e.Text().size(); }));
    std::vector<std::size_t> foldedStart(count + 1, 0);
    for (std::size_t i = 0; i < count; ++i) {
        foldedBlock += FoldedName(archive.Entries[i].Text());
        foldedStart[i + 1] = foldedBlock.size();
    }
    const auto foldedName = [&](std::size_t i) {
        return std::string_view(foldedBlock).substr(foldedStart[i], foldedStart[i + 1] - foldedStart[i]);
    };
    std::unordered_map<std::string_view, std::size_t> exact;
    std::unordered_map<std::string_view, std::size_t> folded;
    exact.reserve(count);
    folded.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        folded.emplace(foldedName(i), i);
    // Each entry whose name is a folder of another, with the first such
    // entry; and the folders an extraction would make, counted until there
    // are more than it makes. Names too deep to be extracted make none.
    std::vector<std::size_t> folderOf(count, kNone);
    std::unordered_set<std::string_view> folders;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view name = foldedName(i);
        if (TFarArchive::FolderDepth(name) > TFarArchive::kMaxFolderDepth)
            continue;
        for (std::size_t cut = name.find('\\'); cut != std::string_view::npos; cut = name.find('\\', cut + 1)) {
            const std::string_view folder = name.substr(0, cut);
            if (const auto named = folded.find(folder); named != folded.end() && folderOf[named->second] == kNone)
                folderOf[named->second] = i;
            if (!folder.empty() && folders.size() <= TFarArchive::kMaxRunFolders)
                folders.insert(folder);
        }
    }
    folded.clear();

    auto describe = [&](std::size_t i) {
        const TFarEntry& entry = archive.Entries[i];
        return "entry " + std::to_string(entry.Index) + " (" + PrintableName(SystemName(entry.Text())) + ")";
    };
    std::size_t findings = 0;
    bool damage = true; // what is found about the bytes; the names come after
    const auto find = [&](const std::string& finding) {
        report(finding, damage);
        ++findings;
    };
    if (archive.Signature != TFarArchive::kSignature)
        find("signature " + PrintableName(SystemName(archive.Signature)) + " is not FAR!byAZ");
    if (archive.Version != 1 && archive.Version != 3)
        find("version " + std::to_string(archive.Version) + " is not 1 or 3");
    for (const std::string& note : archive.OpenNotes())
        find(note);
    if (archive.EntryCount < 0)
        find("negative entry count (" + std::to_string(archive.EntryCount) + ")");
    if (archive.ManifestOffset < 16)
        find("manifest offset " + std::to_string(archive.ManifestOffset) + " lies inside the 16-byte header");
    if (archive.EntryCount >= 0 && manifestEnd < fileSize)
        find(std::to_string(fileSize - manifestEnd) + " bytes after the manifest");
    damage = false;
    if (folders.size() > TFarArchive::kMaxRunFolders)
        find("the names make more than " + std::to_string(TFarArchive::kMaxRunFolders) +
             " folders, more than an extraction makes");
    folders.clear();
    damage = true;
    for (std::size_t i = 0; i < count; ++i) {
        const TFarEntry& entry = archive.Entries[i];
        const std::uint32_t stored = StoredLength(entry);
        const std::uint64_t end = std::uint64_t{entry.FileOffset} + stored;
        // An empty entry reads nothing, wherever it points, as long as the
        // position itself can be reached.
        const bool outside = entry.FileOffset > TFarArchive::kMaxPosition || (stored > 0 && end > fileSize);
        if (outside)
            find(describe(i) + ": data outside the file (offset " + std::to_string(entry.FileOffset) + ", size " +
                 std::to_string(stored) + ", file size " + std::to_string(fileSize) + ")");
        if (stored > 0 && entry.FileOffset < 16)
            find(describe(i) + ": data overlaps the header");
        if (stored > 0 && entry.FileOffset < manifestEnd && end > archive.ManifestOffset)
            find(describe(i) + ": data overlaps the manifest");
        // The first game reads no compressed entry; any version's must
        // decompress to exactly its raw size.
        if (entry.Compressed && archive.Format != ff3)
            find(describe(i) + ": compressed (sizes " + std::to_string(entry.RawSize) + " and " +
                 std::to_string(entry.CompressedSize) + "), which the first game cannot read");
        std::vector<unsigned char> content;
        if (entry.Compressed && !outside && !archive.Unpack(entry, content))
            find(describe(i) + ": " + PrintableName(archive.LastError()));
        if (overlaps[i] != kNone)
            find(describe(i) + ": data overlaps " + describe(overlaps[i]));
        damage = false;
        const std::string problem = NameProblem(entry.Name);
        if (!problem.empty())
            find(describe(i) + ": " + problem);
        const auto same = exact.emplace(entry.Text(), i);
        const auto similar = folded.emplace(foldedName(i), i);
        if (!same.second)
            find(describe(i) + ": same name as " + describe(same.first->second));
        else if (!similar.second)
            find(describe(i) + ": name differs only in letter case from " + describe(similar.first->second));
        if (folderOf[i] != kNone)
            find(describe(i) + ": name is also a folder of " + describe(folderOf[i]));
        damage = true;
    }
    return findings;
}

} // namespace kelvo::cli
