#include "messaging/modPlaySound.h"

#include "core/modFiles.h"
#include "core/Logging.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace modPlaySound {

void PlaySoundFile(const QString &path)
{
    // The options list the shipped sounds by their bare names.
    const QString file = modFiles::ProgramDataFile(path);
    if (path.isEmpty() || !QFileInfo(file).isFile() || !QCoreApplication::instance()) {
        qCInfo(lcNet) << "no sound file:" << path;
        return;
    }
    // Each sound gets its own player, so a second one does not cut the first.
    auto *effect = new QSoundEffect(QCoreApplication::instance());
    QObject::connect(effect, &QSoundEffect::playingChanged, effect, [effect] {
        if (!effect->isPlaying())
            effect->deleteLater();
    });
    QObject::connect(effect, &QSoundEffect::statusChanged, effect, [effect] {
        if (effect->status() == QSoundEffect::Error) {
            qCInfo(lcNet) << "sound not played:" << effect->source();
            effect->deleteLater();
        }
    });
    effect->setSource(QUrl::fromLocalFile(file));
    effect->play();
}

} // namespace modPlaySound
