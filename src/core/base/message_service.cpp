#include "base/message_service.h"

#include <iostream>

#include "base/markup.h"

namespace zel {

namespace {

TStderrMessageService DefaultService;
TMessageService* CurrentService = nullptr;

} // namespace

TMessageService& MessageService() {
    return CurrentService ? *CurrentService : DefaultService;
}

void SetMessageService(TMessageService* service) {
    CurrentService = service;
}

TScopedMessageService::TScopedMessageService(TMessageService& service)
    : m_previous(CurrentService) {
    CurrentService = &service;
}

TScopedMessageService::~TScopedMessageService() {
    CurrentService = m_previous;
}

int TStderrMessageService::DisplayMany(int, std::string_view text, std::string_view) {
    std::cerr << MarkupToPlainText(text) << '\n';
    return -1;
}

int DisplayMany(int kind, std::string_view text, std::string_view buttons) {
    return MessageService().DisplayMany(kind, text, buttons);
}

void DisplayMessage(std::string_view text) {
    DisplayMany(MessageInformation, text, "OK");
}

void DisplayError(std::string_view text) {
    DisplayMany(MessageError, text, "OK");
}

bool DisplayOKCancel(std::string_view text) {
    return DisplayMany(MessageQuestion, text, "OK,Cancel") == 0;
}

bool DisplayYesNo(std::string_view text) {
    return DisplayMany(MessageQuestion, text, "Yes,No") == 0;
}

} // namespace zel
