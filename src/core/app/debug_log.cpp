#include "app/debug_log.h"

namespace zel {
namespace {

TDebugSink* g_sink = nullptr;

} // namespace

void SetDebugSink(TDebugSink* sink) {
    g_sink = sink;
}

void DebugAdd(std::string_view text, uint32_t colour) {
    if (g_sink)
        g_sink->DebugLine(text, colour);
}

} // namespace zel
