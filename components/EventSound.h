#pragma once
#include <functional>
#include <QByteArray>
#include <QString>

namespace ink {

// Plays the desktop's event sounds by the names the program uses for them
// ("MenuCommand", "MenuPopup"). Sounds are a nicety: a name without a sound,
// a missing sound theme or no sound server at all plays nothing and reports
// nothing, and a call never waits for the sound system.
namespace EventSound {

// The freedesktop sound-theme event id standing for a program sound name,
// or an empty id when the name has no sound.
QByteArray freedesktopEventId(const QString& soundName);

// Plays the sound named soundName in the background.
void play(const QString& soundName);

// What actually plays an event id. Tests replace it to hear what would be
// played; an empty player restores the sound system. Returns the previous one.
using Player = std::function<void(const QByteArray& eventId)>;
Player setPlayer(Player player);

} // namespace EventSound

} // namespace ink
