// What the picture previews decide without a window: pictures of 32-bit
// pixels drawn scaled over a checkerboard that shows their transparency, and
// the state of the sprite preview (frame, zoom, plane) with its keys.
#pragma once

#include "components/iff/picture.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kelvo {

// The checkerboard behind pictures: cells of kCheckerCell pixels, light and
// grey, the light one at the origin.
inline constexpr int kCheckerCell = 8;
inline constexpr std::uint32_t kCheckerLight = 0xFFFFFF;
inline constexpr std::uint32_t kCheckerDark = 0xC0C0C0;
std::uint32_t CheckerColour(int x, int y);

struct TPictureRect {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool operator==(const TPictureRect&) const = default;
};

// Where a picture drawn at scale goes in an area: centred where it fits;
// one too wide starts at the area's left edge, one too high ends at its
// bottom edge (where objects stand on the floor).
TPictureRect PlacePicture(int width, int height, int scale, int areaWidth, int areaHeight);

// Draws a picture into an output of outWidth x outHeight pixels (0x00RRGGBB,
// rows from the top): the picture scaled to place (nearest pixel), each pixel
// blended over the checkerboard by its alpha; the rest of the output is
// background. The checkerboard's cells count from the picture's corner.
void ComposePicture(const iff::Picture& picture, const TPictureRect& place, int outWidth, int outHeight,
                    std::uint32_t background, std::vector<std::uint32_t>& out);

// The sprite preview's state: which of its pictures is shown (a frame, or a
// draw group's rotation), at which zoom, and which plane of a frame that has
// depth and alpha planes.
enum class TSpritePlane { spColour, spDepth, spAlpha };
enum class TSpriteKey { skPrevious, skNext, skFirst, skLast, skZoom1, skZoom2, skZoom4 };

class TSpriteViewState {
public:
    static constexpr int kZooms[] = {1, 2, 4};

    // A new set of count pictures: the first one shows; zoom and plane stay.
    void Reset(int count);
    int Count() const { return count_; }
    int Current() const { return current_; }
    // Moves to a picture, kept within the set; true when it changed.
    bool Select(int index);
    int Zoom() const { return zoom_; }
    // 1, 2 or 4; true when it changed.
    bool SetZoom(int zoom);
    TSpritePlane Plane() const { return plane_; }
    bool SetPlane(TSpritePlane plane);
    // Runs a key; true when anything changed.
    bool Key(TSpriteKey key);
    // "Frame 3 of 12" for the current picture, with the given noun; empty
    // when there are none.
    std::string PositionText(const std::string& noun) const;

private:
    int count_ = 0;
    int current_ = 0;
    int zoom_ = 1;
    TSpritePlane plane_ = TSpritePlane::spColour;
};

// The name of an exported frame: "<chunk id>_<frame>.bmp".
std::string FrameFileName(int chunkId, int frame);

} // namespace kelvo
