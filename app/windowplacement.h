#pragma once
// Size and position of the top-level window on a screen of the given size.

struct WindowPlacement
{
    int x;
    int y;
    int width;
    int height;
};

// Width is 85 % of a screen narrower than 1400 pixels and 75 % otherwise, height 70 %, both
// truncated; the window is centred with truncating halves, without the screen's origin.
// The products are computed in double precision on purpose: 1440 * 0.7 lies just below 1008
// and truncates to 1007, which the window has always done.
constexpr WindowPlacement initialWindowPlacement(int screenWidth, int screenHeight)
{
    const int w = static_cast<int>(screenWidth * (screenWidth < 1400 ? 0.85 : 0.75));
    const int h = static_cast<int>(screenHeight * 0.7);
    return {screenWidth / 2 - w / 2, screenHeight / 2 - h / 2, w, h};
}
