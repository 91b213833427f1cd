// Debug output channel. The engines write their trace lines to the standard output
// (std::cout); a GUI program has no console, so this unit puts a buffer of its own under
// it that hands every flushed piece of text to a running debug-viewer window. Without a
// viewer the text is dropped.
#pragma once
#include <string>

extern const char* const kDebugViewerClass;  // ".KDebug."
extern const char* const kDebugMessageName;  // ".K_DebugMsg."

// Installs the channel under std::cout; runs at start-up, later calls do nothing.
void StartDebugChannel();
// One trace line: the text and a line end, flushed.
void WriteDebugLine(const std::string& text);
