#include "archive/refpack.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <exception>
#include <utility>

namespace kelvo::refpack {

namespace {

constexpr unsigned char kMagic = 0xFB;
constexpr std::uint32_t kLargeSizes = 0x80;      // sizes are 4 bytes instead of 3
constexpr std::uint32_t kCompressedSize = 0x01; // a compressed size precedes the size
constexpr std::uint32_t kMaxShortSize = 0xFFFFFF;
// The most output per byte of codes: a 4-byte long copy of 1028 bytes.
constexpr std::uint64_t kMaxExpansion = 257;

constexpr std::size_t kWindow = 131072;
constexpr std::size_t kMinCopy = 3;
constexpr std::size_t kMaxCopy = 1028;
constexpr std::size_t kMaxLiteralBlock = 112;

std::string At(std::size_t position) { return " at byte " + std::to_string(position) + " of the stream."; }

// Parses the header: the stated size and where the control codes start.
bool ReadHeader(const unsigned char* in, std::size_t inSize, std::uint32_t& size, std::size_t& codes,
                std::string& reason)
{
    if (inSize < 2 || in[1] != kMagic || (in[0] & 0x3E) != 0x10) {
        reason = "The data is not a RefPack stream: it does not start with a RefPack header.";
        return false;
    }
    const std::size_t sizeBytes = (in[0] & kLargeSizes) != 0 ? 4 : 3;
    const std::size_t start = 2 + ((in[0] & kCompressedSize) != 0 ? sizeBytes : 0);
    if (inSize < start + sizeBytes) {
        reason = "The data is not a RefPack stream: its header is cut short.";
        return false;
    }
    size = 0;
    for (std::size_t i = 0; i < sizeBytes; ++i)
        size = size << 8 | in[start + i];
    codes = start + sizeBytes;
    return true;
}

} // namespace

bool StatedSize(const unsigned char* in, std::size_t inSize, std::uint32_t& size, std::string& reason)
{
    std::size_t codes = 0;
    return ReadHeader(in, inSize, size, codes, reason);
}

bool Decompress(const unsigned char* in, std::size_t inSize, std::vector<unsigned char>& out, std::string& reason)
{
    std::uint32_t stated = 0;
    std::size_t ip = 0;
    if (!ReadHeader(in, inSize, stated, ip, reason))
        return false;
    if (stated > kMaxExpansion * (inSize - ip)) {
        reason = "The stream states a size of " + std::to_string(stated) + " bytes, more than its " +
                 std::to_string(inSize - ip) + " bytes of codes can hold.";
        return false;
    }
    try {
        out.resize(stated);
    } catch (const std::exception&) { // bad_alloc, or length_error in a 32-bit process
        reason = "There is not enough memory for the " + std::to_string(stated) + " bytes the stream holds.";
        return false;
    }
    unsigned char* const o = out.data();
    const std::size_t size = stated;
    std::size_t op = 0;
    const auto tooLong = [&](std::size_t at) {
        reason = "The output would exceed the stated size of " + std::to_string(size) + " bytes" + At(at);
        return false;
    };
    while (ip < inSize) {
        const std::size_t at = ip;
        const unsigned b0 = in[ip];
        std::size_t literals = 0;
        std::size_t length = 0;
        std::size_t distance = 0;
        if (b0 < 0x80) {
            if (inSize - ip < 2)
                break;
            const unsigned b1 = in[ip + 1];
            literals = b0 & 3;
            length = ((b0 >> 2) & 7) + 3;
            distance = ((b0 >> 5 & 3) << 8 | b1) + 1;
            ip += 2;
        } else if (b0 < 0xC0) {
            if (inSize - ip < 3)
                break;
            const unsigned b1 = in[ip + 1];
            literals = b1 >> 6;
            length = (b0 & 0x3F) + 4;
            distance = ((b1 & 0x3F) << 8 | in[ip + 2]) + 1;
            ip += 3;
        } else if (b0 < 0xE0) {
            if (inSize - ip < 4)
                break;
            literals = b0 & 3;
            length = ((b0 >> 2 & 3) << 8 | in[ip + 3]) + 5;
            distance = ((b0 >> 4 & 1) << 16 | in[ip + 1] << 8 | in[ip + 2]) + 1;
            ip += 4;
        } else if (b0 < 0xFC) {
            literals = ((b0 & 0x1F) + 1) * 4;
            ip += 1;
        } else {
            literals = b0 & 3;
            ip += 1;
        }

        if (literals > inSize - ip) {
            reason = "The stream ends inside literal bytes" + At(at);
            return false;
        }
        if (literals > size - op)
            return tooLong(at);
        // Short runs are copied 16 bytes at a time where both buffers have
        // room; bytes written past the run are overwritten by what follows.
        if (literals <= 16 && inSize - ip >= 16 && size - op >= 16)
            std::memcpy(o + op, in + ip, 16);
        else if (literals != 0)
            std::memcpy(o + op, in + ip, literals);
        ip += literals;
        op += literals;

        if (b0 >= 0xFC) {
            if (op != size) {
                reason = "The stream stops after " + std::to_string(op) + " of " + std::to_string(size) + " bytes.";
                return false;
            }
            if (ip != inSize) {
                const std::size_t extra = inSize - ip;
                reason = std::to_string(extra) + (extra == 1 ? " byte follows" : " bytes follow") + " the stop code" + At(at);
                return false;
            }
            return true;
        }
        if (length == 0)
            continue;
        if (distance > op) {
            reason = "A copy reaches before the start of the output" + At(at);
            return false;
        }
        if (length > size - op)
            return tooLong(at);
        unsigned char* dst = o + op;
        const unsigned char* src = dst - distance;
        const std::size_t room = size - op;
        op += length;
        // Where the output has room behind the copy, it goes in blocks of 16
        // (or 8) bytes, each read wholly from bytes already written.
        if (distance >= 16 && room - length >= 16) {
            for (std::size_t k = 0; k < length; k += 16)
                std::memcpy(dst + k, src + k, 16);
        } else if (distance >= 8 && room - length >= 8) {
            for (std::size_t k = 0; k < length; k += 8)
                std::memcpy(dst + k, src + k, 8);
        } else if (distance >= length) {
            std::memcpy(dst, src, length);
        } else if (distance == 1) {
            std::memset(dst, *src, length);
        } else {
            // The copy overlaps what it writes and repeats the last distance
            // bytes. Every block copied from src lies wholly before the output
            // end, and the repeated span doubles with each block.
            while (length > 0) {
                const std::size_t block = std::min(static_cast<std::size_t>(dst - src), length);
                std::memcpy(dst, src, block);
                dst += block;
                length -= block;
            }
        }
        continue;
    }
    if (ip < inSize)
        reason = "The stream ends inside a control code" + At(ip);
    else
        reason = "The stream ends before a stop code.";
    return false;
}

namespace {

struct Match {
    std::size_t length = 0;
    std::size_t distance = 0;
};

// Bytes the code for a copy takes: the shortest form that holds it.
std::size_t CodeSize(const Match& match)
{
    if (match.length <= 10 && match.distance <= 1024)
        return 2;
    if (match.length <= 67 && match.distance <= 16384)
        return 3;
    return 4;
}

bool Expressible(std::size_t length, std::size_t distance)
{
    return length >= 5 || (length == 4 && distance <= 16384) || (length == 3 && distance <= 1024);
}

// Output bytes a match saves over writing its bytes as literals.
std::ptrdiff_t Gain(const Match& match)
{
    if (match.length < kMinCopy)
        return 0;
    return static_cast<std::ptrdiff_t>(match.length) - static_cast<std::ptrdiff_t>(CodeSize(match));
}

// Finds earlier occurrences of the bytes at a position through hash chains
// of 3-byte strings: a table from a string's hash to the latest position
// with that hash, and a link from each position to the one before it. The
// links live in a ring twice the window, so a link of any position within
// the window is still its own (a smaller ring holds every position of a
// smaller input). Positions are stored plus one; 0 ends a chain.
class MatchFinder {
public:
    // The tables grow with the data up to their full size, so that small
    // inputs (most archive entries) cost little to set up.
    MatchFinder(const unsigned char* data, std::size_t size)
        : data_(data), size_(size),
          hashBits_(std::clamp(static_cast<int>(std::bit_width(size)), 8, kHashBits)),
          ringMask_(std::bit_ceil(std::clamp<std::size_t>(size, 1, kRing)) - 1), head_(std::size_t{1} << hashBits_),
          links_(ringMask_ + 1)
    {
    }

    // The longest copy for position p, nearest first among equals, over at
    // most chainLimit earlier positions. Adds the positions before p first.
    Match Find(std::size_t p, int chainLimit)
    {
        AddUpTo(p);
        Match best;
        const std::size_t limit = std::min(kMaxCopy, size_ - p);
        if (limit < kMinCopy)
            return best;
        std::uint32_t link = head_[Hash(p)];
        for (int chain = 0; link != 0 && chain < chainLimit; ++chain) {
            const std::size_t j = link - 1;
            const std::size_t distance = p - j;
            if (distance > kWindow)
                break;
            link = links_[j & ringMask_];
            if (data_[j + best.length] != data_[p + best.length])
                continue;
            const std::size_t length = Length(j, p, limit);
            if (length > best.length && Expressible(length, distance)) {
                best = {length, distance};
                if (length == limit || length >= kEnoughLength)
                    break;
            }
        }
        return best;
    }

private:
    static constexpr int kHashBits = 17;
    // A match this long ends the search: a longer one would save little.
    static constexpr std::size_t kEnoughLength = 64;
    static constexpr std::size_t kRing = 2 * kWindow;

    std::uint32_t Hash(std::size_t p) const
    {
        const std::uint32_t bytes = std::uint32_t{data_[p]} << 16 | std::uint32_t{data_[p + 1]} << 8 | data_[p + 2];
        return (bytes * 2654435761u) >> (32 - hashBits_);
    }

    void AddUpTo(std::size_t p)
    {
        const std::size_t end = std::min(p, size_ >= kMinCopy ? size_ - kMinCopy + 1 : 0);
        for (; added_ < end; ++added_) {
            std::uint32_t& head = head_[Hash(added_)];
            links_[added_ & ringMask_] = head;
            head = static_cast<std::uint32_t>(added_ + 1);
        }
    }

    // How many bytes from j on equal those from p on, up to limit.
    std::size_t Length(std::size_t j, std::size_t p, std::size_t limit) const
    {
        std::size_t k = 0;
        for (; k + 8 <= limit; k += 8) {
            std::uint64_t a = 0;
            std::uint64_t b = 0;
            std::memcpy(&a, data_ + j + k, 8);
            std::memcpy(&b, data_ + p + k, 8);
            if (a != b) {
                if constexpr (std::endian::native == std::endian::little)
                    return k + static_cast<std::size_t>(std::countr_zero(a ^ b)) / 8;
                else
                    return k + static_cast<std::size_t>(std::countl_zero(a ^ b)) / 8;
            }
        }
        while (k < limit && data_[j + k] == data_[p + k])
            ++k;
        return k;
    }

    const unsigned char* data_;
    std::size_t size_;
    int hashBits_;
    std::size_t ringMask_;
    std::vector<std::uint32_t> head_;
    std::vector<std::uint32_t> links_;
    std::size_t added_ = 0;
};

// Writes control codes into a buffer sized for the worst case: every copy
// saves at least a byte, so the output exceeds the input only by a literal
// block code per 112 bytes, one for a run's first block and the stop code.
class CodeWriter {
public:
    CodeWriter(const unsigned char* data, std::size_t size) : data_(data), out_(size + size / kMaxLiteralBlock + 16)
    {
        const bool large = size > kMaxShortSize;
        out_[0] = large ? 0x90 : 0x10;
        out_[1] = kMagic;
        w_ = 2;
        for (int shift = large ? 24 : 16; shift >= 0; shift -= 8)
            out_[w_++] = static_cast<unsigned char>(size >> shift);
    }

    // The literals from the last code's end up to p, then a copy at p.
    void Copy(std::size_t p, const Match& match)
    {
        const std::size_t carried = Blocks(p);
        const std::size_t d = match.distance - 1;
        const std::size_t length = match.length;
        unsigned char* w = &out_[w_];
        switch (CodeSize(match)) {
        case 2:
            w[0] = static_cast<unsigned char>((d >> 8) << 5 | (length - 3) << 2 | carried);
            w[1] = static_cast<unsigned char>(d);
            break;
        case 3:
            w[0] = static_cast<unsigned char>(0x80 | (length - 4));
            w[1] = static_cast<unsigned char>(carried << 6 | d >> 8);
            w[2] = static_cast<unsigned char>(d);
            break;
        default:
            w[0] = static_cast<unsigned char>(0xC0 | (d >> 16) << 4 | ((length - 5) >> 8) << 2 | carried);
            w[1] = static_cast<unsigned char>(d >> 8);
            w[2] = static_cast<unsigned char>(d);
            w[3] = static_cast<unsigned char>(length - 5);
            break;
        }
        w_ += CodeSize(match);
        Literals(carried);
        literalStart_ = p + length;
    }

    // The literals from the last code's end up to end, then the stop code.
    std::vector<unsigned char> Finish(std::size_t end)
    {
        const std::size_t carried = Blocks(end);
        out_[w_++] = static_cast<unsigned char>(0xFC | carried);
        Literals(carried);
        out_.resize(w_);
        return std::move(out_);
    }

private:
    // Writes literal blocks while 4 or more literals are pending before p;
    // returns how many (0 to 3) remain for the next code to carry.
    std::size_t Blocks(std::size_t p)
    {
        while (p - literalStart_ >= 4) {
            const std::size_t count = std::min(kMaxLiteralBlock, (p - literalStart_) & ~std::size_t{3});
            out_[w_++] = static_cast<unsigned char>(0xE0 + count / 4 - 1);
            Literals(count);
        }
        return p - literalStart_;
    }

    void Literals(std::size_t count)
    {
        if (count == 0)
            return;
        std::memcpy(&out_[w_], data_ + literalStart_, count);
        w_ += count;
        literalStart_ += count;
    }

    const unsigned char* data_;
    std::vector<unsigned char> out_;
    std::size_t w_ = 0;
    std::size_t literalStart_ = 0;
};

// Chain lengths: the full search, and the shorter one for the next position
// when a good match is already in hand. A match this long is taken at once.
constexpr int kChain = 64;
constexpr int kLazyChain = 16;
constexpr std::size_t kGoodLength = 32;
constexpr std::size_t kTakeLength = 256;

} // namespace

std::vector<unsigned char> Compress(const unsigned char* data, std::size_t size)
{
    // Lazy matching: a match is written only when the next position has no
    // better one; otherwise its first byte becomes a literal.
    CodeWriter writer(data, size);
    MatchFinder finder(data, size);
    std::size_t p = 0;
    Match match = finder.Find(0, kChain);
    while (p < size) {
        if (match.length < kMinCopy) {
            ++p;
            match = finder.Find(p, kChain);
            continue;
        }
        if (match.length < kTakeLength) {
            const Match next = finder.Find(p + 1, match.length >= kGoodLength ? kLazyChain : kChain);
            if (Gain(next) > Gain(match)) {
                ++p;
                match = next;
                continue;
            }
        }
        writer.Copy(p, match);
        p += match.length;
        match = finder.Find(p, kChain);
    }
    return writer.Finish(size);
}

} // namespace kelvo::refpack
