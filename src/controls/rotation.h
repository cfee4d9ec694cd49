#pragma once

#include <QImage>

// Turns a 32-bit picture by an angle the way the compass needle has always turned: fixed
// point arithmetic with 16 fractional bits, nearest-neighbour sampling by inverse mapping,
// rows counted bottom-up, and the target's centre moved by one pixel for even sizes at
// exactly 0, 90 and -90 degrees. Positive angles turn counter-clockwise on screen.
struct RotatedBitmap
{
    QImage image;    // RGB32, width RW and height RH; the corners hold the background
    int centreX = 0; // rcx and rcy, counted as the algorithm counts them
    int centreY = 0;
};

RotatedBitmap rotateBitmap(const QImage& source, QRgb background, long double angle);
