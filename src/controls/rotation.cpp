#include "controls/rotation.h"

#include <cmath>
#include <cstdint>

namespace {

// 32-bit integer arithmetic, wrapping as the original's did.
std::int32_t wrap32(std::int64_t v)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

} // namespace

RotatedBitmap rotateBitmap(const QImage& picture, QRgb background, long double angle)
{
    const QImage source = picture.convertToFormat(QImage::Format_RGB32);
    const int w = source.width();
    const int h = source.height();

    // a keeps its sign, so it lies between -360 and 360.
    const long double turns = angle / 360.0L;
    const long double a = 360.0L * (turns - std::trunc(turns));
    const long double phi = -a * 3.14159265358979323846264338327950288L / 180.0L;
    const std::int32_t s = static_cast<std::int32_t>(std::trunc(std::sin(phi) * 65536.0L));
    const std::int32_t c = static_cast<std::int32_t>(std::trunc(std::cos(phi) * 65536.0L));

    const int cx = w / 2;
    const int cy = h / 2;
    const auto rw = static_cast<std::int16_t>(
        wrap32(std::int64_t(std::abs(c)) * w + std::int64_t(std::abs(s)) * h) >> 16);
    const auto rh = static_cast<std::int16_t>(
        wrap32(std::int64_t(std::abs(s)) * w + std::int64_t(std::abs(c)) * h) >> 16);
    int rcx = rw / 2;
    int rcy = rh / 2;
    if (rw % 2 == 0 && (a == 0 || a == -90))
        --rcx;
    if (rh % 2 == 0 && (a == 0 || a == 90))
        --rcy;

    RotatedBitmap result;
    result.centreX = rcx;
    result.centreY = rcy;
    if (rw <= 0 || rh <= 0) {
        result.image = QImage(std::max<int>(rw, 0), std::max<int>(rh, 0), QImage::Format_RGB32);
        return result;
    }
    result.image = QImage(rw, rh, QImage::Format_RGB32);
    const QRgb fill = background | 0xff000000u;

    // Rows are counted bottom-up: the top row (bottom-up row RH - 1) carries y = rcy and
    // each row below one less; the rightmost column carries x = rcx.
    for (int top = 0; top < rh; ++top) {
        const std::int32_t y = rcy - top;
        auto* line = reinterpret_cast<QRgb*>(result.image.scanLine(top));
        for (int col = 0; col < rw; ++col) {
            const std::int32_t x = rcx - (rw - 1 - col);
            const std::int32_t sx = (wrap32(std::int64_t(x) * c - std::int64_t(y) * s) >> 16) + cx;
            const std::int32_t sy = (wrap32(std::int64_t(x) * s + std::int64_t(y) * c) >> 16) + cy;
            if (std::uint32_t(sx) < std::uint32_t(w) && std::uint32_t(sy) < std::uint32_t(h)) {
                const auto* sourceLine = reinterpret_cast<const QRgb*>(source.constScanLine(h - 1 - sy));
                line[col] = sourceLine[sx] | 0xff000000u;
            } else {
                line[col] = fill;
            }
        }
    }
    return result;
}
