#include "window/Anchors.h"

design::Bounds AnchorBottomLeft(const design::Bounds& designed, int /*clientWidth*/, int clientHeight)
{
    return {designed.Left, designed.Top + clientHeight - DesignClientHeight, designed.Width, designed.Height};
}

design::Bounds AnchorAllEdges(const design::Bounds& designed, int clientWidth, int clientHeight)
{
    return {designed.Left, designed.Top, designed.Width + clientWidth - DesignClientWidth,
            designed.Height + clientHeight - DesignClientHeight};
}

design::Bounds StatusLineBounds(int clientWidth, int clientHeight)
{
    return {0, clientHeight - design::StatusLineHeight, clientWidth, design::StatusLineHeight};
}
