#include "platform/sound.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace platform {

namespace {

class QtSound : public SoundBackend {
public:
    void play(const QString& file, bool loop) override {
        stop();
        if (!m_effect) m_effect = new QSoundEffect;
        m_effect->setSource(QUrl::fromLocalFile(file));
        m_effect->setLoopCount(loop ? QSoundEffect::Infinite : 1);
        m_effect->play();
    }
    void stop() override {
        if (m_effect) m_effect->stop();
    }

private:
    QSoundEffect* m_effect = nullptr;
};

SoundBackend* g_installed = nullptr;

} // namespace

SoundBackend& soundBackend() {
    static QtSound* real = new QtSound;
    return g_installed ? *g_installed : *real;
}

void setSoundBackend(SoundBackend* backend) {
    g_installed = backend;
}

bool sndPlaySound(const QString& name, int flags) {
    SoundBackend& sound = soundBackend();
    sound.stop();
    if (name.isEmpty() || !QFileInfo(name).isFile()) return false;
    sound.play(name, (flags & SND_LOOP) != 0);
    return true;
}

} // namespace platform
