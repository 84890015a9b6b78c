#include "engine/picture/TextException.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

int InitialTraceLevel()
{
    const char* env = std::getenv("VELKOR_TRACE");
    return env ? std::atoi(env) : 0;
}

std::atomic<int> g_traceLevel{InitialTraceLevel()};
std::mutex g_warnMutex;
WarningCallback g_warn;
thread_local CWarningScope* t_scope = nullptr;

} // namespace

int GetTraceLevel()
{
    return g_traceLevel.load(std::memory_order_relaxed);
}
void SetTraceLevel(int level)
{
    g_traceLevel.store(level, std::memory_order_relaxed);
}

void Trace(int level, const char* format, ...)
{
    // Level 0 lines are errors; like the debugger output they stay silent
    // unless VELKOR_TRACE asks for them.
    if (level > GetTraceLevel() || std::getenv("VELKOR_TRACE") == nullptr)
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
}

void RaiseError(int code, const std::string& text)
{
    std::string line = "Decoder error: " + text + "\n";
    Trace(0, "%s", line.c_str());
    throw CTextException(code, std::move(line));
}

void SetWarningCallback(WarningCallback callback)
{
    std::lock_guard lock(g_warnMutex);
    g_warn = std::move(callback);
}

CWarningScope::CWarningScope(WarningCallback callback) : m_callback(std::move(callback)), m_outer(t_scope)
{
    t_scope = this;
}

CWarningScope::~CWarningScope()
{
    t_scope = m_outer;
}

void Warn(const std::string& text)
{
    if (t_scope) {
        if (t_scope->m_callback)
            t_scope->m_callback(text);
        return;
    }
    WarningCallback callback;
    {
        std::lock_guard lock(g_warnMutex);
        callback = g_warn;
    }
    if (callback)
        callback(text);
    else
        Trace(0, "%s\n", text.c_str());
}
