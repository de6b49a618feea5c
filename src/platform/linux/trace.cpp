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
char buffer[BUFFER_SIZE];
std::size_t buffered = 0;
iovec pieces[MAX_PIECES];
int piece_count = 0;
std::size_t pending_bytes = 0;
bool last_piece_buffered = false;
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

void flush()
{
    if (piece_count > 0 && state == State::on) {
        write_pieces();
    }
    buffered = 0;
    piece_count = 0;
    pending_bytes = 0;
    last_piece_buffered = false;
    holds_references = false;
}

void make_room(std::size_t length)
{
    if (piece_count == MAX_PIECES || pending_bytes + length > WRITE_LIMIT) {
        flush();
    }
}

void add_copy(std::string_view piece)
{
    if (buffered + piece.size() > BUFFER_SIZE) {
        flush();
    }
    if (!last_piece_buffered) {
        make_room(piece.size());  // may flush, which leaves the buffer empty
        pieces[piece_count++] = iovec{buffer + buffered, 0};
        last_piece_buffered = true;
    }
    std::memcpy(buffer + buffered, piece.data(), piece.size());
    buffered += piece.size();
    pending_bytes += piece.size();
    pieces[piece_count - 1].iov_len += piece.size();  // runs on in the buffer
}

void add_reference(std::string_view piece)
{
    make_room(piece.size());
    pieces[piece_count++] = iovec{const_cast<char*>(piece.data()), piece.size()};
    pending_bytes += piece.size();
    last_piece_buffered = false;
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

void trace_send(std::string_view head, std::string_view tail)
{
    if (!trace_wanted()) {
        return;
    }
    add(head);
    add(tail);
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
