#pragma once

#include <chrono>
#include <cstdint>

// How many entities the next chunk of a walk takes, so that each chunk lasts
// about `target`: the progress window moves and the user's "Отмена" is heard
// several times a second, while a fast walk is not slowed down by many small
// chunks. The size follows the pace measured, growing or shrinking at most
// fourfold at a time, so that one chunk that happened to be quick (the CAD
// had the entities at hand) does not make the next one last seconds.
class ChunkPacer {
public:
    static constexpr std::chrono::milliseconds defaultTarget{100};
    static constexpr int32_t smallest = 4;
    static constexpr int32_t largest = 16384;

    explicit ChunkPacer(int32_t firstSize, std::chrono::nanoseconds target = defaultTarget);

    int32_t size() const { return m_size; }
    // The last chunk walked `entities` entities in `elapsed`.
    void took(int32_t entities, std::chrono::nanoseconds elapsed);

private:
    int32_t m_size;
    std::chrono::nanoseconds m_target;
};
