#pragma once

#include <QPixmap>

// The logo Image1 (208 x 37, 24 bits per pixel) as the window shows it:
// pixels of the bottom-left pixel's colour are transparent.
QPixmap LogoPixmap();
