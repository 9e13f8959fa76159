#pragma once
// Window layouts are given in twips; 15 twips make one pixel at 96 dpi.

namespace cv {

constexpr int tw(int twips)
{
    return twips / 15;
}

} // namespace cv
