#pragma once

#include <QString>
#include <functional>

// Tells the user about a problem without stopping them: a tray balloon once
// the tray exists. Core code raises alerts; start-up installs the presenter.
namespace modAlerts {

using AlertPresenter = std::function<void(const QString &text)>;

// Shows text through the installed presenter; only logged before there is one.
void ShowAlert(const QString &text);
// An empty presenter goes back to logging only.
void SetAlertPresenter(AlertPresenter presenter);

} // namespace modAlerts
