#pragma once

#include <QString>

// Event sounds.
namespace modPlaySound {

// Plays a .wav file without waiting; a sound already playing goes on. A path
// without a folder names a file in the program folder. A missing file,
// "(None)" or no audio device plays nothing and says nothing.
void PlaySoundFile(const QString &path);

} // namespace modPlaySound
