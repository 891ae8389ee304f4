#include "display/PrintLayout.h"

namespace halden {

QRect printTargetRect(QSize picture, QSize page) {
    const long long w = picture.width(), h = picture.height();
    const long long pw = page.width(), ph = page.height();
    if (w <= 0 || h <= 0 || pw <= 0 || ph <= 0) return {};
    // W/H < pw/ph, compared without division.
    if (w * ph < pw * h) return QRect(0, 0, static_cast<int>(ph * w / h), static_cast<int>(ph));
    return QRect(0, 0, static_cast<int>(pw), static_cast<int>(pw * h / w));
}

}  // namespace halden
