// Error type of decoding and writing, error codes, RaiseError and the trace.
#pragma once

#include <cstdarg>
#include <exception>
#include <functional>
#include <string>

enum ErrorCode : int {
    ErrWrongSignature = 1,
    ErrBadFormat = 2,
    ErrPathNotFound = 3,
    ErrFileNotFound = 4,
    ErrAccessDenied = 5,
    ErrUnsupported = 6,
    ErrInternal = 7,
    ErrUnknownType = 8,
    ErrNoMemory = 10,
    ErrEndOfFile = 11,
    ErrWriting = 12,
    // A decode abandoned through its abort flag; callers drop it quietly.
    ErrAborted = 13,
};

// Texts shared by several decoders and encoders.
inline constexpr const char* kTextEndOfFile = "End of file reached while decoding.\n";
inline constexpr const char* kTextOutOfMemory = "Out of memory.";
inline constexpr const char* kTextInternalError = "Internal error.";
inline constexpr const char* kTextAborted = "Decoding abandoned.";
// Warned when a damaged or cut short file gave only part of its picture.
inline constexpr const char* kTextDamaged = "The file is damaged: only part of the picture could be read.";

class CTextException : public std::exception {
  public:
    CTextException(int code, std::string text) : m_code(code), m_text(std::move(text)) {}
    int GetCode() const noexcept { return m_code; }
    const std::string& GetText() const noexcept { return m_text; }
    const char* what() const noexcept override { return m_text.c_str(); }

  private:
    int m_code;
    std::string m_text;
};

// Throws CTextException(code, "Decoder error: " + text + "\n") after tracing
// the line at level 0.
[[noreturn]] void RaiseError(int code, const std::string& text);

// Levelled trace. Level 0 is errors; VELKOR_TRACE=N raises the level and the
// lines go to standard error. Nothing is formatted when the level is off.
void Trace(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
int GetTraceLevel();
void SetTraceLevel(int level);

// Warnings a decoder would show in a message box ("ran off the end of my
// bits"). The window shows them; the command line tool prints them.
using WarningCallback = std::function<void(const std::string&)>;
void SetWarningCallback(WarningCallback callback);
void Warn(const std::string& text);

// While it lives, the warnings raised on the thread that made it go to its
// callback instead of the process-wide one, so a caller can keep a decode's
// warnings with that decode. Scopes nest; the innermost one receives.
class CWarningScope {
  public:
    explicit CWarningScope(WarningCallback callback);
    ~CWarningScope();
    CWarningScope(const CWarningScope&) = delete;
    CWarningScope& operator=(const CWarningScope&) = delete;

  private:
    friend void Warn(const std::string& text);
    WarningCallback m_callback;
    CWarningScope* m_outer;
};
