#include "core/modAlerts.h"

#include "core/Logging.h"

namespace modAlerts {
namespace {

AlertPresenter presenter;

} // namespace

void ShowAlert(const QString &text)
{
    qCWarning(lcCore) << text;
    if (presenter)
        presenter(text);
}

void SetAlertPresenter(AlertPresenter newPresenter)
{
    presenter = std::move(newPresenter);
}

} // namespace modAlerts
