#include "jpeg/JPEGSettings.h"

TJPEGSettings& JPEGDefaults()
{
    static TJPEGSettings defaults;
    return defaults;
}
