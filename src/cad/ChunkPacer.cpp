#include "cad/ChunkPacer.h"

#include <algorithm>

ChunkPacer::ChunkPacer(int32_t firstSize, std::chrono::nanoseconds target)
    : m_size(std::clamp(firstSize, smallest, largest)), m_target(target)
{
}

void ChunkPacer::took(int32_t entities, std::chrono::nanoseconds elapsed)
{
    if (entities <= 0)
        return;
    const double perEntity = std::max<double>(double(elapsed.count()) / entities, 1.0);
    const double wanted = double(m_target.count()) / perEntity;
    const double bounded = std::clamp(wanted, double(m_size) / 4, double(m_size) * 4);
    m_size = int32_t(std::clamp(bounded, double(smallest), double(largest)));
}
