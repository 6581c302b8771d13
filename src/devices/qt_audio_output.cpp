#include "qt_audio_output.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QElapsedTimer>
#include <QIODevice>
#include <QMediaDevices>
#include <QObject>
#include <QTimer>
#include <algorithm>

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

// The samples of one buffer as a sink pulls them. It gives only what is rendered: at the
// rendered mark it has nothing to give (the sink goes idle in underrun) and watches the mark,
// telling the sink to read again once the render has got further. It ends only when the buffer
// is complete and read to the end. Lives on the audio thread.
class TRenderedSource : public QIODevice {
public:
    explicit TRenderedSource(std::shared_ptr<const TSampleBuffer> buffer)
        : m_buffer(std::move(buffer)) {
        m_watch.setInterval(WatchMilliseconds);
        QObject::connect(&m_watch, &QTimer::timeout, this, [this] { Watch(); });
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return false; }
    // The whole length, as a file of it would have: the sink sizes its first fill from it.
    qint64 size() const override { return qint64(m_buffer->Bytes()); }
    bool atEnd() const override { return m_buffer->PlayedOut(uint64_t(pos())); }
    qint64 bytesAvailable() const override {
        return qint64(m_buffer->AvailableBytes(uint64_t(pos())));
    }
    void StopWatching() { m_watch.stop(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (maxSize <= 0)
            return 0;
        size_t count = m_buffer->ReadBytes(uint64_t(pos()), data, size_t(maxSize));
        if (count == 0 && !atEnd() && !m_watch.isActive())
            m_watch.start();
        return qint64(count);
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    static constexpr int WatchMilliseconds = 10;

    void Watch() {
        if (bytesAvailable() == 0 && !atEnd())
            return;
        m_watch.stop();
        emit readyRead();
    }

    std::shared_ptr<const TSampleBuffer> m_buffer;
    QTimer m_watch;
};

// One buffer on one sink; created, used and destroyed on the audio thread only.
class TSink {
public:
    TSink(const QAudioDevice& device, std::shared_ptr<const TSampleBuffer> buffer)
        : m_source(std::move(buffer)), m_sink(device, PlayFormat()), m_empty(m_source.size() == 0) {
        if (!m_empty)
            m_sink.start(&m_source);
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
        // that closing it does not cut off the end. Idle short of the end is an underrun while
        // the render is behind: the stream goes on once it has caught up.
        if (m_sink.state() != QAudio::IdleState || !m_source.atEnd()) {
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
    int64_t PlayedFrames() const {
        if (m_empty)
            return 0;
        return int64_t(m_sink.processedUSecs() * 44100 / 1000000);
    }
    void Stop() {
        if (!m_stopped && !m_empty)
            m_sink.stop();
        m_source.StopWatching();
        m_stopped = true;
    }

private:
    static constexpr qint64 TailMilliseconds = 300;
    TRenderedSource m_source; // before the sink, which reads it until it is destroyed
    QAudioSink m_sink;
    bool m_empty = false;
    bool m_stopped = false;
    QElapsedTimer m_idle;
};

class TQtAudioStream : public TAudioStream {
public:
    TQtAudioStream(QObject* context, const QAudioDevice& device,
                   std::shared_ptr<const TSampleBuffer> buffer)
        : m_context(context) {
        OnAudioThread(m_context, [&] {
            m_sink = std::make_unique<TSink>(device, std::move(buffer));
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
    int64_t PlayedFrames() override {
        int64_t frames = -1;
        OnAudioThread(m_context, [&] { frames = m_sink->PlayedFrames(); });
        return frames;
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

std::unique_ptr<TAudioStream> TQtAudioOutput::Open(std::shared_ptr<const TSampleBuffer> buffer) {
    QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return nullptr;
    auto stream = std::make_unique<TQtAudioStream>(m_context, device, std::move(buffer));
    if (!stream->Started())
        return nullptr;
    return stream;
}

} // namespace zel
