// The trace on Linux: standard error, byte for byte, and nothing else there.
// A terminal gets no trace, since the escape codes would garble the screen
// the dialogs talk on; redirect standard error to keep it.
//
// Small pieces are copied into a buffer that spans lines, so a log costs a
// write per 64 KiB of trace instead of one per string. Large pieces are sent
// by reference with writev and never copied: a line with many resets traces
// itself once per reset, and copying that would cost its length each time.
#include "recolor/recolor.h"
#include "recolor/trace_channel.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

constexpr int TRACE_FD = STDERR_FILENO;
constexpr std::size_t BUFFER_SIZE = 64 * 1024;
constexpr std::size_t COPY_LIMIT = 2048;  // longer pieces go by reference
constexpr int MAX_PIECES = 1024;          // IOV_MAX on Linux
// The most one write moves on Linux (INT_MAX rounded down to a page);
// keeping each batch below it lets one writev take the whole batch.
constexpr std::size_t WRITE_LIMIT = 0x7ffff000;

enum class State { unknown, on, off };

State state = State::unknown;
// Copied bytes. Those from run_start on are the open run, not yet a piece of
// the batch; those before it are already pieces and stay put until written.
char buffer[BUFFER_SIZE];
std::size_t buffered = 0;
std::size_t run_start = 0;
// The batch for the next writev: runs of the buffer and referenced pieces,
// in trace order.
iovec pieces[MAX_PIECES];
int piece_count = 0;
std::size_t pending_bytes = 0;
bool holds_references = false;

State probe_state()
{
    if (isatty(TRACE_FD) != 0 || errno == EBADF) {
        return State::off;
    }
    return State::on;
}

bool wait_writable()
{
    pollfd fd{TRACE_FD, POLLOUT, 0};
    return poll(&fd, 1, -1) >= 0 || errno == EINTR;
}

// Writes every piece, resuming after short writes. A failing channel is
// given up on: the trace has no reader to report to.
void write_pieces()
{
    iovec* next = pieces;
    int left = piece_count;
    while (left > 0) {
        const ssize_t written = writev(TRACE_FD, next, left);
        if (written < 0) {
            if (errno == EINTR || (errno == EAGAIN && wait_writable())) {
                continue;
            }
            state = State::off;
            return;
        }
        auto rest = static_cast<std::size_t>(written);
        while (left > 0 && rest >= next->iov_len) {
            rest -= next->iov_len;
            ++next;
            --left;
        }
        if (left > 0) {
            next->iov_base = static_cast<char*>(next->iov_base) + rest;
            next->iov_len -= rest;
        }
    }
}

// Writes the batch. The open run stays where it is in the buffer.
void write_batch()
{
    if (piece_count > 0 && state == State::on) {
        write_pieces();
    }
    piece_count = 0;
    pending_bytes = 0;
    holds_references = false;
}

// Adds a piece to the batch, writing the batch first if it is full.
void add_piece(const char* data, std::size_t length)
{
    if (piece_count == MAX_PIECES || pending_bytes + length > WRITE_LIMIT) {
        write_batch();
    }
    pieces[piece_count++] = iovec{const_cast<char*>(data), length};
    pending_bytes += length;
}

// Ends the open run, making it a piece of the batch.
void close_run()
{
    if (buffered > run_start) {
        add_piece(buffer + run_start, buffered - run_start);
        run_start = buffered;
    }
}

void flush()
{
    close_run();
    write_batch();
    buffered = 0;
    run_start = 0;
}

void add_copy(std::string_view piece)
{
    if (buffered + piece.size() > BUFFER_SIZE) {
        flush();
    }
    std::memcpy(buffer + buffered, piece.data(), piece.size());
    buffered += piece.size();
}

void add_reference(std::string_view piece)
{
    close_run();
    add_piece(piece.data(), piece.size());
    holds_references = true;
}

void add(std::string_view piece)
{
    if (piece.empty()) {
        return;
    }
    if (piece.size() <= COPY_LIMIT) {
        add_copy(piece);
    } else {
        add_reference(piece);
    }
}

}  // namespace

bool trace_wanted()
{
    if (state == State::unknown) {
        state = probe_state();
    }
    return state == State::on;
}

namespace {

// Sends a string that may need a flush or a reference first. Kept out of
// line, so that the common case below stays small.
[[gnu::noinline]] void send_in_parts(std::string_view head, std::string_view tail)
{
    if (!trace_wanted()) {
        return;
    }
    add(head);
    add(tail);
}

}  // namespace

// Most strings are short and go into the buffer whole, in one step.
void trace_send(std::string_view head, std::string_view tail)
{
    const std::size_t size = head.size() + tail.size();
    if (state != State::on || head.size() > COPY_LIMIT || tail.size() > COPY_LIMIT ||
        buffered + size > BUFFER_SIZE) {
        send_in_parts(head, tail);
        return;
    }
    if (size == 1) {
        buffer[buffered++] = head.empty() ? tail[0] : head[0];  // such as each "\n" between lines
        return;
    }
    if (!head.empty()) {  // an empty view may have no address at all
        std::memcpy(buffer + buffered, head.data(), head.size());
    }
    if (!tail.empty()) {
        std::memcpy(buffer + buffered + head.size(), tail.data(), tail.size());
    }
    buffered += size;
}

void trace_release()
{
    if (holds_references) {
        flush();
    }
}

void trace_finish()
{
    flush();
}

void debug_trace(const char* text)
{
    trace_send(text, {});
    trace_release();  // the caller's text may go as soon as this returns
}
