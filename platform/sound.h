#pragma once

#include "platform/scoped.h"

#include <QString>
#include <memory>

namespace platform {

// Plays wave files. playWave starts a RIFF/WAVE file in the background and
// returns at once, false when nothing could be played (missing file, a
// directory, not a WAVE file, no audio output): the answer is known before it
// returns.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    virtual bool playWave(const QString& path) = 0;
    virtual void beep() = 0;
};

// True when the file starts with a RIFF/WAVE header.
bool isWaveFile(const QString& path);

// The player in use: the real one (libcanberra) unless a test put a fake in.
SoundPlayer& soundPlayer();
SoundPlayer*& soundPlayerSlot();

class ScopedSoundPlayer : public ScopedSwap<SoundPlayer*> {
public:
    explicit ScopedSoundPlayer(SoundPlayer& player) : ScopedSwap(soundPlayerSlot(), &player) {}
};

// The classic play-sound call: flags 1 plays asynchronously. Returns 0 when
// nothing could be played.
enum SoundFlags { SndAsync = 1 };
int sndPlaySoundA(const QString& path, int flags);

// The standard system beep.
void beep();

} // namespace platform
