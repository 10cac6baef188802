#include "app/picture_view.h"

#include <algorithm>

namespace kelvo {

std::uint32_t CheckerColour(int x, int y)
{
    return ((x / kCheckerCell + y / kCheckerCell) & 1) == 0 ? kCheckerLight : kCheckerDark;
}

TPictureRect PlacePicture(int width, int height, int scale, int areaWidth, int areaHeight)
{
    const int w = width * scale, h = height * scale;
    return {std::max(0, (areaWidth - w) / 2), h <= areaHeight ? (areaHeight - h) / 2 : areaHeight - h, w, h};
}

void ComposePicture(const iff::Picture& picture, const TPictureRect& place, int outWidth, int outHeight,
                    std::uint32_t background, std::vector<std::uint32_t>& out)
{
    out.assign(static_cast<std::size_t>(std::max(0, outWidth)) * static_cast<std::size_t>(std::max(0, outHeight)),
               background);
    if (picture.Width <= 0 || picture.Height <= 0 || place.Width <= 0 || place.Height <= 0 ||
        picture.Pixels.size() < static_cast<std::size_t>(picture.Width) * static_cast<std::size_t>(picture.Height))
        return;
    const int left = std::max(0, place.Left), right = std::min(outWidth, place.Left + place.Width);
    const int top = std::max(0, place.Top), bottom = std::min(outHeight, place.Top + place.Height);
    for (int y = top; y < bottom; ++y) {
        const int sourceY = static_cast<int>(static_cast<std::int64_t>(y - place.Top) * picture.Height / place.Height);
        const std::uint32_t* row = picture.Pixels.data() + static_cast<std::size_t>(sourceY) * static_cast<std::size_t>(picture.Width);
        std::uint32_t* target = out.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(outWidth);
        for (int x = left; x < right; ++x) {
            const std::uint32_t pixel = row[static_cast<std::int64_t>(x - place.Left) * picture.Width / place.Width];
            const std::uint32_t alpha = pixel >> 24;
            if (alpha == 255) {
                target[x] = pixel & 0xFFFFFF;
                continue;
            }
            const std::uint32_t under = CheckerColour(x - place.Left, y - place.Top);
            std::uint32_t blended = 0;
            for (int shift : {0, 8, 16}) {
                const std::uint32_t s = pixel >> shift & 0xFF, d = under >> shift & 0xFF;
                blended |= (s * alpha + d * (255 - alpha) + 127) / 255 << shift;
            }
            target[x] = blended;
        }
    }
}

void TSpriteViewState::Reset(int count)
{
    count_ = std::max(0, count);
    current_ = 0;
}

bool TSpriteViewState::Select(int index)
{
    index = std::clamp(index, 0, std::max(0, count_ - 1));
    if (index == current_)
        return false;
    current_ = index;
    return true;
}

bool TSpriteViewState::SetZoom(int zoom)
{
    if (zoom == zoom_ || std::find(std::begin(kZooms), std::end(kZooms), zoom) == std::end(kZooms))
        return false;
    zoom_ = zoom;
    return true;
}

bool TSpriteViewState::SetPlane(TSpritePlane plane)
{
    if (plane == plane_)
        return false;
    plane_ = plane;
    return true;
}

bool TSpriteViewState::Key(TSpriteKey key)
{
    switch (key) {
    case TSpriteKey::skPrevious: return Select(current_ - 1);
    case TSpriteKey::skNext: return Select(current_ + 1);
    case TSpriteKey::skFirst: return Select(0);
    case TSpriteKey::skLast: return Select(count_ - 1);
    case TSpriteKey::skZoom1: return SetZoom(1);
    case TSpriteKey::skZoom2: return SetZoom(2);
    case TSpriteKey::skZoom4: return SetZoom(4);
    }
    return false;
}

std::string TSpriteViewState::PositionText(const std::string& noun) const
{
    if (count_ == 0)
        return {};
    return noun + " " + std::to_string(current_ + 1) + " of " + std::to_string(count_);
}

std::string FrameFileName(int chunkId, int frame)
{
    return std::to_string(chunkId) + "_" + std::to_string(frame) + ".bmp";
}

} // namespace kelvo
