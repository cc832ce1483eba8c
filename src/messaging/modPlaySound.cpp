#include "messaging/modPlaySound.h"

#include "core/modFiles.h"
#include "core/Logging.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>

namespace modPlaySound {
namespace {

// Alert sounds are short: a few at once are plenty, and a player that never
// ends (no audio device answers) goes after a minute. A flood of alerts
// from the network thus cannot pile up players.
constexpr int MaxPlayers = 4;
constexpr int PlayerLifetimeMs = 60000;
int playersAlive = 0;

} // namespace

void PlaySoundFile(const QString &path)
{
    // The options list the shipped sounds by their bare names.
    const QString file = modFiles::ProgramDataFile(path);
    if (path.isEmpty() || !QFileInfo(file).isFile() || !QCoreApplication::instance()) {
        qCInfo(lcNet) << "no sound file:" << path;
        return;
    }
    if (playersAlive >= MaxPlayers) {
        qCInfo(lcNet) << "sound skipped, enough are playing:" << path;
        return;
    }
    // Each sound gets its own player, so a second one does not cut the first.
    auto *effect = new QSoundEffect(QCoreApplication::instance());
    ++playersAlive;
    QObject::connect(effect, &QObject::destroyed, [] { --playersAlive; });
    QTimer::singleShot(PlayerLifetimeMs, effect, &QObject::deleteLater);
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
