#include "trace_recorder.h"

#include "recolor/recolor.h"
#include "recolor/trace_channel.h"

#include <cstring>

namespace {
bool is_wanted = true;
std::vector<std::string> recorded;
int release_count = 0;
int finish_count = 0;
}  // namespace

namespace trace_recorder {

void reset(bool wanted)
{
    is_wanted = wanted;
    recorded.clear();
    release_count = 0;
    finish_count = 0;
}

const std::vector<std::string>& strings() { return recorded; }
int releases() { return release_count; }
int finishes() { return finish_count; }

}  // namespace trace_recorder

bool trace_wanted() { return is_wanted; }

void trace_send(std::string_view head, std::string_view tail)
{
    std::string text{head};
    text += tail;
    recorded.push_back(text);
}

void trace_release() { ++release_count; }

void trace_finish() { ++finish_count; }

void debug_trace(const char* text) { recorded.emplace_back(text, std::strlen(text)); }
