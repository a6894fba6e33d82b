#include "chart/ChartRect.h"

#include <algorithm>

bool IntersectRect(const TRect& a, const TRect& b, TRect& out)
{
    const TRect r(std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                  std::min(a.Bottom, b.Bottom));
    if (r.IsEmpty())
        return false;
    out = r;
    return true;
}
