// Printing: where the chart picture goes on the page.
#pragma once

#include <QRect>
#include <QSize>

namespace halden {

// The picture stretched to the page's full height when it is relatively
// narrower than the page, else to the page's full width, from the page's
// top-left corner, in integer arithmetic. Empty for an empty picture or page.
QRect printTargetRect(QSize picture, QSize page);

}  // namespace halden
