// The voice renderer written plainly, step by step, kept as the reference that the program's
// renderer must match sample for sample and in its peak level.
#pragma once

#include <span>

#include "sound/notebuffer.h"

namespace zel::test {

void ReferenceRenderNote(TRenderState& state, int level, int tempo, int pitch, int ticks,
                         const TInstrument* instrument, std::span<int16_t> buffer, int64_t start,
                         int64_t end);

} // namespace zel::test
