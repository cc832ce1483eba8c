#pragma once

#include <QString>

// The tray icon of the control window. Where no tray exists, the small
// control window winTrayControl stands in for it; once a tray appears the
// icon takes over.
namespace modTrayIcon {

// Shows the icon with the tooltip "Zettlor (" + own address + ")".
void AddTrayIcon();
// Shows a balloon titled "Zettlor" for 10 s; the tooltip shows the text
// until the next AddTrayIcon.
void ShowTrayBalloon(const QString &text);
// Takes the picture from winMenu's ImageIcon again.
void UpdateTrayIcon();
void RemoveTrayIcon();
// A tooltip that shows text as written. Qt takes a tooltip that looks like
// markup for rich text and reads every file an <img> in it names (from
// /dev/zero without end), and peers choose balloon texts and sender names.
QString PlainToolTip(const QString &text);
// A second start: re-add the icon if it is missing, then tell the user where
// the program lives.
void AnswerSecondStart();

} // namespace modTrayIcon
