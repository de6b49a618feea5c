// Stands in for the platform's trace channel and keeps every trace string.
#pragma once

#include <string>
#include <vector>

namespace trace_recorder {

// Clears what was recorded; `wanted` is what trace_wanted() answers.
void reset(bool wanted = true);
const std::vector<std::string>& strings();
// How often the conversion let go of its pieces, and ended a log.
int releases();
int finishes();

}  // namespace trace_recorder
