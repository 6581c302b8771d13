#include "qt_audio_output.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QByteArray>
#include <QElapsedTimer>
#include <QMediaDevices>

namespace zel {

namespace {

QAudioFormat PlayFormat() {
    QAudioFormat format;
    format.setSampleRate(44100);
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

class TQtAudioStream : public TAudioStream {
public:
    TQtAudioStream(const QAudioDevice& device, std::span<const int16_t> samples)
        : m_bytes(QByteArray::fromRawData(reinterpret_cast<const char*>(samples.data()),
                                          qsizetype(samples.size() * sizeof(int16_t)))),
          m_sink(device, PlayFormat()) {
        m_buffer.setData(m_bytes);
        m_buffer.open(QIODevice::ReadOnly);
        m_empty = samples.empty();
        if (!m_empty)
            m_sink.start(&m_buffer);
    }
    ~TQtAudioStream() override { Stop(); }

    bool Started() const {
        return m_empty ||
               (m_sink.error() == QAudio::NoError && m_sink.state() != QAudio::StoppedState);
    }

    bool Finished() override {
        if (m_empty || m_stopped)
            return true;
        if (m_sink.error() != QAudio::NoError && m_sink.error() != QAudio::UnderrunError)
            return true;
        // The sink goes idle once it has taken every byte of the buffer, a little before the
        // last of them are heard: the stream counts as finished only after a grace period, so
        // that closing it does not cut off the end.
        if (m_sink.state() != QAudio::IdleState || !m_buffer.atEnd()) {
            m_idle.invalidate();
            return false;
        }
        if (!m_idle.isValid())
            m_idle.start();
        return m_idle.elapsed() >= TailMilliseconds;
    }
    void Pause() override {
        if (!m_empty && !m_stopped)
            m_sink.suspend();
    }
    void Resume() override {
        if (!m_empty && !m_stopped)
            m_sink.resume();
    }
    void Stop() override {
        if (!m_stopped && !m_empty)
            m_sink.stop();
        m_stopped = true;
    }

private:
    QByteArray m_bytes;
    QBuffer m_buffer;
    QAudioSink m_sink;
    bool m_empty = false;
    bool m_stopped = false;
    QElapsedTimer m_idle;
    static constexpr qint64 TailMilliseconds = 300;
};

} // namespace

std::unique_ptr<TQtAudioOutput> TQtAudioOutput::Create() {
    if (QMediaDevices::audioOutputs().isEmpty())
        return nullptr;
    return std::make_unique<TQtAudioOutput>();
}

std::unique_ptr<TAudioStream> TQtAudioOutput::Open(std::span<const int16_t> samples) {
    QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return nullptr;
    auto stream = std::make_unique<TQtAudioStream>(device, samples);
    if (!stream->Started())
        return nullptr;
    return stream;
}

} // namespace zel
