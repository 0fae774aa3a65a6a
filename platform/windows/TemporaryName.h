#pragma once

#include <cstddef>
#include <random>
#include <string>

// mkstemp's names where Windows has no mkstemp: `pattern` ends in "XXXXXX", and each call of
// next() puts six fresh letters there. Callers try until a create call finds the name free.
class TemporaryName {
public:
    static constexpr std::size_t placeholder = 6;

    explicit TemporaryName(std::string& pattern) : pattern_(pattern), random_(std::random_device{}()) {}

    bool valid() const {
        return pattern_.size() >= placeholder &&
               pattern_.compare(pattern_.size() - placeholder, placeholder, "XXXXXX") == 0;
    }

    void next() {
        static constexpr char letters[] =
            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        std::uniform_int_distribution<std::size_t> pick(0, sizeof letters - 2);
        for (std::size_t i = pattern_.size() - placeholder; i < pattern_.size(); ++i) {
            pattern_[i] = letters[pick(random_)];
        }
    }

    static constexpr int attempts = 100;

private:
    std::string& pattern_;
    std::mt19937 random_;
};
