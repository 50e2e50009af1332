#include "EventSound.h"

#include <atomic>
#include <canberra.h>
#include <thread>

namespace ink {

namespace EventSound {
namespace {

// One canberra context for the whole program, opened on first use. It is
// touched only by the worker below, and only one worker runs at a time.
ca_context* soundContext = nullptr;
std::atomic<bool> soundUnavailable{false};
std::atomic<bool> workerBusy{false};

// Opens the context once; after a failure (no sound server, no device) the
// program never tries again, so later calls cost nothing.
ca_context* openedContext() {
    if (soundContext || soundUnavailable)
        return soundContext;
    ca_context* context = nullptr;
    if (ca_context_create(&context) != CA_SUCCESS) {
        soundUnavailable = true;
        return nullptr;
    }
    ca_context_change_props(context, CA_PROP_APPLICATION_NAME, "Inkwright", nullptr);
    if (ca_context_open(context) != CA_SUCCESS) {
        ca_context_destroy(context);
        soundUnavailable = true;
        return nullptr;
    }
    soundContext = context;
    return soundContext;
}

// Connecting to a sound server and loading a sample can take a moment, so it
// happens on a short-lived worker. While one sound is still being started the
// next is dropped: these are feedback clicks, and a queue would only lag.
void playWithCanberra(const QByteArray& eventId) {
    if (soundUnavailable || workerBusy.exchange(true))
        return;
    std::thread([eventId] {
        if (ca_context* context = openedContext())
            ca_context_play(context, 0, CA_PROP_EVENT_ID, eventId.constData(), nullptr);
        workerBusy = false;
    }).detach();
}

Player& currentPlayer() {
    static Player player;
    return player;
}

} // namespace

QByteArray freedesktopEventId(const QString& soundName) {
    if (soundName == QLatin1String("MenuCommand"))
        return "menu-click";
    if (soundName == QLatin1String("MenuPopup"))
        return "menu-popup";
    return {};
}

void play(const QString& soundName) {
    const QByteArray eventId = freedesktopEventId(soundName);
    if (eventId.isEmpty())
        return;
    if (const Player& player = currentPlayer())
        player(eventId);
    else
        playWithCanberra(eventId);
}

Player setPlayer(Player player) {
    Player previous = std::move(currentPlayer());
    currentPlayer() = std::move(player);
    return previous;
}

} // namespace EventSound

} // namespace ink
