#pragma once
#include <QString>

namespace platform {

// The program's one sound channel. The real backend plays wave files through Qt Multimedia; tests
// install a fake. A machine without an audio output plays nothing and reports no failure.
class SoundBackend {
public:
    virtual ~SoundBackend() = default;
    // Starts the file, replacing whatever plays; loop = until stop() or the next play().
    virtual void play(const QString& file, bool loop) = 0;
    virtual void stop() = 0;
};

// The backend in use: the real one unless a test installed another (nullptr restores it).
SoundBackend& soundBackend();
void setSoundBackend(SoundBackend* backend);

// Flags of sndPlaySound.
constexpr int SND_ASYNC = 1;
constexpr int SND_LOOP = 8;

// Plays a wave file: every call first ends the sound playing; flags SND_ASYNC | SND_LOOP (9)
// loops it until the next call, SND_ASYNC (1) plays it once. A name that is no file (the "0"
// used to silence the channel) only stops. False when nothing was started.
bool sndPlaySound(const QString& name, int flags);

} // namespace platform
