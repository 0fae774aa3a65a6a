#pragma once

#include <cstddef>

// The most memory this process has had resident so far, in kilobytes (Linux's maxrss, Windows'
// peak working set): a test that must not allocate a huge buffer compares it before and after.
std::size_t peakMemoryKilobytes();
