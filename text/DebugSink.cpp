#include "text/DebugSink.h"

namespace {

DebugSink g_sink = nullptr;

}  // namespace

DebugSink SetDebugSink(DebugSink sink) {
    const DebugSink previous = g_sink;
    g_sink = sink;
    return previous;
}

void SendDebugLine(const char16_t* line) {
    if (g_sink != nullptr && line != nullptr) {
        g_sink(line);
    }
}
