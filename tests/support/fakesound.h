#pragma once
#include <QStringList>

#include "platform/sound.h"

// A sound channel for tests: records what was asked of it ("loop alert.wav", "once alert.wav",
// "stop") by file name, and what plays now. Installs itself while it exists.
class FakeSound : public platform::SoundBackend {
public:
    FakeSound();
    ~FakeSound() override;

    void play(const QString& file, bool loop) override;
    void stop() override;

    QStringList calls;  // stops that end nothing are not recorded
    QString playing;    // "loop alert.wav", "once alert.wav" or "" when silent
};
