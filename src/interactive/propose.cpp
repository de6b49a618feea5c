#include "interactive.h"

#include <cstring>

void propose_destination_name(char (&path)[PATH_CAPACITY])
{
    const std::size_t stem = std::strcspn(path, ".");
    const std::size_t suffix = sizeof DEST_SUFFIX;  // the NUL included
    if (stem + suffix > PATH_CAPACITY) {
        std::memset(path, 0, PATH_CAPACITY);
        return;
    }
    std::memcpy(path + stem, DEST_SUFFIX, suffix);
}
