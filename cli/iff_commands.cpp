#include "cli/iff_commands.h"

#include "archive/far_archive.h"
#include "cli/far_names.h"
#include "components/iff/iff_reader.h"
#include "components/iff/sprites.h"
#include "platform/file.h"

#include <algorithm>
#include <charconv>
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
    IffEntry() = default;
    IffEntry(const IffEntry&) = delete;
    IffEntry& operator=(const IffEntry&) = delete;
    ~IffEntry()
    {
        source_.reset();
        archive_.DeleteTempFile();
    }

    bool Open(const std::vector<std::string>& args, std::ostream& err)
    {
        const std::string& path = args[0];
        if (!archive_.Open(path, true)) {
            Failure(err, (platform::FileExists(path) ? "cannot open or read archive: " : "no such archive: ") + path);
            return false;
        }
        name_ = args[1];
        const std::optional<std::string> wanted = EntryName(name_);
        for (std::size_t i = 0; i < archive_.Entries.size(); ++i) {
            if (!wanted || archive_.Entries[i].Text() != *wanted)
                continue;
            // Read from the entry's own copy, decompressed when stored so.
            if (!archive_.ExtractToTemp(static_cast<int>(i))) {
                Failure(err, name_ + ": the entry cannot be read (" + archive_.LastError() + ")");
                return false;
            }
            source_.emplace(archive_.TempFileName());
            if (source_->Valid())
                return true;
            Failure(err, name_ + ": the entry's copy cannot be read");
            return false;
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

bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    platform::File file = platform::File::Open(path, platform::File::Mode::CreateLocked);
    return file.IsOpen() && file.Write(bytes.data(), bytes.size()) && file.Close();
}

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

int SpriteCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const std::string& idText = args[2];
    unsigned id = 0;
    const auto [end, error] = std::from_chars(idText.data(), idText.data() + idText.size(), id);
    if (error != std::errc() || end != idText.data() + idText.size() || id > 0xFFFF) {
        err << "kelvo-far: chunk ID not a number from 0 to 65535: " << idText << "\n";
        return 2;
    }
    std::string folder = args[3];
    if (folder.empty()) {
        err << "kelvo-far: the target folder name is empty\n";
        return 2;
    }
    IffEntry entry;
    if (!entry.Open(args, err))
        return 1;
    const IffListing listing = iff::ReadChunks(entry.Source());
    // The SPR2 chunk with the ID, else the SPR# one, as draw groups find them.
    const IffChunk* chunk = nullptr;
    for (const char* type : {"SPR2", "SPR#"}) {
        const auto found = std::find_if(listing.Chunks.begin(), listing.Chunks.end(),
                                        [&](const IffChunk& c) { return c.Type == type && c.ID == id; });
        if (!chunk && found != listing.Chunks.end())
            chunk = &*found;
    }
    if (!chunk) {
        if (listing.Status != iff::IffStatus::isComplete)
            return Failure(err, entry.Name() + ": " + listing.Reason);
        return Failure(err, entry.Name() + ": no SPR2 or SPR# chunk " + std::to_string(id));
    }
    const std::string place = entry.Name() + ": " + chunk->Type + " chunk " + std::to_string(id);
    std::string body, reason;
    iff::SpriteChunk sprite;
    if (!iff::ReadBody(entry.Source(), *chunk, body))
        return Failure(err, place + " cannot be read");
    if (!iff::ReadSpriteChunk(chunk->Type, body, sprite, reason))
        return Failure(err, place + ": " + reason);
    std::replace(folder.begin(), folder.end(), '/', '\\');
    // The folder is the system's name already, as extract takes it.
    if (!platform::DirectoryExists(folder) && !platform::MakeDirectory(folder))
        return Failure(err, "cannot make folder " + folder);
    if (folder.back() != '\\')
        folder += '\\';
    iff::SpriteFile file(entry.Source(), listing.Chunks);
    const iff::PaletteLookup palettes = file.Palettes();
    int code = 0, written = 0;
    for (const std::string& note : sprite.Notes)
        err << "kelvo-far: " << place << ": " << note << "\n";
    for (std::size_t i = 0; i < sprite.Frames.size(); ++i) {
        const iff::SpriteFrame frame = iff::DecodeSpriteFrame(sprite, body, i, palettes);
        // The editor's Save All Frames names its files the same way.
        const std::string name = std::to_string(id) + "_" + std::to_string(i) + ".bmp";
        if (frame.Status != iff::FrameStatus::fsDrawn)
            code = Failure(err, place + " frame " + std::to_string(i) + ": " + frame.Reason);
        else if (!WriteWholeFile(folder + name, iff::BmpFile(frame.Colour)))
            code = Failure(err, "cannot write " + folder + name);
        else
            ++written;
    }
    out << written << " frames written.\n";
    return code;
}

} // namespace kelvo::cli
