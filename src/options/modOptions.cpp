#include "options/modOptions.h"

#include "core/modWindows.h"
#include "options/winOptions.h"

#include <QPointer>

namespace modOptions {
namespace {

QPointer<winOptions> openDialog;

} // namespace

winOptions *OpenOptions()
{
    // A dialog on its way out (hidden, not yet deleted) is not reused.
    if (openDialog && openDialog->isVisible()) {
        modWindows::BringToFront(openDialog);
        return openDialog;
    }
    // Known before it loads: loading processes events, a second call among them.
    openDialog = new winOptions;
    openDialog->Form_Load();
    return openDialog;
}

} // namespace modOptions
