// Writes a made-up coloured log for the benchmark. The same arguments always
// give the same bytes.
//
//   make_log normal BYTES PATH    lines of 60 to 200 bytes, about two resets
//                                 each, LF-terminated
//   make_log progress BYTES PATH  one line of progress-bar redraws, each
//                                 "\r", a coloured bar and a reset, 60 to
//                                 120 bytes, then a final LF
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const std::string RESET = "\x1b[0m";

// A small fixed generator, so the data does not depend on the library.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }

    // A number from `low` to `high`, both included.
    unsigned between(unsigned low, unsigned high)
    {
        return low + static_cast<unsigned>(next() % (high - low + 1));
    }

    template <std::size_t N>
    const char* pick(const char* const (&choices)[N])
    {
        return choices[next() % N];
    }

private:
    std::uint64_t state_;
};

const char* const WORDS[] = {"request", "handled", "user",  "cache",   "miss",   "queue",
                             "worker",  "started", "done",  "retry",   "socket", "closed",
                             "payload", "bytes",   "from",  "session", "token",  "expired",
                             "index",   "rebuilt", "in",    "ms",      "shard",  "ok"};
const char* const LEVELS[] = {"\x1b[32mINFO\x1b[0m ", "\x1b[32mINFO\x1b[0m ",
                              "\x1b[36mDEBUG\x1b[0m", "\x1b[33mWARN\x1b[0m ",
                              "\x1b[1;31mERROR\x1b[0m"};
const char* const HIGHLIGHTS[] = {"\x1b[1m", "\x1b[35m", "\x1b[4m", "\x1b[1;34m"};

std::string number(Random& random, unsigned low, unsigned high)
{
    return std::to_string(random.between(low, high));
}

std::string two_digits(unsigned value)
{
    return (value < 10 ? "0" : "") + std::to_string(value);
}

// "2024-05-17 13:04:59.123 [worker-3] " with a coloured level.
std::string line_head(Random& random, unsigned second)
{
    std::string head = "2024-05-17 " + two_digits(second / 3600 % 24) + ":" +
                       two_digits(second / 60 % 60) + ":" + two_digits(second % 60) + "." +
                       number(random, 100, 999) + " ";
    head += random.pick(LEVELS);
    head += " [worker-" + number(random, 1, 16) + "] ";
    return head;
}

// Plain words, with a highlighted value and its reset once in a while, until
// the line is 60 to 200 bytes long.
std::string normal_line(Random& random, unsigned second)
{
    const std::size_t length = random.between(60, 183);  // the last word may add 17
    std::string line = line_head(random, second);
    while (line.size() < length) {
        if (random.between(0, 9) == 0) {
            line += random.pick(HIGHLIGHTS) + number(random, 1, 99999) + RESET + " ";
        } else {
            line += std::string(random.pick(WORDS)) + " ";
        }
    }
    line.back() = '\n';
    return line;
}

// "\r\x1b[32m[=====>    ] 45% 1234/5678 files 12.3 MB/s\x1b[0m"
std::string progress_update(Random& random, unsigned done, unsigned total)
{
    const unsigned width = random.between(20, 70);
    const unsigned filled = width * done / total;
    std::string bar(filled, '=');
    bar += filled < width ? ">" : "";
    bar.resize(width, ' ');
    const unsigned rate = random.between(1, 999);
    return "\r\x1b[32m[" + bar + "] " + std::to_string(100 * done / total) + "% " +
           std::to_string(done) + "/" + std::to_string(total) + " files " +
           std::to_string(rate / 10) + "." + std::to_string(rate % 10) + " MB/s" + RESET;
}

bool write_normal(std::FILE* out, std::size_t size)
{
    Random random{0x5eed0001};
    std::size_t written = 0;
    for (unsigned line_number = 0;; ++line_number) {
        const std::string line = normal_line(random, 40000 + line_number / 50);
        if (written + line.size() > size) {
            return true;
        }
        if (std::fwrite(line.data(), 1, line.size(), out) != line.size()) {
            return false;
        }
        written += line.size();
    }
}

bool write_progress(std::FILE* out, std::size_t size)
{
    Random random{0x5eed0002};
    const unsigned total = 100000;
    std::size_t written = 1;  // the final LF
    for (unsigned step = 0;; ++step) {
        const std::string update = progress_update(random, step % (total + 1), total);
        if (written + update.size() > size) {
            break;
        }
        if (std::fwrite(update.data(), 1, update.size(), out) != update.size()) {
            return false;
        }
        written += update.size();
    }
    return std::fputc('\n', out) != EOF;
}

int usage()
{
    std::fputs("usage: make_log normal|progress BYTES PATH\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        return usage();
    }
    const std::string kind = argv[1];
    char* end = nullptr;
    const std::size_t size = std::strtoull(argv[2], &end, 10);
    if (*end != '\0' || (kind != "normal" && kind != "progress")) {
        return usage();
    }
    std::FILE* out = std::fopen(argv[3], "wb");
    if (out == nullptr) {
        std::perror(argv[3]);
        return 1;
    }
    const bool written = kind == "normal" ? write_normal(out, size) : write_progress(out, size);
    if (std::fclose(out) != 0 || !written) {
        std::perror(argv[3]);
        return 1;
    }
    return 0;
}
