#include "jpeg/JPEGData.h"

const std::string& TJPEGData::Bytes() const
{
    static const std::string none;
    return fBytes ? *fBytes : none;
}

void TJPEGData::SetSize(int width, int height)
{
    fWidth = width;
    fHeight = height;
}
