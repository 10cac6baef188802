#include "cli/iff_commands.h"

#include "archive/far_archive.h"
#include "cli/far_names.h"
#include "components/iff/iff_reader.h"

#include <optional>
#include <ostream>

namespace kelvo::cli {

namespace {

using iff::IffChunk;
using iff::IffListing;

int Failure(std::ostream& err, const std::string& what)
{
    err << "kelvo-far: " << what << "\n";
    return 1;
}

// Text fields go on one line each: tabs, line breaks and backslashes are
// written as escapes.
std::string Field(std::string_view text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\\': out += "\\\\"; break;
        default: out += c;
        }
    }
    return out;
}

// Opens the archive and finds the entry (the first of that name); reports
// and returns nothing on failure.
class IffEntry {
public:
    bool Open(const std::vector<std::string>& args, std::ostream& err)
    {
        const std::string& path = args[0];
        if (!archive_.Open(path, true)) {
            Failure(err, (platform::FileExists(path) ? "cannot open or read archive: " : "no such archive: ") + path);
            return false;
        }
        name_ = args[1];
        const std::optional<std::string> wanted = EntryName(name_);
        for (const TFarEntry& entry : archive_.Entries) {
            if (!wanted || entry.Text() != *wanted)
                continue;
            const std::int64_t size = archive_.Handle.Size();
            if (size < 0 || entry.FileOffset > static_cast<std::uint64_t>(size) ||
                entry.RawSize > static_cast<std::uint64_t>(size) - entry.FileOffset) {
                Failure(err, name_ + ": the entry's data lies outside the archive");
                return false;
            }
            source_.emplace(archive_.Handle, entry.FileOffset, entry.RawSize);
            return true;
        }
        Failure(err, "no such entry in " + path + ": " + name_);
        return false;
    }
    iff::ByteSource& Source() { return *source_; }
    const std::string& Name() const { return name_; }

private:
    TFarArchive archive_;
    std::string name_;
    std::optional<iff::FileRangeSource> source_;
};

} // namespace

int ChunksCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    IffEntry entry;
    if (!entry.Open(args, err))
        return 1;
    const IffListing listing = iff::ReadChunks(entry.Source());
    for (const IffChunk& chunk : listing.Chunks)
        out << Field(chunk.Type) << '\t' << chunk.ID << '\t' << chunk.Flags << '\t' << chunk.BodySize << '\t'
            << Field(chunk.Label) << '\n';
    if (listing.Status != iff::IffStatus::isComplete)
        return Failure(err, entry.Name() + ": " + listing.Reason);
    return 0;
}

int StringsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    IffEntry entry;
    if (!entry.Open(args, err))
        return 1;
    const IffListing listing = iff::ReadChunks(entry.Source());
    int code = 0;
    for (const IffChunk& chunk : listing.Chunks) {
        if (!iff::IsStringChunkType(chunk.Type))
            continue;
        std::string body;
        iff::StringTable table;
        const std::string place = entry.Name() + ": " + chunk.Type + " chunk " + std::to_string(chunk.ID);
        if (!iff::ReadBody(entry.Source(), chunk, body)) {
            code = Failure(err, place + " cannot be read");
            continue;
        }
        if (!iff::DecodeStrings(body, table)) {
            code = Failure(err, place + " does not hold a readable string table");
            continue;
        }
        for (const iff::IffString& string : table.Strings) {
            out << Field(chunk.Type) << '\t' << chunk.ID << '\t' << string.Index << '\t';
            if (table.HasLanguages)
                out << string.Language;
            out << '\t' << Field(string.Text) << '\t' << Field(string.Comment) << '\n';
        }
    }
    if (listing.Status != iff::IffStatus::isComplete)
        return Failure(err, entry.Name() + ": " + listing.Reason);
    return code;
}

} // namespace kelvo::cli
