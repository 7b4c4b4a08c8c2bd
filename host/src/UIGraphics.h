#ifndef BMHOST_UIGRAPHICS_H
#define BMHOST_UIGRAPHICS_H
// The geometry that the UI graphics functions (UIGraphics.cpp) report and that the pictures
// (Picture.cpp) draw, so that what a plug-in measures is what it sees.

namespace bmhost::detail {

// A rectangle given by two corners in either order.
struct Box {
    long long left, bottom, right, top;
};
Box NormalisedBox(int x1, int y1, int x2, int y2);

// Height of a main window's title bar, measured down from its top.
constexpr int kTitleBarHeight = 20;

// A track split along its long axis, from the bottom (vertical) or the left (horizontal): the
// decrement button, the track below the thumb, the thumb, the track above it, the increment
// button. The five lengths add up to the long side.
struct TrackLayout {
    bool vertical = false;
    int downButton = 0, downPage = 0, thumb = 0, upPage = 0, upButton = 0;
    int thickness = 0;  // the short side
};
TrackLayout LayOutTrack(int x1, int y1, int x2, int y2, int min, int max, int value, int style);

}  // namespace bmhost::detail

#endif
