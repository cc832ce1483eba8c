#pragma once

#include <QString>

// The tray icon of the control window.
namespace modTrayIcon {

void AddTrayIcon();
// Shows a balloon titled "Zettlor"; the tooltip shows the text until the next
// AddTrayIcon.
void ShowTrayBalloon(const QString &text);
void UpdateTrayIcon();
void RemoveTrayIcon();
// A second start: re-add the icon if it is missing, then tell the user where
// the program lives.
void AnswerSecondStart();

} // namespace modTrayIcon
