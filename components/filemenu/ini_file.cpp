#include "components/filemenu/ini_file.h"

#include "platform/file.h"

#include <optional>

namespace kelvo {
namespace {

constexpr std::size_t npos = std::string::npos;

std::string_view Trim(std::string_view Text)
{
    const std::size_t First = Text.find_first_not_of(" \t");
    if (First == npos)
        return {};
    return Text.substr(First, Text.find_last_not_of(" \t") - First + 1);
}

bool SameName(std::string_view A, std::string_view B)
{
    if (A.size() != B.size())
        return false;
    for (std::size_t i = 0; i < A.size(); ++i) {
        const auto Fold = [](char C) { return C >= 'a' && C <= 'z' ? static_cast<char>(C - 'a' + 'A') : C; };
        if (Fold(A[i]) != Fold(B[i]))
            return false;
    }
    return true;
}

// The name of the section a line starts; none when the line is no header.
std::optional<std::string_view> HeaderName(std::string_view Line)
{
    Line = Trim(Line);
    if (Line.empty() || Line.front() != '[')
        return std::nullopt;
    Line.remove_prefix(1);
    return Trim(Line.substr(0, Line.find(']')));
}

// The key a line sets: the text before "=", or the whole line when it has
// none, as the system's profile functions count such lines. Empty for blank
// lines and comments.
std::string_view KeyName(std::string_view Line)
{
    Line = Trim(Line);
    if (Line.empty() || Line.front() == ';')
        return {};
    return Trim(Line.substr(0, Line.find('=')));
}

} // namespace

bool TIniFile::Load()
{
    FLines.clear();
    if (!platform::FileExists(FFileName) && !platform::DirectoryExists(FFileName))
        return true;
    platform::File In = platform::File::Open(FFileName, platform::File::Mode::Read);
    const std::int64_t Size = In.IsOpen() ? In.Size() : -1;
    if (Size < 0)
        return false;
    std::string Text(static_cast<std::size_t>(Size), '\0');
    if (!In.ReadExact(Text.data(), Text.size()))
        return false;
    SetText(Text);
    return true;
}

bool TIniFile::UpdateFile() const
{
    const std::string Data = Text();
    std::string Output;
    bool Written;
    {
        platform::File Out = platform::CreateReplacement(FFileName, Output);
        Written = Out.IsOpen() && Out.Write(Data.data(), Data.size()) && Out.Flush() && Out.Close();
    }
    if (Written && platform::ReplaceWith(Output, FFileName))
        return true;
    if (!Output.empty())
        platform::RemoveFile(Output);
    return false;
}

std::string TIniFile::Text() const
{
    std::string Result;
    for (const std::string& Line : FLines)
        Result += Line + "\r\n";
    return Result;
}

void TIniFile::SetText(std::string_view Text)
{
    FLines.clear();
    while (!Text.empty()) {
        const std::size_t End = Text.find('\n');
        std::string_view Line = Text.substr(0, End);
        if (!Line.empty() && Line.back() == '\r')
            Line.remove_suffix(1);
        FLines.emplace_back(Line);
        Text.remove_prefix(End == npos ? Text.size() : End + 1);
    }
}

std::size_t TIniFile::FindSection(const std::string& Section) const
{
    for (std::size_t i = 0; i < FLines.size(); ++i)
        if (const auto Name = HeaderName(FLines[i]); Name && SameName(*Name, Section))
            return i;
    return npos;
}

std::size_t TIniFile::SectionEnd(std::size_t Header) const
{
    std::size_t End = Header + 1;
    while (End < FLines.size() && !HeaderName(FLines[End]))
        ++End;
    return End;
}

std::size_t TIniFile::FindKey(std::size_t Header, const std::string& Ident) const
{
    for (std::size_t i = Header + 1, End = SectionEnd(Header); i < End; ++i)
        if (const std::string_view Key = KeyName(FLines[i]); !Key.empty() && SameName(Key, Ident))
            return i;
    return npos;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& Section) const
{
    std::vector<std::string> Keys;
    const std::size_t Header = FindSection(Section);
    if (Header == npos)
        return Keys;
    for (std::size_t i = Header + 1, End = SectionEnd(Header); i < End; ++i)
        if (const std::string_view Key = KeyName(FLines[i]); !Key.empty())
            Keys.emplace_back(Key);
    return Keys;
}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) const
{
    const std::size_t Header = FindSection(Section);
    const std::size_t Line = Header == npos ? npos : FindKey(Header, Ident);
    if (Line == npos)
        return Default;
    const std::string_view Text = FLines[Line];
    const std::size_t Equals = Text.find('=');
    std::string_view Value = Equals == npos ? std::string_view() : Trim(Text.substr(Equals + 1));
    if (Value.size() >= 2 && (Value.front() == '"' || Value.front() == '\'') && Value.back() == Value.front())
        Value = Value.substr(1, Value.size() - 2);
    return std::string(Value);
}

void TIniFile::EraseSection(const std::string& Section)
{
    for (std::size_t Header; (Header = FindSection(Section)) != npos;)
        FLines.erase(FLines.begin() + static_cast<std::ptrdiff_t>(Header),
                     FLines.begin() + static_cast<std::ptrdiff_t>(SectionEnd(Header)));
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value)
{
    std::size_t Header = FindSection(Section);
    if (Header == npos) {
        if (!FLines.empty() && !Trim(FLines.back()).empty())
            FLines.emplace_back();
        Header = FLines.size();
        FLines.push_back("[" + Section + "]");
    }
    const std::string Line = Ident + "=" + Value;
    if (const std::size_t Key = FindKey(Header, Ident); Key != npos) {
        FLines[Key] = Line;
        return;
    }
    // After the section's last non-blank line, so the blank line that parts
    // it from the next section stays where it is.
    std::size_t At = SectionEnd(Header);
    while (At > Header + 1 && Trim(FLines[At - 1]).empty())
        --At;
    FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(At), Line);
}

} // namespace kelvo
