#include "app/ui/qt/QtArtwork.h"

#include <QtGlobal>

#include "app/ui/ControlIds.h"

// Q_INIT_RESOURCE must be used outside a namespace; the resources live in a
// static library, whose initialiser the linker may otherwise drop.
static void InitCorvaneResources() {
    Q_INIT_RESOURCE(corvane);
}

namespace corvane::qt {

void InitArtwork() {
    InitCorvaneResources();
}

QPixmap ResourcePixmap(int resourceId) {
    switch (resourceId) {
        case kIconResourceId:
            return QPixmap(QStringLiteral(":/corvane/corvane.png"));
        case kBannerResourceId:
            return QPixmap(QStringLiteral(":/corvane/banner.png"));
        default:
            return {};
    }
}

QIcon ResourceIcon(int resourceId) {
    if (resourceId == kIconResourceId) {
        QIcon icon;
        icon.addFile(QStringLiteral(":/corvane/corvane.png"));
        icon.addFile(QStringLiteral(":/corvane/corvane-16.png"));
        return icon;
    }
    return QIcon(ResourcePixmap(resourceId));
}

}  // namespace corvane::qt
