// libFuzzer target: the conversion and the literal model must agree on every
// input, output bytes and trace strings alike.
#include "recolor/recolor.h"
#include "support/reference.h"
#include "support/trace_recorder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string convert(const std::string& source)
{
    std::FILE* in = fmemopen(const_cast<char*>(source.data()), source.size(), "rb");
    if (source.empty()) {
        in = std::tmpfile();  // fmemopen refuses an empty buffer
    }
    char* bytes = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&bytes, &size);
    if (in == nullptr || out == nullptr) {
        std::abort();
    }
    convert_log(in, out);
    std::fclose(out);
    std::fclose(in);
    std::string result{bytes, size};
    std::free(bytes);
    return result;
}

void require(bool holds)
{
    if (!holds) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input{reinterpret_cast<const char*>(data), size};

    std::vector<std::string> expected_trace;
    const std::string expected = reference::convert(input, expected_trace);
    trace_recorder::reset();
    require(convert(input) == expected);
    require(trace_recorder::strings() == expected_trace);

    // recolor_line alone, on the whole input taken as one line.
    std::string expected_line = input;
    expected_trace.clear();
    reference::recolor_line(expected_line, expected_trace);
    std::string line = input;
    trace_recorder::reset();
    recolor_line(line);
    require(line == expected_line);
    require(trace_recorder::strings() == expected_trace);
    return 0;
}
