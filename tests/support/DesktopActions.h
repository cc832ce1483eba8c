#pragma once

#include <QPoint>
#include <QStringList>

class PrivateDisplay;

// What a user does on a private display, through xdotool.

// Presses the left button at from, moves by in six even steps and lets go.
bool Drag(const PrivateDisplay &display, QPoint from, QPoint by);
