#include <gtest/gtest.h>

#include <memory>

#include "spectrum/SpectrumStore.h"

namespace halden {
namespace {

// The store's buffers and pool take fresh pages; what a reader sees at the
// start is still the test pattern, the pool's x index and zeroes.
TEST(ZeroedArray, TheStoreStartsWithItsTestPatternAndAZeroedPool) {
    const auto s = std::make_unique<SpectrumStore>();
    EXPECT_EQ(s->m_bufferA[10], 1.0);
    EXPECT_EQ(s->m_bufferB[kBufferSize - 1], s->m_bufferA[kBufferSize - 1]);
    EXPECT_NE(s->m_bufferB[kBufferSize - 1], 0.0);
    EXPECT_EQ(s->m_storedX[kStoredPoolSize - 1], kStoredPoolSize - 1);
    for (int j : {0, 1, kStoredPoolSize / 2, kStoredPoolSize - 1}) EXPECT_EQ(s->m_storedY[j], 0.0);
}

}  // namespace
}  // namespace halden
