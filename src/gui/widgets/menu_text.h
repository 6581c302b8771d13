// Menu captions made from names the user typed: shown as they are, so an ampersand in a riff
// name ("Solo & Out") is neither hidden nor taken as a keyboard accelerator.
#pragma once

#include <QString>
#include <string_view>

#include "model/ansi_text.h"

namespace zel {

inline QString MenuText(std::string_view bytes) {
    return QString::fromStdString(AnsiToUtf8(bytes))
        .replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace zel
