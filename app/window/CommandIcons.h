// Icons of the toolbar and menu commands: the desktop theme's standard icon
// where one fits (open, save, copy, print, zoom), otherwise and as every
// theme icon's fallback an SVG drawn for this program, so the toolbar is
// complete on a desktop without an icon theme.
#pragma once

#include <QIcon>
#include <QString>

namespace halden {

// The icon of a command id; a null icon for a command without one.
QIcon commandIcon(int commandId);

// The bundled SVG of a command (":/icons/....svg"), empty without one.
QString commandIconFile(int commandId);

// The freedesktop theme name a command prefers, empty when none fits.
QString commandThemeIconName(int commandId);

// The program's own icon (the spectrometer), for the window and About box.
QIcon applicationIcon();

}  // namespace halden
