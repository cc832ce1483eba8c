#pragma once

#include <QPoint>
#include <QRect>
#include <QStringList>
#include <functional>

class PrivateDisplay;
class ProgramProcess;

// What a user does on a private display, through xdotool.

// The first shown window of the program that fits, within 5 s; invalid if none.
QRect WaitForWindow(const PrivateDisplay &display, ProgramProcess &program,
                    const std::function<bool(QRect)> &fits);

// Presses the left button at from, moves by in six even steps and lets go.
bool Drag(const PrivateDisplay &display, QPoint from, QPoint by);

// Right click on window, keys in the menu it opens (with the pointer off the
// menu, Up selects the last item), and the menu gone again. Once the menu
// shows, the program has handled every input before the click.
bool UseMenu(const PrivateDisplay &display, ProgramProcess &program, QRect window, const QStringList &keys);
