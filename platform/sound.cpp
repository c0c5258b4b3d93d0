#include "platform/sound.h"

#include "socle/fichier.h"

#include <QApplication>
#include <QFile>

#include <canberra.h>

namespace platform {

namespace {

class CanberraPlayer : public SoundPlayer {
public:
    ~CanberraPlayer() override
    {
        if (m_context)
            ca_context_destroy(m_context);
    }

    bool playWave(const QString& path) override
    {
        if (!isWaveFile(path) || !context())
            return false;
        const QByteArray file = QFile::encodeName(path);
        // Each sound gets an id of its own so that the next one does not cut
        // it off; canberra plays it on its own thread and answers now.
        const int result = ca_context_play(m_context, ++m_lastId, CA_PROP_MEDIA_FILENAME,
                                           file.constData(), CA_PROP_MEDIA_ROLE, "event", nullptr);
        return result == CA_SUCCESS;
    }

    void beep() override { QApplication::beep(); }

private:
    ca_context* context()
    {
        if (m_context)
            return m_context;
        if (ca_context_create(&m_context) != CA_SUCCESS) {
            m_context = nullptr;
            return nullptr;
        }
        ca_context_change_props(m_context, CA_PROP_APPLICATION_NAME, "Tarvelon", nullptr);
        if (ca_context_open(m_context) != CA_SUCCESS) {
            // No audio output now; try again on the next sound.
            ca_context_destroy(m_context);
            m_context = nullptr;
        }
        return m_context;
    }

    ca_context* m_context = nullptr;
    uint32_t m_lastId = 0;
};

} // namespace

bool isWaveFile(const QString& path)
{
    // Only a regular file: a pipe or a device named in the settings must never
    // hold the program.
    std::string header;
    if (!socle::readRegularFile(QFile::encodeName(path).toStdString(), header, 12))
        return false;
    return header.size() == 12 && header.compare(0, 4, "RIFF") == 0 &&
           header.compare(8, 4, "WAVE") == 0;
}

SoundPlayer*& soundPlayerSlot()
{
    static CanberraPlayer real;
    static SoundPlayer* current = &real;
    return current;
}

SoundPlayer& soundPlayer()
{
    return *soundPlayerSlot();
}

int sndPlaySoundA(const QString& path, int /*flags: always asynchronous here*/)
{
    return soundPlayer().playWave(path) ? 1 : 0;
}

void beep()
{
    soundPlayer().beep();
}

} // namespace platform
