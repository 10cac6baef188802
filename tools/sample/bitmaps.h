// Windows BMP files of the sample: small recognisable pictures in every
// common pixel format. Each function returns a complete .bmp file.
#pragma once

#include <string>

namespace kelvo::sample {

std::string CheckerboardBmp1();  // 1 bit per pixel, two-colour palette
std::string GradientBmp4();      // 4 bits per pixel, 16-colour ramp
std::string HouseBmp8();         // 8 bits per pixel, 256-colour palette
std::string HouseBmpRle8();      // the same picture, run-length encoded (BI_RLE8)
std::string SkyBmp565();         // 16 bits per pixel, BI_BITFIELDS 5-6-5
std::string SkyBmp555();         // 16 bits per pixel, plain 5-5-5
std::string SunsetBmp24();       // 24 bits per pixel

} // namespace kelvo::sample
