#include "guid.h"

#include <atomic>
#include <cstdio>

#include "hresult.h"

namespace pellaquin {

std::string GuidToString(const Guid& g) {
  char s[40];
  std::snprintf(s, sizeof s, "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}", g.data1, g.data2,
                g.data3, g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5],
                g.data4[6], g.data4[7]);
  return s;
}

namespace {
void DefaultDebugOutput(const char* text) { std::fputs(text, stderr); }
std::atomic<DebugOutputFn> g_debug_output{DefaultDebugOutput};
}  // namespace

void SetDebugOutput(DebugOutputFn fn) { g_debug_output = fn ? fn : DefaultDebugOutput; }
void OutputDebugText(const char* text) { g_debug_output.load()(text); }

}  // namespace pellaquin
