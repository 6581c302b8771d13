// The sound device through Qt Multimedia: one QAudioSink per playing buffer, 16-bit stereo
// 44100 Hz, reading the buffer in place.
#pragma once

#include <memory>
#include <span>

#include "sound/playbuffer.h"

namespace zel {

class TQtAudioOutput : public TAudioOutput {
public:
    // nullptr when the system has no audio output (no sound server, no device), so the caller
    // can say once that there is no sound instead of failing at every note.
    static std::unique_ptr<TQtAudioOutput> Create();
    std::unique_ptr<TAudioStream> Open(std::span<const int16_t> samples) override;
};

} // namespace zel
