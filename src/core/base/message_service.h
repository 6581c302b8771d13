// The message service: every message, error and question of the program goes through it. The
// editor shows its markup box; the command-line tool prints plain text; tests record the calls.
#pragma once

#include <string>
#include <string_view>

namespace zel {

enum TMessageKind : int { MessageInformation = 0, MessageError = 1, MessageQuestion = 2 };

class TMessageService {
public:
    virtual ~TMessageService() = default;
    // Shows `text` (with inline markup) and the comma-separated `buttons`; returns the 0-based
    // index of the chosen button, or -1 when the message was dismissed.
    virtual int DisplayMany(int kind, std::string_view text, std::string_view buttons) = 0;
};

// The service in use. Without one installed, messages go to standard error as plain text and
// questions are answered with -1 (dismissed).
TMessageService& MessageService();
void SetMessageService(TMessageService* service);

// Installs a service for the lifetime of this object (tests and the command-line tool).
class TScopedMessageService {
public:
    explicit TScopedMessageService(TMessageService& service);
    ~TScopedMessageService();
    TScopedMessageService(const TScopedMessageService&) = delete;
    TScopedMessageService& operator=(const TScopedMessageService&) = delete;

private:
    TMessageService* m_previous;
};

// Prints messages as plain text (markup removed) to standard error; questions get -1.
class TStderrMessageService : public TMessageService {
public:
    int DisplayMany(int kind, std::string_view text, std::string_view buttons) override;
};

int DisplayMany(int kind, std::string_view text, std::string_view buttons);
void DisplayMessage(std::string_view text);
void DisplayError(std::string_view text);
bool DisplayOKCancel(std::string_view text);
bool DisplayYesNo(std::string_view text);

} // namespace zel
