#include "qt_audio_output.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QByteArray>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QObject>

namespace zel {

namespace {

QAudioFormat PlayFormat() {
    QAudioFormat format;
    format.setSampleRate(44100);
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

// Runs `work` on the audio thread and waits for it.
template <typename TWork> void OnAudioThread(QObject* context, TWork work) {
    if (context->thread() == QThread::currentThread())
        work();
    else
        QMetaObject::invokeMethod(context, work, Qt::BlockingQueuedConnection);
}

// One buffer on one sink; created, used and destroyed on the audio thread only.
class TSink {
public:
    TSink(const QAudioDevice& device, std::span<const int16_t> samples)
        : m_bytes(QByteArray::fromRawData(reinterpret_cast<const char*>(samples.data()),
                                          qsizetype(samples.size() * sizeof(int16_t)))),
          m_sink(device, PlayFormat()), m_empty(samples.empty()) {
        m_buffer.setData(m_bytes);
        m_buffer.open(QIODevice::ReadOnly);
        if (!m_empty)
            m_sink.start(&m_buffer);
    }

    bool Started() const {
        return m_empty ||
               (m_sink.error() == QAudio::NoError && m_sink.state() != QAudio::StoppedState);
    }

    bool Finished() {
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
    void Pause() {
        if (!m_empty && !m_stopped)
            m_sink.suspend();
    }
    void Resume() {
        if (!m_empty && !m_stopped)
            m_sink.resume();
    }
    void Stop() {
        if (!m_stopped && !m_empty)
            m_sink.stop();
        m_stopped = true;
    }

private:
    static constexpr qint64 TailMilliseconds = 300;
    QByteArray m_bytes;
    QBuffer m_buffer;
    QAudioSink m_sink;
    bool m_empty = false;
    bool m_stopped = false;
    QElapsedTimer m_idle;
};

class TQtAudioStream : public TAudioStream {
public:
    TQtAudioStream(QObject* context, const QAudioDevice& device, std::span<const int16_t> samples)
        : m_context(context) {
        OnAudioThread(m_context, [&] {
            m_sink = std::make_unique<TSink>(device, samples);
            m_started = m_sink->Started();
        });
    }
    ~TQtAudioStream() override {
        OnAudioThread(m_context, [&] {
            m_sink->Stop();
            m_sink.reset();
        });
    }
    bool Started() const { return m_started; }

    bool Finished() override {
        bool finished = true;
        OnAudioThread(m_context, [&] { finished = m_sink->Finished(); });
        return finished;
    }
    void Pause() override {
        OnAudioThread(m_context, [&] { m_sink->Pause(); });
    }
    void Resume() override {
        OnAudioThread(m_context, [&] { m_sink->Resume(); });
    }
    void Stop() override {
        OnAudioThread(m_context, [&] { m_sink->Stop(); });
    }

private:
    QObject* m_context;
    std::unique_ptr<TSink> m_sink;
    bool m_started = false;
};

} // namespace

TQtAudioOutput::TQtAudioOutput() {
    m_thread.setObjectName("audio output");
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    m_thread.start();
}

TQtAudioOutput::~TQtAudioOutput() {
    m_thread.quit();
    m_thread.wait();
    delete m_context;
}

std::unique_ptr<TQtAudioOutput> TQtAudioOutput::Create() {
    if (QMediaDevices::audioOutputs().isEmpty())
        return nullptr;
    return std::unique_ptr<TQtAudioOutput>(new TQtAudioOutput);
}

std::unique_ptr<TAudioStream> TQtAudioOutput::Open(std::span<const int16_t> samples) {
    QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return nullptr;
    auto stream = std::make_unique<TQtAudioStream>(m_context, device, samples);
    if (!stream->Started())
        return nullptr;
    return stream;
}

} // namespace zel
