#pragma once

#include <cstdio>
#include <memory>

// A C stream that is closed when its handle goes. A writer that must know whether the close
// succeeded (buffered bytes reach the disk only then) calls std::fclose(handle.release()).
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;
