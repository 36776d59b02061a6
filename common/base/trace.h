// The running trace that both programs print on standard output.
//
// Everything the operator sees goes through one Trace: the passes' own lines
// and the built-in command interpreter's messages, so the console shows them
// in the order in which things happened. A Trace either writes to a stdio
// stream or collects the text in memory (for tests).
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace site {

class Trace {
public:
    // Writes to `stream` (normally stdout), gathering the text into blocks
    // (line by line on a terminal, where someone watches).
    explicit Trace(std::FILE* stream) : stream_(stream), by_line_(is_terminal(stream)) {}
    // Whether an in-memory trace keeps its text: a trace that nobody will
    // read drops it (a dry run's traces grow as the programs' own logs do).
    enum class Keep { text, nothing };
    // Collects the text in memory, see text(); or, with Keep::nothing,
    // drops it.
    explicit Trace(Keep keep = Keep::text) : keep_(keep) {}
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;
    ~Trace() { write_out(); }

    Trace& operator<<(std::string_view text);
    Trace& operator<<(char c);
    Trace& operator<<(long long number);
    Trace& operator<<(int number) { return *this << static_cast<long long>(number); }
    Trace& operator<<(unsigned number) { return *this << static_cast<long long>(number); }
    Trace& operator<<(const char* text) { return *this << std::string_view(text); }
    Trace& operator<<(const std::string& text) { return *this << std::string_view(text); }

    // Pushes buffered text out, so that a child process writing to the same
    // console appears after it.
    void flush();

    // What an in-memory trace has collected.
    const std::string& text() const { return collected_; }

private:
    // Whether `stream` is a terminal (defined with the platform layer).
    static bool is_terminal(std::FILE* stream);
    // Hands the gathered text to the stream.
    void write_out();

    // The size of the blocks handed to the stream: four of stdio's own
    // buffers, so that a trace going to a log file costs a quarter of the
    // writes. A run cut short loses the end of its trace not yet written:
    // up to this much, and what stdio holds of it.
    static constexpr std::size_t kBlock = 16384;

    std::FILE* stream_ = nullptr;
    bool by_line_ = false;
    Keep keep_ = Keep::text;
    // The text not yet handed to the stream.
    char block_[kBlock];
    std::size_t in_block_ = 0;
    // What an in-memory trace has collected.
    std::string collected_;
};

// The "é" of the trace, in the console's 8-bit code page on Windows and in
// UTF-8 elsewhere (defined with the platform layer).
extern const char* const kTraceEAcute;

// A number as decimal digits, zero-filled to `width` ("%02i").
std::string zero_filled(unsigned number, int width);

}  // namespace site
