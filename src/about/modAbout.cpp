#include "about/modAbout.h"

#include "about/winAbout.h"

#include <QPointer>

namespace modAbout {

void OpenAbout()
{
    static QPointer<winAbout> openBox;
    // A hidden box was closed and is about to be deleted.
    if (!openBox || openBox->isHidden()) {
        openBox = new winAbout;
        openBox->show();
    } else {
        openBox->raise();
    }
    openBox->activateWindow();
}

} // namespace modAbout
