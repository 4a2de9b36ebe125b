#pragma once

// Where GString::DebugOutput sends its lines. The Windows program installs a sink that hands
// each line to the debugger; without one the lines are dropped.
using DebugSink = void (*)(const char16_t* line);

// Installs `sink` (null: drop the lines) and answers the sink it replaces.
DebugSink SetDebugSink(DebugSink sink);

// Sends one zero-terminated line to the installed sink.
void SendDebugLine(const char16_t* line);
