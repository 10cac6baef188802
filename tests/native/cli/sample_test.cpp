#include "tools/sample/sample_archive.h"

#include "archive/far_archive.h"
#include "tests/native/cli/test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace kelvo::sample {
namespace {

std::vector<std::string> Parts(const std::string& name)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t cut; (cut = name.find('\\', start)) != std::string::npos; start = cut + 1)
        parts.push_back(name.substr(start, cut - start));
    parts.push_back(name.substr(start));
    return parts;
}

// The order of a folder walk: at the first differing level a file (the last
// part of its name) comes before a folder, otherwise names go in byte order.
bool WalkOrderLess(const std::string& a, const std::string& b)
{
    const auto pa = Parts(a);
    const auto pb = Parts(b);
    for (std::size_t i = 0;; ++i) {
        const bool fileA = i + 1 == pa.size();
        const bool fileB = i + 1 == pb.size();
        if (pa[i] != pb[i]) {
            if (fileA != fileB)
                return fileA;
            return pa[i] < pb[i];
        }
        if (fileA || fileB)
            return false; // the same name, or a file and a folder of one name
    }
}

TEST(SampleFiles, AreInWalkOrderWithGameLikeContents)
{
    const auto files = SampleFiles();
    ASSERT_GE(files.size(), 10u);
    std::set<std::string> names;
    bool empty = false, zeroInText = false, iff = false, bmpFolder = false, latin1 = false;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const SampleFile& file = files[i];
        if (i > 0) {
            EXPECT_TRUE(WalkOrderLess(files[i - 1].name, file.name)) << files[i - 1].name << " / " << file.name;
        }
        EXPECT_TRUE(names.insert(file.name).second) << file.name;
        EXPECT_TRUE(TFarArchive::IsSafeEntryName(file.name)) << file.name;
        EXPECT_EQ(file.name.find('/'), std::string::npos);
        empty |= file.data.empty();
        zeroInText |= file.name.ends_with(".txt") && file.data.find('\0') != std::string::npos;
        bmpFolder |= file.name.find(".BMP\\") != std::string::npos;
        for (unsigned char c : file.name)
            latin1 |= c >= 0xA0;
        if (file.name.ends_with(".iff") && !file.data.empty()) {
            iff = true;
            ASSERT_GE(file.data.size(), 12u);
            EXPECT_EQ(file.data.substr(0, 4), "FORM");
            const auto* p = reinterpret_cast<const unsigned char*>(file.data.data());
            const std::size_t formSize = std::size_t{p[4]} << 24 | p[5] << 16 | p[6] << 8 | p[7];
            EXPECT_EQ(formSize + 8, file.data.size()) << file.name;
        }
    }
    EXPECT_TRUE(empty);
    EXPECT_TRUE(zeroInText);
    EXPECT_TRUE(iff);
    EXPECT_TRUE(bmpFolder);
    EXPECT_TRUE(latin1);
}

TEST(FarImage, IsReadByTheArchiveCoreAsWritten)
{
    test::ScratchFolder scratch;
    const auto files = SampleFiles();
    const std::string image = FarImage(files);
    test::WriteFile("sample.far", image);

    TFarArchive archive;
    ASSERT_TRUE(archive.Open("sample.far"));
    EXPECT_EQ(archive.Signature, "FAR!byAZ");
    EXPECT_EQ(archive.Version, 1u);
    ASSERT_EQ(archive.Entries.size(), files.size());
    std::uint32_t offset = 16;
    std::size_t manifestSize = 4;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const TFarEntry& entry = archive.Entries[i];
        EXPECT_EQ(entry.Name, files[i].name);
        EXPECT_EQ(entry.RawSize, files[i].data.size());
        EXPECT_EQ(entry.CompressedSize, entry.RawSize);
        EXPECT_EQ(entry.FileOffset, offset);
        ASSERT_TRUE(archive.ExtractToTemp(static_cast<int>(i)));
        EXPECT_EQ(test::ReadFile(archive.TempFileName()), files[i].data) << files[i].name;
        offset += entry.RawSize;
        manifestSize += 16 + entry.NameLength;
    }
    archive.DeleteTempFile();
    EXPECT_EQ(archive.ManifestOffset, offset);
    EXPECT_EQ(image.size(), offset + manifestSize);
}

// ---- Bitmaps ----

std::uint32_t U16(const std::string& s, std::size_t at)
{
    return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
}
std::uint32_t U32(const std::string& s, std::size_t at) { return U16(s, at) | U16(s, at + 2) << 16; }

struct ParsedBmp {
    std::int32_t width, height;
    std::uint32_t bitCount, compression, colours, pixelOffset;
    std::string pixels;
};

ParsedBmp ParseBmp(const std::string& file)
{
    ParsedBmp bmp{};
    EXPECT_GE(file.size(), 54u);
    if (file.size() < 54)
        return bmp;
    EXPECT_EQ(file.substr(0, 2), "BM");
    EXPECT_EQ(U32(file, 2), file.size());
    EXPECT_EQ(U32(file, 6), 0u);
    EXPECT_EQ(U32(file, 14), 40u);
    EXPECT_EQ(U16(file, 26), 1u);
    bmp.width = static_cast<std::int32_t>(U32(file, 18));
    bmp.height = static_cast<std::int32_t>(U32(file, 22));
    bmp.bitCount = U16(file, 28);
    bmp.compression = U32(file, 30);
    bmp.colours = U32(file, 46);
    bmp.pixelOffset = U32(file, 10);
    EXPECT_GT(bmp.width, 0);
    EXPECT_GT(bmp.height, 0);
    const std::uint32_t masks = bmp.compression == 3 ? 12 : 0;
    if (bmp.bitCount <= 8) {
        EXPECT_EQ(bmp.colours, 1u << bmp.bitCount);
    }
    EXPECT_EQ(bmp.pixelOffset, 54 + masks + 4 * bmp.colours);
    for (std::uint32_t i = 0; i < bmp.colours; ++i)
        EXPECT_EQ(file[54 + masks + 4 * i + 3], '\0'); // reserved byte of each colour
    EXPECT_EQ(U32(file, 34), file.size() - bmp.pixelOffset); // image size
    bmp.pixels = file.substr(bmp.pixelOffset);
    return bmp;
}

std::size_t Stride(const ParsedBmp& bmp) { return (bmp.width * bmp.bitCount + 31) / 32 * 4; }

// The palette indices of an 8-bit BI_RGB picture, in the file's row order.
std::vector<std::uint8_t> Indices8(const ParsedBmp& bmp)
{
    std::vector<std::uint8_t> indices;
    for (int y = 0; y < bmp.height; ++y)
        for (int x = 0; x < bmp.width; ++x)
            indices.push_back(static_cast<std::uint8_t>(bmp.pixels[y * Stride(bmp) + x]));
    return indices;
}

struct Rle8Decoded {
    std::vector<std::uint8_t> indices; // file row order
    int encodedRuns = 0;
    int absoluteRuns = 0;
};

Rle8Decoded DecodeRle8(const ParsedBmp& bmp)
{
    Rle8Decoded decoded;
    decoded.indices.assign(static_cast<std::size_t>(bmp.width * bmp.height), 0xEE);
    const std::string& codes = bmp.pixels;
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(codes[i]); };
    int x = 0, y = 0;
    std::size_t i = 0;
    bool ended = false;
    while (!ended && i + 1 < codes.size()) {
        const int count = byte(i), value = byte(i + 1);
        i += 2;
        if (count > 0) {
            EXPECT_LE(x + count, bmp.width);
            for (int k = 0; k < count && x < bmp.width && y < bmp.height; ++k)
                decoded.indices[static_cast<std::size_t>(y * bmp.width + x++)] = static_cast<std::uint8_t>(value);
            ++decoded.encodedRuns;
        } else if (value == 0) {
            ++y;
            x = 0;
        } else if (value == 1) {
            ended = true;
        } else if (value == 2) {
            ADD_FAILURE() << "delta code not expected";
            return decoded;
        } else {
            EXPECT_LE(i + value, codes.size());
            EXPECT_LE(x + value, bmp.width);
            for (int k = 0; k < value && i < codes.size() && x < bmp.width && y < bmp.height; ++k)
                decoded.indices[static_cast<std::size_t>(y * bmp.width + x++)] = byte(i++);
            i += value % 2; // absolute runs keep the codes word-aligned
            ++decoded.absoluteRuns;
        }
    }
    EXPECT_TRUE(ended);
    EXPECT_EQ(i, codes.size()); // nothing after the end-of-bitmap code
    EXPECT_EQ(y, bmp.height - 1);
    return decoded;
}

TEST(SampleBitmaps, CoverEveryPixelFormatWithValidHeadersAndPadding)
{
    std::map<std::string, ParsedBmp> bitmaps;
    std::set<std::pair<std::uint32_t, std::uint32_t>> formats;
    for (const SampleFile& file : SampleFiles()) {
        if (!file.name.ends_with(".bmp"))
            continue;
        SCOPED_TRACE(file.name);
        ParsedBmp bmp = ParseBmp(file.data);
        formats.insert({bmp.bitCount, bmp.compression});
        if (bmp.compression == 3) {
            EXPECT_EQ(file.data.substr(54, 12), std::string("\x00\xF8\0\0\xE0\x07\0\0\x1F\0\0\0", 12));
        }
        if (bmp.compression != 1) {
            ASSERT_EQ(bmp.pixels.size(), Stride(bmp) * bmp.height);
            // Padding past each row's last pixel is zero.
            const std::size_t used = (bmp.width * bmp.bitCount + 7) / 8;
            for (int y = 0; y < bmp.height; ++y)
                for (std::size_t b = used; b < Stride(bmp); ++b)
                    EXPECT_EQ(bmp.pixels[y * Stride(bmp) + b], '\0');
        }
        bitmaps[file.name] = bmp;
    }
    const std::set<std::pair<std::uint32_t, std::uint32_t>> expected = {
        {1, 0}, {4, 0}, {8, 0}, {8, 1}, {16, 0}, {16, 3}, {24, 0}};
    EXPECT_EQ(formats, expected);

    // The checkerboard alternates every 6 pixels.
    const ParsedBmp& checker = bitmaps.at("Textures\\checker1.bmp");
    const auto bit = [&](int x, int y) { return checker.pixels[y * Stride(checker) + x / 8] >> (7 - x % 8) & 1; };
    EXPECT_NE(bit(0, 0), bit(6, 0));
    EXPECT_NE(bit(0, 0), bit(0, 6));
    EXPECT_EQ(bit(0, 0), bit(6, 6));
    EXPECT_EQ(bit(0, 0), bit(5, 5));
}

TEST(SampleBitmaps, RunLengthHouseDecodesToThePlainHouse)
{
    std::string plain, encoded;
    for (const SampleFile& file : SampleFiles()) {
        if (file.name == "Textures\\house8.bmp")
            plain = file.data;
        if (file.name == "Textures\\house_rle8.bmp")
            encoded = file.data;
    }
    const ParsedBmp plainBmp = ParseBmp(plain);
    const ParsedBmp rleBmp = ParseBmp(encoded);
    EXPECT_EQ(plain.substr(54, plainBmp.pixelOffset - 54), encoded.substr(54, rleBmp.pixelOffset - 54)); // palette
    EXPECT_EQ(rleBmp.width, plainBmp.width);
    EXPECT_EQ(rleBmp.height, plainBmp.height);
    const Rle8Decoded decoded = DecodeRle8(rleBmp);
    EXPECT_EQ(decoded.indices, Indices8(plainBmp));
    EXPECT_GT(decoded.encodedRuns, 0);
    EXPECT_GT(decoded.absoluteRuns, 0);
    EXPECT_LT(encoded.size(), plain.size());
    // A recognisable picture: more than a handful of colours.
    EXPECT_GE(std::set<std::uint8_t>(decoded.indices.begin(), decoded.indices.end()).size(), 10u);
}

} // namespace
} // namespace kelvo::sample
