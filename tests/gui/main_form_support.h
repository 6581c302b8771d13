// Fakes for driving the main window in tests: a sound device that plays nothing and a message
// service that answers questions in turn.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/message_service.h"
#include "sound/playbuffer.h"
#include "test_support.h"

namespace zel::test {

class TFakeStream : public TAudioStream {
public:
    explicit TFakeStream(std::shared_ptr<int64_t> played = {}) : m_played(std::move(played)) {}
    bool Finished() override { return false; }
    void Pause() override { Paused = true; }
    void Resume() override { Paused = false; }
    void Stop() override {}
    int64_t PlayedFrames() override { return m_played ? *m_played : -1; }
    bool Paused = false;

private:
    std::shared_ptr<int64_t> m_played;
};

// Plays nothing; remembers every buffer it was given and how long it was, so a test can look
// at what would be heard.
class TFakeOutput : public TAudioOutput {
public:
    std::unique_ptr<TAudioStream> Open(std::shared_ptr<const TSampleBuffer> buffer) override {
        Opened->push_back(buffer->Size());
        Buffers->push_back(std::move(buffer));
        return std::make_unique<TFakeStream>(Played);
    }
    // How far every stream says it has played, in frames; the test moves it on.
    std::shared_ptr<int64_t> Played = std::make_shared<int64_t>(0);
    std::shared_ptr<std::vector<size_t>> Opened = std::make_shared<std::vector<size_t>>();
    std::shared_ptr<std::vector<std::shared_ptr<const TSampleBuffer>>> Buffers =
        std::make_shared<std::vector<std::shared_ptr<const TSampleBuffer>>>();
};

// The child of that name; a test cannot go on without it.
template <typename T> T* FindChild(const QObject& parent, const QString& name) {
    T* child = parent.findChild<T*>(name);
    if (!child)
        qFatal("no control %s", qPrintable(name));
    return child;
}

// Answers questions in turn and records every message.
class TAnsweringMessages : public TMessageService {
public:
    int DisplayMany(int kind, std::string_view text, std::string_view buttons) override {
        Messages.push_back({kind, std::string(text), std::string(buttons)});
        if (Answers.empty())
            return -1;
        int answer = Answers.front();
        Answers.erase(Answers.begin());
        return answer;
    }
    std::vector<test::TRecordedMessage> Messages;
    std::vector<int> Answers;
};

// File dialogs that return the queued answers in turn (an empty path, "cancelled", once they
// run out) and count how often they were asked.
inline std::function<QString(bool, const QString&, const QString&, const QString&)>
AnsweringFileDialog(std::vector<QString>& answers, int* asked = nullptr) {
    return [&answers, asked](bool, const QString&, const QString&, const QString&) {
        if (asked)
            ++*asked;
        if (answers.empty())
            return QString();
        QString answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    };
}

} // namespace zel::test
