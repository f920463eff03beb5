#pragma once

#include "walk/ModelSpaceWalk.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

namespace walk {

// Where one range of a walk ends: at its last index, as far as 32 bits and
// maxRange reach, or once it has taken chunkTimeBudget, asked after each
// index walked.
class RangeBudget {
public:
    RangeBudget(int32_t first, int32_t count) : m_end(endOf(first, count)) {}

    int32_t end() const { return m_end; }
    bool spent() const { return std::chrono::steady_clock::now() >= m_deadline; }

private:
    static int32_t endOf(int32_t first, int32_t count)
    {
        if (first < 0 || count <= 0)
            return first;
        const int64_t end = int64_t(first) + std::min(count, maxRange);
        return int32_t(std::min<int64_t>(end, INT32_MAX));
    }

    int32_t m_end;
    std::chrono::steady_clock::time_point m_deadline = std::chrono::steady_clock::now() + chunkTimeBudget;
};

} // namespace walk
