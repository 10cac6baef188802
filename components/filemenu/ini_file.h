// TIniFile: an INI text file held in memory. Reading and writing keep the
// file's other sections, comments and line order as they are. Names of
// sections and keys are compared without regard to letter case, and values
// are read as the system's profile functions read them: trimmed, with one
// pair of enclosing quotes taken off.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvo {

class TIniFile {
public:
    explicit TIniFile(std::string FileName) : FFileName(std::move(FileName)) {}

    const std::string& FileName() const { return FFileName; }

    // Reads the file. A file that does not exist reads as empty; false when
    // one exists and cannot be read (then the text is left empty too).
    bool Load();
    // Writes the text to the file: a new file beside it replaces it only when
    // complete. False when that fails; the old file is then as it was.
    bool UpdateFile() const;

    // The whole text, lines ended by CR LF; and setting it from text whose
    // lines end in CR LF or LF.
    std::string Text() const;
    void SetText(std::string_view Text);

    // The key names of a section, in file order; empty when there is no such section.
    std::vector<std::string> ReadSection(const std::string& Section) const;
    std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) const;
    // Removes every section of that name with its keys.
    void EraseSection(const std::string& Section);
    // Replaces the key's value, or adds the key at the end of the section,
    // adding the section at the end of the file when it has none.
    void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value);

private:
    // The first line of the first section of that name; npos when there is none.
    std::size_t FindSection(const std::string& Section) const;
    // The line after the last line that belongs to the section starting at Header.
    std::size_t SectionEnd(std::size_t Header) const;
    // The line of the key within the section starting at Header; npos when it has none.
    std::size_t FindKey(std::size_t Header, const std::string& Ident) const;

    std::string FFileName;
    std::vector<std::string> FLines;
};

} // namespace kelvo
