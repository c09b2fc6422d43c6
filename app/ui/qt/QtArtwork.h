// The program's pictures, compiled in as Qt resources: the icon (resource
// 133) and the About box's banner (resource 137).
#pragma once

#include <QIcon>
#include <QPixmap>

namespace corvane::qt {

// Registers the compiled-in resources; call once a QApplication exists.
void InitArtwork();

// The picture of an icon or bitmap resource id; a null pixmap for an unknown id.
QPixmap ResourcePixmap(int resourceId);
QIcon ResourceIcon(int resourceId);

}  // namespace corvane::qt
