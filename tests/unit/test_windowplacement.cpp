// Initial size and position of the top-level window for common screens.
#include "app/windowplacement.h"

#include <gtest/gtest.h>

TEST(WindowPlacement, SizesAndCentresFromTheScreen)
{
    struct Case { int sw, sh, x, y, w, h; };
    const Case cases[] = {
        {1920, 1080, 240, 162, 1440, 756},
        {1366, 768, 103, 116, 1161, 537},   // narrower than 1400: 85 %
        {1400, 1050, 175, 158, 1050, 735},  // exactly 1400: 75 %
        {2560, 1440, 320, 217, 1920, 1007}, // 1440 * 0.7 truncates to 1007, not 1008
    };
    for (const Case& c : cases) {
        const WindowPlacement p = initialWindowPlacement(c.sw, c.sh);
        EXPECT_EQ(p.width, c.w) << c.sw << "x" << c.sh;
        EXPECT_EQ(p.height, c.h) << c.sw << "x" << c.sh;
        EXPECT_EQ(p.x, c.x) << c.sw << "x" << c.sh;
        EXPECT_EQ(p.y, c.y) << c.sw << "x" << c.sh;
    }
}
