#include "support/fakesound.h"

#include <QFileInfo>

FakeSound::FakeSound() {
    platform::setSoundBackend(this);
}

FakeSound::~FakeSound() {
    platform::setSoundBackend(nullptr);
}

void FakeSound::play(const QString& file, bool loop) {
    playing = (loop ? QStringLiteral("loop ") : QStringLiteral("once ")) + QFileInfo(file).fileName();
    calls.append(playing);
}

void FakeSound::stop() {
    if (playing.isEmpty()) return;
    playing.clear();
    calls.append(QStringLiteral("stop"));
}
