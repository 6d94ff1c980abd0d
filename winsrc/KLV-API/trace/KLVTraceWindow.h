#pragma once

// The library's trace window, for widget applications. The library itself writes trace lines
// to standard error; after Install they go into a window of their own instead, which shows
// while tracing is on (KLV::TraceMode, or KLVAPITRACE=1 when a session is made) and keeps the
// last 10,000 lines. Does nothing outside a QApplication.
namespace KLVTraceWindow {
void Install();
}
