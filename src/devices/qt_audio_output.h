// The sound device through Qt Multimedia: one QAudioSink per playing buffer, 16-bit stereo
// 44100 Hz, reading the buffer in place up to its rendered mark. The sinks live on a thread of
// their own with its own event loop, so the device is fed while the program renders the rest
// of a song.
#pragma once

#include <QThread>
#include <memory>

#include "sound/playbuffer.h"

class QObject;

namespace zel {

// Every stream it opened must be destroyed before the output itself (a stream's last call
// runs on the output's audio thread).
class TQtAudioOutput : public TAudioOutput {
public:
    // nullptr when the system has no audio output (no sound server, no device), so the caller
    // can say once that there is no sound instead of failing at every note.
    static std::unique_ptr<TQtAudioOutput> Create();
    ~TQtAudioOutput() override;
    std::unique_ptr<TAudioStream> Open(std::shared_ptr<const TSampleBuffer> buffer) override;

private:
    TQtAudioOutput();
    QThread m_thread;
    QObject* m_context = nullptr; // lives on m_thread; calls to the sinks run through it
};

} // namespace zel
